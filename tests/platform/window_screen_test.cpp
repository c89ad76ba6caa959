// What windows, message boxes, the soft-key bar and popup menus show on the screen of cells, and how they
// answer a person's keys, driven through the headless screen. How windows and messages behave as Win32
// does is in tests/shared/window_message_test.cpp.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "tests/platform/res_builder.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"
#include "platform/posix/windowing/window.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Recorded> g_log;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT && message != WM_GETTEXT && message != WM_GETTEXTLENGTH)
        g_log.push_back({hwnd, message, wParam, lParam});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<Recorded> Of(UINT message) {
    std::vector<Recorded> out;
    for (const Recorded &r : g_log)
        if (r.message == message) out.push_back(r);
    return out;
}

const HINSTANCE kInstance = (HINSTANCE)0x400000;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        g_log.clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = u"Recorder";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
    }
    void TearDown() override {
        EXPECT_EQ(screen.Failure(), "");
        posix::ResetPlatform();
    }
    HWND TopLevel(DWORD style = WS_VISIBLE) {
        return CreateWindowExW(0, u"Recorder", u"Top", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
    }
    HWND Child(HWND parent, int id) {
        return CreateWindowExW(0, u"Recorder", u"", WS_CHILD | WS_VISIBLE, 0, 0, 80, 32, parent, (HMENU)(UINT_PTR)id,
                               kInstance, nullptr);
    }
    // Runs a message loop until the script is used up.
    void Loop() {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    posix::HeadlessScreen screen{40, 12};
};

TEST_F(WindowTest, DefaultTopLevelFillsTheScreenBetweenTitleAndSoftKeys) {
    HWND top = TopLevel();
    RECT r;
    ASSERT_TRUE(GetClientRect(top, &r));
    EXPECT_EQ(r.right, 40 * 8);
    EXPECT_EQ(r.bottom, 10 * 16);
}

// ---------------------------------------------------------------------------------------------------
// Message boxes
// ---------------------------------------------------------------------------------------------------

struct BoxCase {
    UINT type;
    int key;
    int expected;
};

TEST_F(WindowTest, MessageBoxAnswersBySoftKeysEnterAndBack) {
    HWND top = TopLevel();
    const BoxCase cases[] = {
        {MB_YESNO, VK_TSOFT1, IDYES}, {MB_YESNO, VK_TSOFT2, IDNO},        {MB_YESNO, VK_RETURN, IDYES},
        {MB_YESNO, VK_TBACK, IDNO},   {MB_OK, VK_TSOFT1, IDOK},           {MB_OK, VK_TBACK, IDOK},
        {MB_OK, VK_RETURN, IDOK},     {MB_OKCANCEL, VK_TSOFT2, IDCANCEL},
    };
    for (const BoxCase &c : cases) {
        std::string shown;
        screen.Then([&] { shown = screen.Text(); }).Key(c.key);
        EXPECT_EQ(MessageBoxW(top, u"Line one\nLine two", u"Caption", c.type), c.expected) << c.type << " " << c.key;
        EXPECT_NE(shown.find("Caption"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Line two"), std::string::npos) << shown;
    }
}

TEST_F(WindowTest, MessageBoxShowsItsAnswersOnTheSoftKeyRow) {
    HWND top = TopLevel();
    std::string row;
    screen.Then([&] { row = screen.Row(11); }).Key(VK_TSOFT2);
    MessageBoxW(top, u"Sure?", u"Warning", MB_YESNO);
    EXPECT_EQ(row.rfind(" Yes ", 0), 0u) << row;
    EXPECT_EQ(row.substr(row.size() - 4), " No ") << row;
}

TEST_F(WindowTest, AMessageBoxTakesEveryRowBetweenTitleAndSoftKeysBeforeCuttingItsText) {
    // Twelve rows: the title, ten for the box (its frame and eight lines of text), the soft keys.
    HWND top = TopLevel();
    std::string shown, softKeys;
    screen
        .Then([&] {
            shown = screen.Text();
            softKeys = screen.Row(11);
        })
        .Key(VK_RETURN);
    MessageBoxW(top, u"one\ntwo\nthree\nfour\nfive\nsix\nseven\neight\nnine", u"Caption", MB_YESNO);
    for (const char *line : {"Caption", "one", "two", "three", "four", "five", "six", "seven", "eight"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
    EXPECT_EQ(shown.find("nine"), std::string::npos) << shown;
    EXPECT_EQ(softKeys.rfind(" Yes ", 0), 0u) << softKeys;
}

TEST_F(WindowTest, AMessageBoxWrapsWideCharactersByTheColumnsTheyTake) {
    HWND top = TopLevel();
    std::string shown;
    screen.Then([&] { shown = screen.Text(); }).Key(VK_RETURN);
    MessageBoxW(top, std::u16string(30, u'\u4E00').c_str(), u"\u4E2D\u6587", MB_OK);
    size_t count = 0;
    for (size_t at = shown.find("\u4E00"); at != std::string::npos; at = shown.find("\u4E00", at + 1))
        ++count;
    EXPECT_EQ(count, 30u) << "every character shows, none cut by the frame\n" << shown;
    EXPECT_NE(shown.find("\u4E2D\u6587"), std::string::npos) << shown;
}

TEST_F(WindowTest, AScriptThatRunsDryInsideAMessageBoxFailsInsteadOfHanging) {
    HWND top = TopLevel();
    posix::HeadlessScreen dry(40, 12);
    int answer = MessageBoxW(top, u"Waiting", u"Warning", MB_YESNO);
    EXPECT_EQ(answer, IDNO);
    EXPECT_NE(dry.Failure().find("ran out while a modal loop was waiting"), std::string::npos);
    EXPECT_NE(dry.Failure().find("Waiting"), std::string::npos) << "the failure shows the screen";
    posix::SetFrontEnd(&screen);
}

TEST_F(WindowTest, ControlCharactersInTextAreNeverWrittenRaw) {
    HWND top = TopLevel();
    std::string shown;
    screen.Then([&] { shown = screen.Text(); }).Key(VK_RETURN);
    MessageBoxW(top, u"bell\a esc\x1b end", u"Odd", MB_OK);
    EXPECT_EQ(shown.find('\a'), std::string::npos);
    EXPECT_EQ(shown.find('\x1b'), std::string::npos);
    EXPECT_NE(shown.find("end"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------------
// The soft-key bar and popup menus
// ---------------------------------------------------------------------------------------------------

constexpr uint16_t kBar = 200;
constexpr uint16_t kLeftCommand = 300, kRightCommand = 301, kOpen = 310, kGreyed = 311, kSub = 312, kLast = 313;

class SoftKeyBarTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Menu 200: "Left" and a popup "Menu" holding Open, a greyed item, a separator, a submenu and Last.
        res.Add(4, kBar,
                ResBuilder::Menu({{0, kLeftCommand, u"Left"},
                                  {0x10 | 0x80, 0, u"Menu"},
                                  {0, kOpen, u"&Open"},
                                  {0x01, kGreyed, u"Greyed"},
                                  {0x800, 0, u""},
                                  {0x10, 0, u"Sub"},
                                  {0x80, kSub, u"Inner"},
                                  {0x80, kLast, u"Last"}}));
        // Strings 208 and 209 are the labels: block 14 holds 208 to 223.
        res.Add(6, 14, ResBuilder::StringBlock({u"Left", u"Menu"}));
        res.Add(10, kBar,
                ResBuilder::Words(
                    {kBar, 2, 0xFFFE, kLeftCommand, 4, 16, 208, 0, 0xFFFF, 0xFFFE, kRightCommand, 4, 24, 209, 0, 1}));
        posix::SetResourceImage(posix::ResourceImage{res.Bytes().data(), res.Bytes().size()});
        top = TopLevel();
        SHMENUBARINFO info{};
        info.cbSize = sizeof(info);
        info.hwndParent = top;
        info.nToolBarId = kBar;
        info.hInstRes = GetModuleHandleW(nullptr);
        ASSERT_TRUE(SHCreateMenuBar(&info));
        bar = info.hwndMB;
        g_log.clear();
    }
    ResBuilder res;
    HWND top = nullptr;
    HWND bar = nullptr;
};

TEST_F(SoftKeyBarTest, LabelsShowOnTheBottomRowAndTheLeftKeySendsItsCommand) {
    screen.Key(VK_TSOFT1);
    Loop();
    std::string row = screen.Row(11);
    EXPECT_EQ(row.rfind(" Left ", 0), 0u) << row;
    EXPECT_EQ(row.substr(row.size() - 6), " Menu ") << row;
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kLeftCommand);
}

// Cell attributes of the left soft key's label: bold and underlined while the key is held.
bool LeftLabelShowsHeld(const posix::CellGrid &grid) {
    const posix::Cell &cell = grid.At(1, grid.Rows() - 1);
    return (cell.attr & posix::kAttrBold) && (cell.attr & posix::kAttrUnderline);
}

// A terminal reports no releases: a left soft key pressed in one window must not stay down once another
// window is in front, or the next arrow there would act as if it were held.
TEST_F(SoftKeyBarTest, ASoftKeyHeldInAWindowIsLetGoWhenAnotherComesToTheFront) {
    HWND other = TopLevel();
    SetActiveWindow(top);
    bool heldInTop = false, labelHeld = false, heldAfter = true, controlAfter = false;
    screen.Press(VK_CONTROL).Press(VK_TSOFT1).Then([&] {
        heldInTop = GetAsyncKeyState(VK_TSOFT1) & 0x8000;
        labelHeld = LeftLabelShowsHeld(screen.Screen());
        SetActiveWindow(other);
    });
    screen.Then([&] {
        heldAfter = GetAsyncKeyState(VK_TSOFT1) & 0x8000;
        controlAfter = GetAsyncKeyState(VK_CONTROL) & 0x8000;
        SetActiveWindow(top);
    });
    screen.Key(VK_RIGHT).Release(VK_CONTROL);
    Loop();
    EXPECT_TRUE(heldInTop);
    EXPECT_TRUE(labelHeld);
    EXPECT_FALSE(heldAfter);
    EXPECT_FALSE(GetAsyncKeyState(VK_TSOFT1) & 0x8000) << "not even with its window in front again";
    EXPECT_FALSE(LeftLabelShowsHeld(screen.Screen()));
    EXPECT_TRUE(controlAfter) << "other keys are the whole system's and stay down";
}

TEST_F(SoftKeyBarTest, ASoftKeyPressedInAMessageBoxIsNotHeldOnceTheBoxHasGone) {
    screen.Press(VK_TSOFT1);  // answers the box as it goes down; its release comes later
    EXPECT_EQ(MessageBoxW(top, u"Text", u"Caption", MB_OK), IDOK);
    EXPECT_EQ(GetAsyncKeyState(VK_TSOFT1) & 0x8000, 0);
    screen.Release(VK_TSOFT1);
    Loop();
    EXPECT_TRUE(Of(WM_COMMAND).empty()) << "the late release presses nothing";
    EXPECT_EQ(GetAsyncKeyState(VK_TSOFT1) & 0x8000, 0);
}

TEST_F(SoftKeyBarTest, TheDropDownButtonCarriesItsPopupAndOpensIt) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_LPARAM;
    ASSERT_GE(SendMessageW(bar, TB_GETBUTTONINFOW, kRightCommand, (LPARAM)&info), 0);
    HMENU popup = (HMENU)info.lParam;
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 0), kOpen);
    std::string open;
    screen.Key(VK_TSOFT2).Then([&] { open = screen.Text(); }).Key(VK_RETURN);
    Loop();
    EXPECT_NE(open.find("1  Open"), std::string::npos) << open;
    EXPECT_NE(open.find("2  Greyed"), std::string::npos) << open;
    EXPECT_NE(open.find("3  Sub"), std::string::npos) << "separators take no number\n" << open;
    ASSERT_EQ(Of(WM_INITMENUPOPUP).size(), 1u);
    EXPECT_EQ((HMENU)Of(WM_INITMENUPOPUP)[0].wParam, popup);
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kOpen);
}

TEST_F(SoftKeyBarTest, MenuArrowsWrapAndSkipGreyedItemsAndSeparators) {
    // From Open, Down skips the greyed item and the separator to Sub; Up from Open wraps to Last.
    screen.Key(VK_TSOFT2).Key(VK_DOWN).Key(VK_DOWN).Key(VK_RETURN);
    Loop();
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kLast);
    g_log.clear();
    screen.Key(VK_TSOFT2).Key(VK_UP).Key(VK_TSOFT1);
    Loop();
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kLast);
}

TEST_F(SoftKeyBarTest, DigitsChooseAndGreyedItemsCannotBeChosen) {
    screen.Key(VK_TSOFT2).Key('2', u'2').Key('3', u'3').Key('1', u'1');
    Loop();
    ASSERT_EQ(Of(WM_INITMENUPOPUP).size(), 2u) << "the submenu is announced as it opens";
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kSub);
}

TEST_F(SoftKeyBarTest, BackClosesOneLevelAndTheRightSoftKeyClosesAll) {
    screen.Key(VK_TSOFT2).Key('3', u'3').Key(VK_TBACK).Key('1', u'1');
    Loop();
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kOpen);
    g_log.clear();
    std::string after;
    screen.Key(VK_TSOFT2).Key('3', u'3').Key(VK_TSOFT2).Then([&] { after = screen.Text(); });
    Loop();
    EXPECT_TRUE(Of(WM_COMMAND).empty());
    EXPECT_EQ(after.find("Open"), std::string::npos) << after;
}

// The highlighted cells between the title row and the soft-key row, as text ('?' for what is not ASCII).
std::string Highlighted(const posix::CellGrid &grid) {
    std::string out;
    for (int r = 1; r + 1 < grid.Rows(); ++r)
        for (int c = 0; c < grid.Cols(); ++c) {
            const posix::Cell &cell = grid.At(c, r);
            if ((cell.attr & posix::kAttrReverse) && !cell.wideTail) out += cell.ch < 0x80 ? char(cell.ch) : '?';
        }
    return out;
}

HMENU DropDownPopup(HWND bar) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_LPARAM;
    SendMessageW(bar, TB_GETBUTTONINFOW, kRightCommand, (LPARAM)&info);
    return (HMENU)info.lParam;
}

TEST_F(SoftKeyBarTest, ASubmenuAddedWhileTheMenuIsOpenShowsAtOnceAndOpens) {
    constexpr UINT kFresh = 320;
    HMENU popup = DropDownPopup(bar);
    ASSERT_NE(popup, nullptr);
    std::string before, after;
    screen.Key(VK_TSOFT2).Then([&] {
        before = screen.Text();
        HMENU added = CreatePopupMenu();
        AppendMenuW(added, MF_STRING, kFresh, u"Fresh");
        InsertMenuW(popup, UINT(-1), MF_BYPOSITION | MF_POPUP, (UINT_PTR)added, u"Added");
        DrawMenuBar(top);
    });
    // A letter does nothing in a menu; the screen is drawn again before a key is taken.
    screen.Key('Z', u'z').Then([&] { after = screen.Text(); }).Key('5', u'5').Key('1', u'1');
    Loop();
    EXPECT_EQ(before.find("Added"), std::string::npos) << before;
    EXPECT_NE(after.find("5  Added"), std::string::npos) << after;
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kFresh);
}

TEST_F(SoftKeyBarTest, AnOpenSubmenuThatIsDeletedClosesAndTheMenuBelowGoesOn) {
    HMENU popup = DropDownPopup(bar);
    ASSERT_NE(popup, nullptr);
    std::string shown, lit;
    screen.Key(VK_TSOFT2).Key('3', u'3').Then([&] {
        DeleteMenu(popup, 3, MF_BYPOSITION);  // "Sub", open on screen, and its submenu with it
        DeleteMenu(popup, kGreyed, MF_BYCOMMAND);
    });
    screen.Key('Z', u'z').Then([&] {
        shown = screen.Text();
        lit = Highlighted(screen.Screen());
    });
    screen.Key(VK_RETURN);
    Loop();
    EXPECT_EQ(shown.find("Inner"), std::string::npos) << shown;
    EXPECT_NE(shown.find("2  Last"), std::string::npos) << shown;
    // The highlight was on Sub, which is gone; it moved on to the next item, Last.
    EXPECT_NE(lit.find("Last"), std::string::npos) << lit;
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kLast);
}

TEST_F(SoftKeyBarTest, AMenuTallerThanTheScreenScrollsToItsHighlightAndLeavesTheSoftKeysAlone) {
    // Six rows leave four for the box: its frame and two of the five lines.
    posix::HeadlessScreen small(40, 6);
    std::vector<std::string> highlighted, boxBottom, softKeys;
    auto look = [&] {
        highlighted.push_back(Highlighted(small.Screen()));
        boxBottom.push_back(small.Row(4));
        softKeys.push_back(small.Row(5));
    };
    small.Key(VK_TSOFT2).Then(look).Key(VK_DOWN).Then(look).Key(VK_DOWN).Then(look).Key(VK_DOWN).Then(look);
    small.Key(VK_RETURN);
    Loop();
    posix::SetFrontEnd(&screen);
    const char *expected[] = {"1  Open", "3  Sub", "4  Last", "1  Open"};  // Down wraps from Last to Open
    ASSERT_EQ(highlighted.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NE(highlighted[i].find(expected[i]), std::string::npos) << i << ": " << highlighted[i];
        EXPECT_NE(boxBottom[i].find("\u2518"), std::string::npos) << i << ": " << boxBottom[i];
        EXPECT_EQ(softKeys[i].rfind(" Select ", 0), 0u) << i << ": " << softKeys[i];
        EXPECT_EQ(softKeys[i].substr(softKeys[i].size() - 8), " Cancel ") << i << ": " << softKeys[i];
    }
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kOpen);
}

TEST_F(SoftKeyBarTest, MenusAndMessageBoxesOnTinyScreensStayInsideAndStillWork) {
    struct Size {
        int cols, rows;
    };
    for (Size size : {Size{12, 3}, Size{1, 1}, Size{2, 2}, Size{5, 4}, Size{12, 5}, Size{3, 12}}) {
        SCOPED_TRACE(std::to_string(size.cols) + "x" + std::to_string(size.rows));
        posix::HeadlessScreen tiny(size.cols, size.rows);
        std::string menuRow, subRow, boxRow;
        tiny.Key(VK_TSOFT2).Then([&] { menuRow = tiny.Row(1); }).Key('3', u'3');
        tiny.Then([&] { subRow = tiny.Row(1); }).Key(VK_RETURN);
        g_log.clear();
        Loop();
        ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
        EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kSub);
        tiny.Then([&] { boxRow = tiny.Row(1); }).Key(VK_TSOFT2);
        EXPECT_EQ(MessageBoxW(top, u"Discard the changes?", u"Warning", MB_YESNO), IDNO);
        EXPECT_EQ(tiny.Failure(), "");
        EXPECT_EQ(tiny.Screen().Rows(), size.rows);
        if (size.cols == 12 && size.rows == 3) {
            // One row between the title and the soft keys: the highlighted item, the box's first line.
            EXPECT_NE(menuRow.find("1  Open"), std::string::npos) << menuRow;
            EXPECT_NE(subRow.find("1  Inner"), std::string::npos) << subRow;
            EXPECT_NE(boxRow.find("Discard"), std::string::npos) << boxRow;
        }
    }
    posix::SetFrontEnd(&screen);
}

TEST_F(SoftKeyBarTest, OverriddenKeysArriveAsHotKeysOnPressAndRelease) {
    SendMessageW(bar, SHCMBM_OVERRIDEKEY, VK_TSOFT1,
                 MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));
    SendMessageW(bar, SHCMBM_OVERRIDEKEY, VK_TBACK,
                 MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));
    screen.Key(VK_TSOFT1).Key(VK_TBACK);
    Loop();
    EXPECT_TRUE(Of(WM_COMMAND).empty()) << "the left soft key's command never arrives";
    std::vector<Recorded> hot = Of(WM_HOTKEY);
    ASSERT_EQ(hot.size(), 4u);
    EXPECT_EQ(HIWORD(hot[0].lParam), VK_TSOFT1);
    EXPECT_EQ(LOWORD(hot[0].lParam) & MOD_KEYUP, 0);
    EXPECT_EQ(HIWORD(hot[1].lParam), VK_TSOFT1);
    EXPECT_EQ(LOWORD(hot[1].lParam) & MOD_KEYUP, MOD_KEYUP);
    EXPECT_EQ(HIWORD(hot[2].lParam), VK_TBACK);
    for (const Recorded &r : hot)
        EXPECT_EQ(r.hwnd, top);
}

TEST_F(SoftKeyBarTest, SetButtonInfoChangesLabelAndCommand) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT | TBIF_COMMAND;
    info.idCommand = 999;
    WCHAR label[] = u"Save";
    info.pszText = label;
    ASSERT_TRUE(SendMessageW(bar, TB_SETBUTTONINFOW, kLeftCommand, (LPARAM)&info));
    screen.Key(VK_TSOFT1);
    Loop();
    EXPECT_EQ(screen.Row(11).rfind(" Save ", 0), 0u);
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), 999);
}

TEST_F(SoftKeyBarTest, BackSentToTheFocusDeletesAsBackspaceWould) {
    HWND child = Child(top, 5);
    SetFocus(child);
    g_log.clear();
    SHSendBackToFocusWindow(WM_HOTKEY, 0, MAKELPARAM(0, VK_TBACK));
    ASSERT_EQ(Of(WM_CHAR).size(), 1u);
    EXPECT_EQ(Of(WM_CHAR)[0].hwnd, child);
    EXPECT_EQ(Of(WM_CHAR)[0].wParam, (WPARAM)VK_BACK);
}

// ---------------------------------------------------------------------------------------------------
// The screen
// ---------------------------------------------------------------------------------------------------

TEST_F(WindowTest, TitleRowShowsTheActiveWindowAndABusyMarkWhileWaiting) {
    HWND top = TopLevel();
    SetWindowTextW(top, u"Hello");
    std::string busy;
    screen.Then([&] {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        busy = screen.Row(0);
        SetCursor(nullptr);
    });
    Loop();
    EXPECT_EQ(screen.Row(0).rfind(" Hello", 0), 0u);
    EXPECT_EQ(screen.Row(0).find("busy"), std::string::npos);
    EXPECT_NE(busy.find("busy"), std::string::npos) << busy;
}

// Sets the process's locale, as a front end does, and puts the one before back.
class ScopedLocale {
public:
    explicit ScopedLocale(const char *name) : previous_(std::setlocale(LC_ALL, nullptr)) {
        set_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    bool Set() const { return set_; }

private:
    std::string previous_;
    bool set_ = false;
};

std::u16string Utf16(char32_t ch) {
    if (ch < 0x10000) return std::u16string(1, char16_t(ch));
    return {char16_t(0xD800 + ((ch - 0x10000) >> 10)), char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF))};
}

TEST_F(WindowTest, ALongTitleGivesUpItsBeginningSoThatItsEndStaysInSight) {
    HWND top = TopLevel();
    posix::CellGrid grid(40, 2);
    const std::string title = "Editor - a rather long name for a file.txt *";
    SetWindowTextW(top, std::u16string(title.begin(), title.end()).c_str());
    posix::RenderScreen(grid);
    // 39 columns after the first: the dots, then as much of the end as fits.
    EXPECT_EQ(grid.RowText(0), " ..." + title.substr(title.size() - 36));
    {
        ScopedLocale utf8("C.UTF-8");
        ASSERT_TRUE(utf8.Set());
        posix::RenderScreen(grid);
        EXPECT_EQ(grid.RowText(0), " \u2026" + title.substr(title.size() - 38));
    }
    // A wide character that would be cut in half at the start is left out, its column blank.
    SetWindowTextW(top, (std::u16string(20, u'\u4E00') + u" *!").c_str());
    posix::RenderScreen(grid);
    std::string wide;
    for (int i = 0; i < 16; ++i)
        wide += "\u4E00";
    EXPECT_EQ(grid.RowText(0), " ... " + wide + " *!");
    // A title that fits is shown whole.
    SetWindowTextW(top, u"Short *");
    posix::RenderScreen(grid);
    EXPECT_EQ(grid.RowText(0), " Short *" + std::string(32, ' '));
}

TEST(CellGridTest, EmojiAndOtherWideCharactersTakeTwoCellsWhateverTheLocale) {
    const char32_t wide[] = {0x4E00,  0xAC00,  0x2614,  0x26A1,  0x2705, 0x274C,
                             0x1F300, 0x1F600, 0x1F680, 0x1F97A, 0x1FA70};
    const char32_t narrow[] = {0xE9, 0x2600, 0x2192, 0x1D400};
    for (const char *locale : {"C", "C.UTF-8"}) {
        ScopedLocale scoped(locale);
        ASSERT_TRUE(scoped.Set()) << locale;
        for (char32_t ch : wide) {
            posix::CellGrid grid(6, 1);
            EXPECT_EQ(grid.Put(0, 0, Utf16(ch) + u"x", posix::kAttrNone), 3)
                << locale << " " << std::hex << uint32_t(ch);
            EXPECT_EQ(grid.At(0, 0).ch, ch) << "a surrogate pair is one character";
            EXPECT_TRUE(grid.At(1, 0).wideTail);
            EXPECT_EQ(grid.At(2, 0).ch, U'x');
            EXPECT_EQ(posix::CharColumns(ch), 2);
        }
        for (char32_t ch : narrow) {
            posix::CellGrid grid(6, 1);
            EXPECT_EQ(grid.Put(0, 0, Utf16(ch) + u"x", posix::kAttrNone), 2)
                << locale << " " << std::hex << uint32_t(ch);
            EXPECT_EQ(grid.At(0, 0).ch, ch);
        }
        posix::CellGrid grid(6, 1);
        EXPECT_EQ(grid.Put(0, 0, u"e\u0301x", posix::kAttrNone), 2) << "a combining mark takes no column";
    }
}

TEST(CellGridTest, InvisibleAndUnprintableCharactersShowAsAStandInOfOneColumn) {
    // Direction and format characters, joiners, separators, a tag, a C1 control, non-characters.
    const char32_t invisible[] = {0x200B, 0x200D, 0x200E, 0x200F,  0x202E, 0x2066, 0x2069,  0x2028,
                                  0x2029, 0x2060, 0xFEFF, 0xE0001, 0x85,   0xFFFF, 0x10FFFF};
    for (char32_t ch : invisible) {
        posix::CellGrid grid(4, 1);
        EXPECT_EQ(grid.Put(0, 0, u"a" + Utf16(ch) + u"b", posix::kAttrNone), 3) << std::hex << uint32_t(ch);
        char32_t shown = grid.At(1, 0).ch;
        EXPECT_NE(shown, ch) << std::hex << uint32_t(ch);
        EXPECT_EQ(grid.At(2, 0).ch, U'b') << std::hex << uint32_t(ch);
        EXPECT_EQ(posix::CharColumns(ch), 1) << "measured as it is shown: " << std::hex << uint32_t(ch);
        // The stand-in itself is printable: it is shown as it is.
        posix::CellGrid again(2, 1);
        again.Put(0, 0, Utf16(shown), posix::kAttrNone);
        EXPECT_EQ(again.At(0, 0).ch, shown);
    }
}

TEST(CellGridTest, WideCharactersTakeTwoCellsAndAreCutCleanlyAtTheEdge) {
    posix::CellGrid grid(6, 1);
    grid.Put(0, 0, u"a\u4E00b", posix::kAttrNone);
    EXPECT_EQ(grid.RowText(0), "a\u4E00b  ");
    grid.Put(0, 0, u"abcd\u4E00", posix::kAttrNone, 0, 5);
    EXPECT_EQ(grid.RowText(0), "abcd  ") << "a wide character that does not fit is not half drawn";
    posix::CellGrid tiny(3, 2);
    tiny.Put(-2, 0, u"hello", posix::kAttrNone);
    tiny.Put(0, 5, u"out of sight", posix::kAttrNone);
    EXPECT_EQ(tiny.Text(), "llo\n   \n");
}

TEST_F(WindowTest, ATinyScreenStillRendersWithoutHarm) {
    posix::HeadlessScreen tiny(4, 2);
    HWND top = TopLevel();
    SetWindowTextW(top, u"A long title");
    posix::CellGrid grid(4, 2);
    posix::RenderScreen(grid);
    EXPECT_EQ(grid.RowText(0), " ...") << "too long for any of it to show";
    posix::SetFrontEnd(&screen);
}

}  // namespace
