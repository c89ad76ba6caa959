// The dialog manager as Win32 behaves: modal dialogs from DLGTEMPLATE and DLGTEMPLATEEX, the messages a
// dialog procedure sees and their order, the focus rule, EndDialog, the failure result, and the keys
// IsDialogMessageW takes. Each dialog runs in its own modal loop; the test acts once the loop waits for
// input (the owner's WM_ENTERIDLE) and ends it there. What a dialog shows on the screen of cells, and its
// soft-key bar, is in tests/platform/dialog_screen_test.cpp.
#include "tests/shared/dialog_template.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------------
// A recording dialog procedure, and an owner that acts once the dialog is up
// ---------------------------------------------------------------------------------------------------

struct Seen {
    HWND hwnd;
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
std::function<void(HWND)> g_whenUp;  // runs once the dialog waits for input; it ends the dialog
HWND g_owner = nullptr;
constexpr INT_PTR kLeftRunning = -7;  // the result of a dialog the test forgot to end

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
    if (Recorded(message)) g_seen.push_back({dialog, message, wParam, lParam});
    if (message == WM_INITDIALOG) {
        g_init.visible = IsWindowVisible(dialog) != FALSE;
        g_init.focus = GetFocus();
        g_init.ownerEnabled = IsWindowEnabled(g_owner) != FALSE;
        return g_onInit ? g_onInit(dialog) : TRUE;
    }
    return g_onOther ? g_onOther(dialog, message, wParam, lParam) : FALSE;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
        std::function<void(HWND)> whenUp = std::move(g_whenUp);
        g_whenUp = nullptr;
        if (whenUp)
            whenUp((HWND)lParam);
        else
            EndDialog((HWND)lParam, kLeftRunning);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
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

// No window the dialog procedure heard from is left.
bool NothingOfTheDialogLeft() {
    for (const Seen &s : g_seen)
        if (IsWindow(s.hwnd)) return false;
    return true;
}

std::pair<DWORD, DWORD> Selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return {start, end};
}

WString TextOf(HWND hwnd) {
    WCHAR buffer[16] = {};
    GetWindowTextW(hwnd, buffer, 16);
    return buffer;
}

WORD FocusedId() {
    return (WORD)GetDlgCtrlID(GetFocus());
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_platform::Reset();
        g_seen.clear();
        g_init = DuringInit{};
        g_onInit = nullptr;
        g_onOther = nullptr;
        g_whenUp = nullptr;
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = TEXT("Owner");
        wc.hInstance = test_platform::Instance();
        ASSERT_NE(RegisterClassW(&wc), 0);
        // Hidden unless a test needs it shown: the dialog needs an owner, not a screen.
        g_owner = CreateWindowExW(0, TEXT("Owner"), TEXT("Owner title"), 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, test_platform::Instance(), nullptr);
        ASSERT_NE(g_owner, nullptr);
    }
    void TearDown() override {
        g_onInit = nullptr;
        g_onOther = nullptr;
        g_whenUp = nullptr;
        DestroyWindow(g_owner);
        test_platform::Reset();
        UnregisterClassW(TEXT("Owner"), test_platform::Instance());
    }
    static void ShowOwner() {
        ShowWindow(g_owner, SW_SHOW);
        test_platform::RunPendingMessages();
    }
    static INT_PTR Run(const DLGTEMPLATE *t, LPARAM param = 0, HWND owner = (HWND)-1) {
        return DialogBoxIndirectParamW(test_platform::Instance(), t, owner == (HWND)-1 ? g_owner : owner,
                                       RecordingDialogProc, param);
    }
    static void Press(HWND dialog, int vk, WCHAR typed = 0) { test_platform::PressKeyInDialog(dialog, vk, typed); }
};

// ---------------------------------------------------------------------------------------------------
// Creation, WM_INITDIALOG and the result (Win32: Q17)
// ---------------------------------------------------------------------------------------------------

class DialogLayoutTest : public DialogTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DialogLayoutTest, TheProcedureSeesTheFontThenInitDialogWhileHiddenWithTheOwnerDisabled) {
    ShowOwner();
    TemplateBuilder t = TwoEdits(GetParam());
    HWND firstEdit = nullptr, label = nullptr;
    RECT editRect{}, editUnits{0, 0, 97, 12};
    g_onInit = [&](HWND dialog) {
        firstEdit = GetDlgItem(dialog, kFirstEdit);
        label = GetDlgItem(dialog, kLabel);
        GetClientRect(firstEdit, &editRect);
        MapDialogRect(dialog, &editUnits);
        return TRUE;
    };
    bool visibleLater = false, activeLater = false;
    g_whenUp = [&](HWND dialog) {
        visibleLater = IsWindowVisible(dialog) != FALSE;
        activeLater = GetActiveWindow() == dialog;
        EndDialog(dialog, 42);
    };
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
    EXPECT_TRUE(activeLater);
    EXPECT_NE(label, nullptr);
    EXPECT_EQ(editRect.right, editUnits.right) << "the template's size in dialog units";
    EXPECT_EQ(editRect.bottom, editUnits.bottom);
    // After the dialog: the owner is enabled, active and has the focus; the dialog is gone.
    EXPECT_TRUE(IsWindowEnabled(g_owner));
    EXPECT_EQ(GetActiveWindow(), g_owner);
    EXPECT_EQ(GetFocus(), g_owner);
    EXPECT_FALSE(IsWindow(firstEdit));
    EXPECT_TRUE(NothingOfTheDialogLeft());
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
    g_whenUp = [&](HWND dialog) {
        focused = FocusedId();
        selection = Selection(GetDlgItem(dialog, kFirstEdit));
        EndDialog(dialog, 1);
    };
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

// A dialog ended during WM_INITDIALOG is never shown, whatever the template says.
class EndedDuringInitTest : public DialogTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(EndedDuringInitTest, EndDialogDuringInitDialogReturnsItsResultAndTheDialogIsNeverShown) {
    if (GetParam() & WS_VISIBLE)
        SKIP_UNDER_WINE(
            "[?] Wine shows a dialog whose template has WS_VISIBLE once WM_INITDIALOG returns, even when "
            "it ended there; not checked against Windows");
    ShowOwner();
    g_onInit = [](HWND dialog) {
        EndDialog(dialog, 7);
        return TRUE;
    };
    TemplateBuilder t = TwoEdits(false, WS_POPUP | DS_CENTER | GetParam());
    EXPECT_EQ(Run(t.Build()), 7);
    for (const Seen &s : SeenOf(WM_SHOWWINDOW))
        EXPECT_EQ(s.wParam, 0u) << "shown at some point";
    EXPECT_TRUE(IsWindowEnabled(g_owner));
    EXPECT_EQ(GetActiveWindow(), g_owner);
    EXPECT_TRUE(NothingOfTheDialogLeft());
}

INSTANTIATE_TEST_SUITE_P(TemplateVisibility, EndedDuringInitTest, ::testing::Values(DWORD(0), DWORD(WS_VISIBLE)),
                         [](const ::testing::TestParamInfo<DWORD> &info) {
                             return info.param ? std::string("Visible") : std::string("Hidden");
                         });

TemplateBuilder WithAnUnknownClass(DWORD extraStyle = 0) {
    TemplateBuilder t(WS_POPUP | DS_CENTER | extraStyle, 60, 20, false);
    t.Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 40, 8, 5, 0, TEXT("NoSuchControl"), TEXT("")});
    return t;
}

TEST_F(DialogTest, AnUnknownControlClassOrAnInvalidOwnerFailsWithMinusOne) {
    EXPECT_EQ(Run(WithAnUnknownClass().Build()), -1);
    EXPECT_TRUE(SeenOf(WM_INITDIALOG).empty());
    EXPECT_TRUE(IsWindowEnabled(g_owner)) << "the owner comes back as it was";
    EXPECT_TRUE(NothingOfTheDialogLeft());

    g_seen.clear();
    EXPECT_EQ(Run(TwoEdits(false).Build(), 0, (HWND)0x7777770), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(g_seen.empty());
}

TEST_F(DialogTest, ANullTemplateFailsWithMinusOne) {
    EXPECT_EQ(DialogBoxIndirectParamW(test_platform::Instance(), nullptr, g_owner, RecordingDialogProc, 0), -1);
    EXPECT_TRUE(g_seen.empty());
}

TEST_F(DialogTest, AnUnknownControlClassIsTheErrorOfTheFailure) {
    SKIP_UNDER_WINE("Wine leaves the last error at 0; Windows 10 (21H1 on) sets ERROR_CANNOT_FIND_WND_CLASS");
    SetLastError(0);
    EXPECT_EQ(Run(WithAnUnknownClass().Build()), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(DialogTest, NoFailCreateKeepsTheDialogWithoutTheControlThatCouldNotBeMade) {
    TemplateBuilder t = WithAnUnknownClass(DS_NOFAILCREATE);
    t.Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 40, 8, 6, kEditClass, TEXT(""), TEXT("")});
    HWND edit = nullptr;
    g_onInit = [&](HWND dialog) {
        edit = GetDlgItem(dialog, 6);
        return TRUE;
    };
    g_whenUp = [](HWND dialog) { EndDialog(dialog, 3); };
    EXPECT_EQ(Run(t.Build()), 3);
    EXPECT_NE(edit, nullptr);
    ASSERT_EQ(SeenOf(WM_INITDIALOG).size(), 1u);
    EXPECT_EQ((HWND)SeenOf(WM_INITDIALOG)[0].wParam, edit);
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
    g_whenUp = [&](HWND dialog) {
        asked = SendMessageW(dialog, kAsk, 0, 0);
        defId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        unhandled = SendMessageW(dialog, WM_USER + 51, 0, 0);
        stored = (DLGPROC)GetWindowLongPtrW(dialog, DWLP_DLGPROC);
        EndDialog(dialog, 1);
    };
    EXPECT_EQ(Run(TwoEdits(false).Build()), 1);
    EXPECT_EQ(asked, 1234);
    EXPECT_EQ(defId, (LRESULT)0x534B0001);
    EXPECT_EQ(unhandled, 0);
    EXPECT_EQ(stored, &RecordingDialogProc);
}

// ---------------------------------------------------------------------------------------------------
// Keys (Win32: Q18)
// ---------------------------------------------------------------------------------------------------

TEST_F(DialogTest, TabAndShiftTabMoveBetweenTabStopsAndSelectTheEditReached) {
    std::vector<WORD> visited;
    std::pair<DWORD, DWORD> secondSelection;
    g_whenUp = [&](HWND dialog) {
        visited.push_back(FocusedId());
        Press(dialog, VK_TAB);
        visited.push_back(FocusedId());
        secondSelection = Selection(GetFocus());
        Press(dialog, VK_TAB);
        visited.push_back(FocusedId());
        test_platform::HoldKey(VK_SHIFT, true);
        Press(dialog, VK_TAB);
        test_platform::HoldKey(VK_SHIFT, false);
        visited.push_back(FocusedId());
        EndDialog(dialog, 1);
    };
    EXPECT_EQ(Run(TwoEdits(false).Build()), 1);
    EXPECT_EQ(visited, (std::vector<WORD>{kFirstEdit, kSecondEdit, kFirstEdit, kSecondEdit}))
        << "the label is no tab stop; the order wraps both ways";
    EXPECT_EQ(secondSelection, (std::pair<DWORD, DWORD>{0, 3}));
    for (const Seen &s : SeenOf(WM_COMMAND))
        EXPECT_NE(HIWORD(s.wParam), 0) << "Tab sends no button command, only the edits' news";
}

// On the phone Up and Down move between the controls where the focused one has no use for them.
TEST_F(DialogTest, UpAndDownLeaveASingleLineEditForTheNextTabStopOnThePhone) {
    SKIP_ON_DESKTOP_WINDOWS("on the desktop the arrows stay in a single-line edit");
    std::vector<WORD> visited;
    g_whenUp = [&](HWND dialog) {
        for (int vk : {VK_DOWN, VK_DOWN, VK_UP}) {
            Press(dialog, vk);
            visited.push_back(FocusedId());
        }
        EndDialog(dialog, 1);
    };
    EXPECT_EQ(Run(TwoEdits(false).Build()), 1);
    EXPECT_EQ(visited, (std::vector<WORD>{kSecondEdit, kFirstEdit, kSecondEdit}));
}

TEST_F(DialogTest, EnterAsksForTheDefaultIdAndSendsIdOkAndEscSendsIdCancel) {
    WString typed;
    g_whenUp = [&](HWND dialog) {
        Press(dialog, 'Z', TEXT('z'));
        Press(dialog, VK_RETURN, TEXT('\r'));
        Press(dialog, VK_ESCAPE, 0x1B);
        typed = TextOf(GetFocus());
        EndDialog(dialog, 1);
    };
    EXPECT_EQ(Run(TwoEdits(false).Build()), 1);
    EXPECT_EQ(typed, TEXT("z")) << "typing replaced the selected text; Enter and Esc typed nothing";
    std::vector<Seen> buttons;
    for (const Seen &s : g_seen)
        if (s.message == WM_COMMAND && HIWORD(s.wParam) == 0 && s.lParam == 0) buttons.push_back(s);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].wParam, (WPARAM)IDOK);
    EXPECT_EQ(buttons[1].wParam, (WPARAM)IDCANCEL);
    EXPECT_EQ(SeenOf(DM_GETDEFID).size(), 1u) << "Enter asked for the default id once";
}

// A multiline edit that wants Enter (ES_WANTRETURN) breaks the line, and keeps the arrows.
// Without ES_WANTRETURN, Enter in a multiline edit is the default button's: with none, nothing happens.
TEST_F(DialogTest, AMultilineEditWithoutWantReturnLeavesEnterToTheDialog) {
    TemplateBuilder t(WS_POPUP | DS_CENTER, 98, 40, false);
    t.Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, 0, 0, 97, 24, 20, kEditClass, TEXT(""), TEXT("ab")})
        .Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 26, 97, 12, 21, kEditClass, TEXT(""), TEXT("")});
    WString text;
    WORD focused = 0;
    g_whenUp = [&](HWND dialog) {
        Press(dialog, VK_RETURN, TEXT('\r'));
        focused = FocusedId();
        text = TextOf(GetDlgItem(dialog, 20));
        EndDialog(dialog, 1);
    };
    EXPECT_EQ(Run(t.Build()), 1);
    EXPECT_EQ(focused, 20);
    EXPECT_EQ(text, TEXT("ab")) << "Enter broke the line";
}

TEST_F(DialogTest, AMultilineEditKeepsEnterAndTheArrows) {
    TemplateBuilder t(WS_POPUP | DS_CENTER, 98, 40, false);
    t.Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN, 0, 0, 97, 24, 20, kEditClass, TEXT(""),
            TEXT("ab")})
        .Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 26, 97, 12, 21, kEditClass, TEXT(""), TEXT("")});
    WString text;
    WORD focused = 0;
    g_whenUp = [&](HWND dialog) {
        Press(dialog, VK_RETURN, TEXT('\r'));
        Press(dialog, VK_UP);
        focused = FocusedId();
        text = TextOf(GetFocus());
        EndDialog(dialog, 1);
    };
    EXPECT_EQ(Run(t.Build()), 1);
    EXPECT_EQ(focused, 20);
    EXPECT_EQ(text, TEXT("\r\n")) << "Enter broke the line in place of the selected text";
    for (const Seen &s : SeenOf(WM_COMMAND))
        EXPECT_NE(HIWORD(s.wParam), 0) << "no button command";
}

}  // namespace
