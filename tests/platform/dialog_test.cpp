// The dialog manager: modal dialogs from DLGTEMPLATE and DLGTEMPLATEEX, the messages a dialog procedure
// sees and their order, the focus rule, EndDialog, the failure result, the keys IsDialogMessageW takes,
// and a dialog's own soft-key bar, driven through the headless screen.
#include "platform/posix/headless/headless.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/window.h"
#include "tests/platform/res_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr WORD kStaticClass = 0x82, kEditClass = 0x81;
constexpr WORD kFirstEdit = 10, kSecondEdit = 11, kLabel = 12;

// ---------------------------------------------------------------------------------------------------
// Templates
// ---------------------------------------------------------------------------------------------------

struct ItemSpec {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classOrdinal;  // 0 to use className
    std::u16string className;
    std::u16string text;
};

// Writes a template in either layout, as a resource compiler does.
class TemplateBuilder {
public:
    TemplateBuilder(DWORD style, short cx, short cy, bool extended) : style_(style), cx_(cx), cy_(cy), ex_(extended) {}
    TemplateBuilder &Item(const ItemSpec &item) {
        items_.push_back(item);
        return *this;
    }
    TemplateBuilder &Title(const std::u16string &title) {
        title_ = title;
        return *this;
    }

    // Kept in DWORD storage: templates are DWORD-aligned in a module.
    const DLGTEMPLATE *Build() {
        bytes_.clear();
        DWORD style = style_ | DS_SETFONT;
        if (ex_) {
            Word(1), Word(0xFFFF), Dword(0), Dword(0), Dword(style);
        } else {
            Dword(style), Dword(0);
        }
        Word(WORD(items_.size())), Word(0), Word(0), Word(WORD(cx_)), Word(WORD(cy_));
        Word(0), Word(0), String(title_);  // no menu, the system class
        Word(8);
        if (ex_) Word(400), Byte(0), Byte(1);
        String(u"System");
        for (const ItemSpec &item : items_) {
            while (bytes_.size() % 4)
                Byte(0);
            if (ex_)
                Dword(0), Dword(0), Dword(item.style);
            else
                Dword(item.style), Dword(0);
            Word(WORD(item.x)), Word(WORD(item.y)), Word(WORD(item.cx)), Word(WORD(item.cy));
            if (ex_)
                Dword(item.id);
            else
                Word(item.id);
            if (item.classOrdinal)
                Word(0xFFFF), Word(item.classOrdinal);
            else
                String(item.className);
            String(item.text);
            Word(0);
        }
        storage_.assign((bytes_.size() + 3) / 4, 0);
        std::memcpy(storage_.data(), bytes_.data(), bytes_.size());
        return reinterpret_cast<const DLGTEMPLATE *>(storage_.data());
    }

private:
    void Byte(uint8_t b) { bytes_.push_back(b); }
    void Word(WORD w) { Byte(uint8_t(w)), Byte(uint8_t(w >> 8)); }
    void Dword(DWORD d) { Word(WORD(d)), Word(WORD(d >> 16)); }
    void String(const std::u16string &s) {
        for (char16_t c : s)
            Word(c);
        Word(0);
    }
    DWORD style_;
    short cx_, cy_;
    bool ex_;
    std::u16string title_;
    std::vector<ItemSpec> items_;
    std::vector<uint8_t> bytes_;
    std::vector<uint32_t> storage_;
};

// A label, then two edits that are tab stops: the first holds "abc".
TemplateBuilder TwoEdits(bool extended, DWORD style = WS_POPUP | DS_CENTER | DS_MODALFRAME) {
    TemplateBuilder t(style, 98, 40, extended);
    t.Item({WS_CHILD | WS_VISIBLE | SS_LEFT, 1, 1, 58, 8, kLabel, kStaticClass, u"", u"Label:"})
        .Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 10, 97, 12, kFirstEdit, kEditClass, u"", u"abc"})
        .Item(
            {WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 26, 97, 12, kSecondEdit, kEditClass, u"", u"xyz"});
    return t;
}

// ---------------------------------------------------------------------------------------------------
// A recording dialog procedure
// ---------------------------------------------------------------------------------------------------

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct DuringInit {
    bool visible = true;
    HWND focus = (HWND)1;
    bool ownerEnabled = true;
};

std::vector<Seen> g_seen;
DuringInit g_init;
std::function<INT_PTR(HWND)> g_onInit;  // the answer to WM_INITDIALOG
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> g_onOther;
HWND g_owner = nullptr;

bool Recorded(UINT message) {
    switch (message) {
        case WM_PAINT:
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        case WM_NULL: return false;
        default: return true;
    }
}

INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Recorded(message)) g_seen.push_back({message, wParam, lParam});
    if (message == WM_INITDIALOG) {
        g_init.visible = IsWindowVisible(dialog) != FALSE;
        g_init.focus = GetFocus();
        g_init.ownerEnabled = IsWindowEnabled(g_owner) != FALSE;
        return g_onInit ? g_onInit(dialog) : TRUE;
    }
    return g_onOther ? g_onOther(dialog, message, wParam, lParam) : FALSE;
}

std::vector<Seen> SeenOf(UINT message) {
    std::vector<Seen> out;
    for (const Seen &s : g_seen)
        if (s.message == message) out.push_back(s);
    return out;
}

// The first occurrence of each message of interest, in order.
std::vector<UINT> Order(std::initializer_list<UINT> interesting) {
    std::vector<UINT> out;
    for (const Seen &s : g_seen)
        for (UINT m : interesting)
            if (s.message == m && std::find(out.begin(), out.end(), m) == out.end()) out.push_back(m);
    return out;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::pair<DWORD, DWORD> Selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return {start, end};
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        g_seen.clear();
        g_init = DuringInit{};
        g_onInit = nullptr;
        g_onOther = nullptr;
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = u"Owner";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        g_owner = CreateWindowExW(0, u"Owner", u"Owner title", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        ASSERT_NE(g_owner, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(screen.Failure(), "");
        g_onInit = nullptr;
        g_onOther = nullptr;
        posix::ResetPlatform();
    }
    INT_PTR Run(const DLGTEMPLATE *t, LPARAM param = 0, HWND owner = (HWND)-1) {
        return DialogBoxIndirectParamW(kInstance, t, owner == (HWND)-1 ? g_owner : owner, RecordingDialogProc, param);
    }
    // Ends the dialog from the script, once the keys before it have been handled. The modal loop sees
    // that it ended when it next takes input: a key release that nothing acts on.
    posix::HeadlessScreen &EndWith(INT_PTR result) {
        return screen.Then([result] { EndDialog(GetActiveWindow(), result); }).Release(VK_SHIFT);
    }
    posix::HeadlessScreen screen{40, 12};
};

// ---------------------------------------------------------------------------------------------------
// Creation, WM_INITDIALOG and the result
// ---------------------------------------------------------------------------------------------------

class DialogLayoutTest : public DialogTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DialogLayoutTest, TheProcedureSeesTheFontThenInitDialogWhileHiddenWithTheOwnerDisabled) {
    TemplateBuilder t = TwoEdits(GetParam());
    HWND firstEdit = nullptr, label = nullptr;
    RECT editRect{};
    g_onInit = [&](HWND dialog) {
        firstEdit = GetDlgItem(dialog, kFirstEdit);
        label = GetDlgItem(dialog, kLabel);
        GetClientRect(firstEdit, &editRect);
        return TRUE;
    };
    bool visibleLater = false;
    screen.Then([&] { visibleLater = IsWindowVisible(GetActiveWindow()) != FALSE; });
    EndWith(42);
    EXPECT_EQ(Run(t.Build(), 0x1234), 42);
    EXPECT_EQ(Order({WM_SETFONT, WM_INITDIALOG}), (std::vector<UINT>{WM_SETFONT, WM_INITDIALOG}));
    ASSERT_EQ(SeenOf(WM_SETFONT).size(), 1u);
    EXPECT_NE(SeenOf(WM_SETFONT)[0].wParam, 0u);
    EXPECT_EQ(SeenOf(WM_SETFONT)[0].lParam, 0);
    ASSERT_EQ(SeenOf(WM_INITDIALOG).size(), 1u);
    EXPECT_EQ((HWND)SeenOf(WM_INITDIALOG)[0].wParam, firstEdit) << "the first tab stop, not the label";
    EXPECT_EQ(SeenOf(WM_INITDIALOG)[0].lParam, 0x1234);
    EXPECT_FALSE(g_init.visible);
    EXPECT_EQ(g_init.focus, nullptr);
    EXPECT_FALSE(g_init.ownerEnabled);
    EXPECT_TRUE(visibleLater) << "the modal loop shows it though the template has no WS_VISIBLE";
    EXPECT_NE(label, nullptr);
    // 97 x 12 dialog units: 24 cells across, one row down (8 units a row).
    EXPECT_EQ(editRect.right, 24 * 8);
    EXPECT_EQ(editRect.bottom, 16);
    // After the dialog: the owner is enabled, active and has the focus; the dialog is gone.
    EXPECT_TRUE(IsWindowEnabled(g_owner));
    EXPECT_EQ(GetActiveWindow(), g_owner);
    EXPECT_EQ(GetFocus(), g_owner);
    EXPECT_FALSE(IsWindow(firstEdit));
}

INSTANTIATE_TEST_SUITE_P(BothTemplateForms, DialogLayoutTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? std::string("Extended") : std::string("Plain");
                         });

struct FocusCase {
    const char *name;
    bool focusSecondFirst;  // SetFocus(second edit) inside WM_INITDIALOG
    INT_PTR answer;         // WM_INITDIALOG's result
    WORD expected;          // the control with the focus once the dialog is up
    std::pair<DWORD, DWORD> firstSelection;
};

class FocusRuleTest : public DialogTest, public ::testing::WithParamInterface<FocusCase> {};

TEST_P(FocusRuleTest, TheAnswerToInitDialogDecidesWhereTheFocusGoes) {
    FocusCase c = GetParam();
    g_onInit = [&](HWND dialog) {
        if (c.focusSecondFirst) SetFocus(GetDlgItem(dialog, kSecondEdit));
        return c.answer;
    };
    WORD focused = 0;
    std::pair<DWORD, DWORD> selection;
    screen.Then([&] {
        focused = (WORD)GetDlgCtrlID(GetFocus());
        selection = Selection(GetDlgItem(GetActiveWindow(), kFirstEdit));
    });
    EndWith(1);
    TemplateBuilder t = TwoEdits(false);
    EXPECT_EQ(Run(t.Build()), 1);
    EXPECT_EQ(focused, c.expected);
    if (c.expected == kFirstEdit) {
        EXPECT_EQ(selection, c.firstSelection);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Win32Rule, FocusRuleTest,
    ::testing::Values(FocusCase{"TrueGoesToTheFirstTabStopWithItsTextSelected", false, TRUE, kFirstEdit, {0, 3}},
                      FocusCase{"FalseStillEndsInTheFirstTabStopOnActivation", false, FALSE, kFirstEdit, {0, 3}},
                      FocusCase{"FalseKeepsAFocusTheProcedureSet", true, FALSE, kSecondEdit, {0, 0}},
                      FocusCase{"TrueOverridesAFocusTheProcedureSet", true, TRUE, kFirstEdit, {0, 3}}),
    [](const ::testing::TestParamInfo<FocusCase> &info) { return std::string(info.param.name); });

TEST_F(DialogTest, EndDialogDuringInitDialogReturnsItsResultAndTheDialogIsNeverShown) {
    g_onInit = [](HWND dialog) {
        EndDialog(dialog, 7);
        return TRUE;
    };
    TemplateBuilder t = TwoEdits(false, WS_POPUP | WS_VISIBLE | DS_CENTER);
    EXPECT_EQ(Run(t.Build()), 7);
    for (const Seen &s : SeenOf(WM_SHOWWINDOW))
        EXPECT_EQ(s.wParam, 0u) << "shown at some point";
    EXPECT_TRUE(IsWindowEnabled(g_owner));
    EXPECT_EQ(GetActiveWindow(), g_owner);
    EXPECT_EQ(posix::TopLevelWindows().size(), 1u);
}

TEST_F(DialogTest, AnUnknownControlClassOrAnInvalidOwnerFailsWithMinusOne) {
    TemplateBuilder t(WS_POPUP | DS_CENTER, 60, 20, false);
    t.Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 40, 8, 5, 0, u"NoSuchControl", u""});
    EXPECT_EQ(Run(t.Build()), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_TRUE(SeenOf(WM_INITDIALOG).empty());
    EXPECT_TRUE(IsWindowEnabled(g_owner)) << "the owner comes back as it was";
    EXPECT_EQ(posix::TopLevelWindows().size(), 1u) << "nothing of the dialog is left";

    g_seen.clear();
    EXPECT_EQ(Run(TwoEdits(false).Build(), 0, (HWND)0x7777770), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(g_seen.empty());
    EXPECT_EQ(DialogBoxIndirectParamW(kInstance, nullptr, g_owner, RecordingDialogProc, 0), -1);
}

TEST_F(DialogTest, NoFailCreateKeepsTheDialogWithoutTheControlThatCouldNotBeMade) {
    TemplateBuilder t(WS_POPUP | DS_CENTER | DS_NOFAILCREATE, 60, 20, false);
    t.Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 40, 8, 5, 0, u"NoSuchControl", u""})
        .Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 40, 8, 6, kEditClass, u"", u""});
    HWND edit = nullptr;
    g_onInit = [&](HWND dialog) {
        edit = GetDlgItem(dialog, 6);
        return TRUE;
    };
    EndWith(3);
    EXPECT_EQ(Run(t.Build()), 3);
    EXPECT_NE(edit, nullptr);
    EXPECT_EQ((HWND)SeenOf(WM_INITDIALOG).at(0).wParam, edit);
}

TEST_F(DialogTest, HandledMessagesAnswerThroughMsgResultExceptInitDialog) {
    constexpr UINT kAsk = WM_USER + 50;
    g_onOther = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message != kAsk) return FALSE;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1234);
        return TRUE;
    };
    LRESULT asked = 0, defId = 0, unhandled = -5;
    DLGPROC stored = nullptr;
    screen.Then([&] {
        HWND dialog = GetActiveWindow();
        asked = SendMessageW(dialog, kAsk, 0, 0);
        defId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        unhandled = SendMessageW(dialog, WM_USER + 51, 0, 0);
        stored = (DLGPROC)GetWindowLongPtrW(dialog, DWLP_DLGPROC);
    });
    EndWith(1);
    Run(TwoEdits(false).Build());
    EXPECT_EQ(asked, 1234);
    EXPECT_EQ(defId, (LRESULT)0x534B0001);
    EXPECT_EQ(unhandled, 0);
    EXPECT_EQ(stored, &RecordingDialogProc);
}

// ---------------------------------------------------------------------------------------------------
// Keys
// ---------------------------------------------------------------------------------------------------

TEST_F(DialogTest, TabAndShiftTabMoveBetweenTabStopsAndSelectTheEditReached) {
    std::vector<WORD> visited;
    std::pair<DWORD, DWORD> secondSelection;
    auto note = [&] { visited.push_back((WORD)GetDlgCtrlID(GetFocus())); };
    screen.Then(note).Key(VK_TAB).Then(note).Then([&] { secondSelection = Selection(GetFocus()); });
    screen.Key(VK_TAB).Then(note).Press(VK_SHIFT).Key(VK_TAB).Release(VK_SHIFT).Then(note);
    EndWith(1);
    Run(TwoEdits(false).Build());
    EXPECT_EQ(visited, (std::vector<WORD>{kFirstEdit, kSecondEdit, kFirstEdit, kSecondEdit}))
        << "the label is no tab stop; the order wraps both ways";
    EXPECT_EQ(secondSelection, (std::pair<DWORD, DWORD>{0, 3}));
    for (const Seen &s : SeenOf(WM_COMMAND))
        EXPECT_NE(HIWORD(s.wParam), 0) << "Tab sends no button command, only the edits' focus news";
}

TEST_F(DialogTest, UpAndDownLeaveASingleLineEditForTheNextTabStop) {
    std::vector<WORD> visited;
    auto note = [&] { visited.push_back((WORD)GetDlgCtrlID(GetFocus())); };
    screen.Key(VK_DOWN).Then(note).Key(VK_DOWN).Then(note).Key(VK_UP).Then(note);
    EndWith(1);
    Run(TwoEdits(false).Build());
    EXPECT_EQ(visited, (std::vector<WORD>{kSecondEdit, kFirstEdit, kSecondEdit}));
}

TEST_F(DialogTest, EnterAsksForTheDefaultIdAndSendsIdOkAndEscSendsIdCancel) {
    std::u16string typed;
    g_onOther = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    screen.Type(u"Z").Key(VK_RETURN, u'\r').Key(VK_ESCAPE).Then([&] {
        WCHAR buffer[16] = {};
        GetWindowTextW(GetFocus(), buffer, 16);
        typed = buffer;
    });
    EndWith(1);
    Run(TwoEdits(false).Build());
    EXPECT_EQ(typed, u"Z") << "typing replaced the selected text; Enter and Esc typed nothing";
    std::vector<Seen> buttons;
    for (const Seen &s : g_seen)
        if (s.message == WM_COMMAND && HIWORD(s.wParam) == 0 && s.lParam == 0) buttons.push_back(s);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].wParam, (WPARAM)IDOK);
    EXPECT_EQ(buttons[1].wParam, (WPARAM)IDCANCEL);
    EXPECT_EQ(SeenOf(DM_GETDEFID).size(), 1u) << "Enter asked for the default id once";
}

TEST_F(DialogTest, AMultilineEditKeepsEnterAndTheArrows) {
    TemplateBuilder t(WS_POPUP | DS_CENTER, 98, 40, false);
    t.Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, 0, 0, 97, 24, 20, kEditClass, u"", u"ab"})
        .Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 26, 97, 12, 21, kEditClass, u"", u""});
    std::u16string text;
    WORD focused = 0;
    screen.Key(VK_RETURN, u'\r').Key(VK_UP).Then([&] {
        focused = (WORD)GetDlgCtrlID(GetFocus());
        WCHAR buffer[16] = {};
        GetWindowTextW(GetFocus(), buffer, 16);
        text = buffer;
    });
    EndWith(1);
    Run(t.Build());
    EXPECT_EQ(focused, 20);
    EXPECT_EQ(text, u"\r\n") << "Enter broke the line in place of the selected text";
    for (const Seen &s : SeenOf(WM_COMMAND))
        EXPECT_NE(HIWORD(s.wParam), 0) << "no button command";
}

// ---------------------------------------------------------------------------------------------------
// The dialog's own soft-key bar and the screen
// ---------------------------------------------------------------------------------------------------

constexpr uint16_t kBar = 200, kFindCommand = 300, kCancelCommand = 301;

class DialogSoftKeyTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        res.Add(4, kBar, ResBuilder::Menu({{0, kFindCommand, u"Go"}, {0x80, kCancelCommand, u"Stop"}}));
        res.Add(6, 14, ResBuilder::StringBlock({u"Go", u"Stop"}));  // strings 208 and 209
        res.Add(10, kBar,
                ResBuilder::Words({kBar, 2, 0xFFFE, kFindCommand, 4, 16, 208, 0, 0xFFFF, 0xFFFE, kCancelCommand, 4, 16,
                                   209, 0, 0xFFFF}));
        posix::SetResourceImage(posix::ResourceImage{res.Bytes().data(), res.Bytes().size()});
        g_onInit = [](HWND dialog) {
            SHMENUBARINFO info{};
            info.cbSize = sizeof(info);
            info.hwndParent = dialog;
            info.nToolBarId = kBar;
            info.hInstRes = GetModuleHandleW(nullptr);
            EXPECT_TRUE(SHCreateMenuBar(&info));
            SendMessageW(info.hwndMB, SHCMBM_OVERRIDEKEY, VK_TBACK,
                         MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));
            return TRUE;
        };
        g_onOther = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
            if (message == WM_HOTKEY && HIWORD(lParam) == VK_TBACK) SHSendBackToFocusWindow(message, wParam, lParam);
            if (message == WM_COMMAND && LOWORD(wParam) == kCancelCommand) EndDialog(dialog, 9);
            return message == WM_HOTKEY || message == WM_COMMAND;
        };
    }
    ResBuilder res;
};

TEST_F(DialogSoftKeyTest, TheBarShowsWhileTheDialogIsUpAndItsKeysReachTheProcedure) {
    std::string shown;
    std::u16string afterBack;
    screen.Key(VK_END).Key(VK_TBACK).Then([&] {
        shown = screen.Text();
        WCHAR buffer[16] = {};
        GetWindowTextW(GetFocus(), buffer, 16);
        afterBack = buffer;
    });
    screen.Key(VK_TSOFT1).Key(VK_TSOFT2);
    TemplateBuilder t = TwoEdits(false);
    EXPECT_EQ(Run(t.Build()), 9);
    std::string bottom = shown.substr(shown.rfind('\n', shown.size() - 2) + 1);
    EXPECT_EQ(bottom.rfind(" Go ", 0), 0u) << shown;
    EXPECT_NE(bottom.find(" Stop "), std::string::npos) << shown;
    EXPECT_NE(shown.find("Label:"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\u250C"), std::string::npos) << "drawn as a box\n" << shown;
    EXPECT_EQ(shown.rfind("Owner title", 40), 1u) << "a dialog without a caption leaves the owner's title\n" << shown;
    EXPECT_EQ(afterBack, u"ab") << "Back deleted a character in the field";
    std::vector<Seen> hotKeys = SeenOf(WM_HOTKEY);
    ASSERT_FALSE(hotKeys.empty());
    EXPECT_EQ(HIWORD(hotKeys[0].lParam), VK_TBACK);
    std::vector<WORD> commands;
    for (const Seen &s : SeenOf(WM_COMMAND))
        if (HIWORD(s.wParam) == 0) commands.push_back(LOWORD(s.wParam));
    EXPECT_EQ(commands, (std::vector<WORD>{kFindCommand, kCancelCommand}));
}

}  // namespace
