// What the "edit" control draws: word wrap, tabs, double-width characters, the selection, the caret,
// sideways scrolling and the scroll indicator, compared cell for cell with exact screens.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL;
constexpr DWORD kWrap = kChild | ES_NOHIDESEL;
constexpr DWORD kWrapWithIndicator = kWrap | WS_VSCROLL;
constexpr DWORD kNoWrap = kChild | WS_HSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL;
constexpr DWORD kSingleLine = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;

class EditScreenTest : public ::testing::Test {
protected:
    void SetUp() override { posix::ResetPlatform(); }
    void TearDown() override { Close(); }

    // Destroys the windows, so that the controls free their state, and starts the platform afresh.
    void Close() {
        if (host) DestroyWindow(host);
        host = nullptr;
        posix::ResetPlatform();
    }

    // A screen of cols x rows cells: the title row, the client rows, the soft-key row. The edit fills
    // the client rows of a top-level window.
    HWND Make(int cols, int rows, DWORD style, const std::u16string &text) {
        screen = std::make_unique<posix::HeadlessScreen>(cols, rows);
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"Host";
        wc.hInstance = kInstance;
        RegisterClassW(&wc);
        host = CreateWindowExW(0, u"Host", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               nullptr, nullptr, kInstance, nullptr);
        RECT client{};
        GetClientRect(host, &client);
        HWND edit = CreateWindowExW(0, u"edit", u"", style, 0, 0, client.right, client.bottom, host, (HMENU)1,
                                    kInstance, nullptr);
        SetWindowTextW(edit, text.c_str());
        SetFocus(edit);
        return edit;
    }

    // The client rows as they are drawn now, one line each.
    std::string Client() {
        grid = posix::CellGrid(screen->Cols(), screen->Rows());
        posix::RenderScreen(grid);
        std::string out;
        for (int row = 1; row < grid.Rows() - 1; ++row)
            out += grid.RowText(row) + "\n";
        return out;
    }
    // Which client cells of a row are drawn reversed, as a string of '#' and '.'.
    std::string Reversed(int clientRow) const {
        std::string out;
        for (int col = 0; col < grid.Cols(); ++col)
            out += (grid.At(col, clientRow + 1).attr & posix::kAttrReverse) ? '#' : '.';
        return out;
    }
    // Runs the message loop until the screen's script has run out.
    static void RunScript() {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    static void Key(HWND edit, int vk) { SendMessageW(edit, WM_KEYDOWN, (WPARAM)vk, 1); }
    static void Type(HWND edit, const std::u16string &text) {
        for (char16_t ch : text)
            SendMessageW(edit, WM_CHAR, (WPARAM)ch, 1);
    }
    static void ControlKey(HWND edit, int vk) {
        posix::InputEvent control;
        control.vk = VK_CONTROL;
        posix::DeliverKey(control);
        Key(edit, vk);
        control.down = false;
        posix::DeliverKey(control);
    }

    std::unique_ptr<posix::HeadlessScreen> screen;
    HWND host = nullptr;
    posix::CellGrid grid;
};

// ---------------------------------------------------------------------------------------------------
// Word wrap
// ---------------------------------------------------------------------------------------------------

TEST_F(EditScreenTest, WrapBreaksBetweenWordsAndInsideLongOnes) {
    Make(10, 8, kWrap, u"aaaa bbbb cccccccccccc dd\r\none two three four");
    EXPECT_EQ(Client(),
              "aaaa bbbb \n"
              "cccccccccc\n"
              "cc dd     \n"
              "one two   \n"
              "three four\n"
              "          \n");
}

TEST_F(EditScreenTest, WrapExactFitTakesOneRow) {
    HWND edit = Make(10, 6, kWrap, u"abcdefghij\r\nabcdefghijk");
    EXPECT_EQ(Client(),
              "abcdefghij\n"
              "abcdefghij\n"
              "k         \n"
              "          \n");
    EXPECT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 3);
    // The caret after a full row stays on its last cell rather than leaving the screen.
    SendMessageW(edit, EM_SETSEL, 10, 10);
    Client();
    EXPECT_TRUE(grid.cursorVisible);
    EXPECT_EQ(grid.cursorRow, 1);
    EXPECT_EQ(grid.cursorCol, 9);
}

TEST_F(EditScreenTest, ScreenTooSmallForTheTextShowsWhatFitsAndFollowsTheCaret) {
    HWND edit = Make(10, 6, kWrap, u"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix words here");
    EXPECT_EQ(Client(),
              "one       \n"
              "two       \n"
              "three     \n"
              "four      \n");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "four      \n"
              "five      \n"
              "six words \n"
              "here      \n");
    EXPECT_EQ(grid.cursorRow, 4);
    EXPECT_EQ(grid.cursorCol, 4);
    Key(edit, VK_UP);
    Key(edit, VK_UP);
    Key(edit, VK_UP);
    Key(edit, VK_UP);
    EXPECT_EQ(Client(),
              "three     \n"
              "four      \n"
              "five      \n"
              "six words \n");
}

TEST_F(EditScreenTest, PageKeysShowTheNextAndPreviousScreenful) {
    HWND edit = Make(10, 6, kWrap, u"1\r\n2\r\n3\r\n4\r\n5\r\n6 is long\r\n7\r\n8\r\n9");
    Key(edit, VK_NEXT);
    EXPECT_EQ(Client(),
              "5         \n"
              "6 is long \n"
              "7         \n"
              "8         \n");
    EXPECT_EQ(grid.cursorRow, 1);
    Key(edit, VK_NEXT);  // the last screenful stays full
    EXPECT_EQ(Client(),
              "6 is long \n"
              "7         \n"
              "8         \n"
              "9         \n");
    EXPECT_EQ(grid.cursorRow, 4);
    Key(edit, VK_PRIOR);
    EXPECT_EQ(Client(),
              "2         \n"
              "3         \n"
              "4         \n"
              "5         \n");
    EXPECT_EQ(grid.cursorRow, 4);
}

TEST_F(EditScreenTest, DoubleWidthCharacterThatDoesNotFitStartsTheNextRow) {
    Make(10, 6, kWrap, u"abcdefghi\u4E2Dx \u6587\u5B57");
    EXPECT_EQ(Client(),
              "abcdefghi \n"
              "\u4E2Dx \u6587\u5B57  \n"
              "          \n"
              "          \n");
}

TEST_F(EditScreenTest, ANarrowEditStillPutsOneCharacterOnEachRow) {
    Make(2, 6, kWrap, u"\u4E2D\u6587ab");
    EXPECT_EQ(Client(),
              "\u4E2D\n"
              "\u6587\n"
              "ab\n"
              "  \n");
}

TEST_F(EditScreenTest, TabsReachTheNextMultipleOfEight) {
    Make(10, 6, kWrap, u"a\tb\r\n\tx\r\nabcdefghi\tz");
    EXPECT_EQ(Client(),
              "a       b \n"
              "        x \n"
              "abcdefghi \n"
              "z         \n");
}

// A run of blanks hangs past the edge by one blank; the rest of it falls into rows of its own, so that
// End stays on the row and what is typed in the run shows where it goes.
TEST_F(EditScreenTest, LongRunOfBlanksFallsIntoRows) {
    HWND edit = Make(10, 6, kWrap, u"a" + std::u16string(40, u' ') + u"b");
    EXPECT_EQ(Client(),
              "a         \n"
              "          \n"
              "          \n"
              "        b \n");
    Key(edit, VK_END);  // after the blank that hangs past the edge
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(end, 11u);
    Client();
    EXPECT_EQ(grid.cursorRow, 1);
    EXPECT_EQ(grid.cursorCol, 9);
    SendMessageW(edit, EM_SETSEL, 20, 20);
    Type(edit, u"xy");
    EXPECT_EQ(Client(),
              "a         \n"
              "          \n"
              "xy        \n"
              "          \n");
    EXPECT_EQ(grid.cursorRow, 3);
    EXPECT_EQ(grid.cursorCol, 2);
}

// ---------------------------------------------------------------------------------------------------
// Selection and caret
// ---------------------------------------------------------------------------------------------------

TEST_F(EditScreenTest, SelectionIsReversedAcrossRowsWithTheLineBreak) {
    HWND edit = Make(10, 6, kWrap, u"abc\r\ndef\tg");
    SendMessageW(edit, EM_SETSEL, 1, 7);
    Client();
    EXPECT_EQ(Reversed(0), ".###......");  // "bc" and one cell for the selected line break
    EXPECT_EQ(Reversed(1), "##........");
    SendMessageW(edit, EM_SETSEL, 6, 9);  // "ef" and the tab: the tab's blanks are selected too
    Client();
    EXPECT_EQ(Reversed(1), ".#######..");
}

TEST_F(EditScreenTest, SelectionWithoutFocusShowsOnlyUnderNoHideSel) {
    for (DWORD style : {kWrap, kWrap & ~DWORD(ES_NOHIDESEL)}) {
        HWND edit = Make(10, 6, style, u"abcdef");
        SendMessageW(edit, EM_SETSEL, 0, 3);
        Client();
        EXPECT_EQ(Reversed(0), "###.......");
        SetFocus(nullptr);
        Client();
        EXPECT_EQ(Reversed(0), (style & ES_NOHIDESEL) ? "###......." : "..........");
        EXPECT_FALSE(grid.cursorVisible);
        Close();
    }
}

TEST_F(EditScreenTest, TypingShowsAtTheCaret) {
    HWND edit = Make(10, 6, kWrap, u"");
    screen->Type(u"hello wide world\n!");
    RunScript();
    EXPECT_EQ(Client(),
              "hello wide\n"
              "world     \n"
              "!         \n"
              "          \n");
    EXPECT_EQ(grid.cursorRow, 3);
    EXPECT_EQ(grid.cursorCol, 1);
    EXPECT_EQ(GetWindowTextLengthW(edit), 19);
}

TEST_F(EditScreenTest, WhatGoesInAtTheStartOfTheTopRowShowsThereAndPushesTheRestDown) {
    HWND edit = Make(10, 6, kWrap, u"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix");
    ControlKey(edit, VK_END);
    for (int i = 0; i < 3; ++i)
        Key(edit, VK_UP);
    Key(edit, VK_HOME);
    Type(edit, u"\r");
    EXPECT_EQ(Client(),
              "          \n"
              "three     \n"
              "four      \n"
              "five      \n");
    EXPECT_EQ(grid.cursorRow, 2);
    EXPECT_EQ(grid.cursorCol, 0);
    Key(edit, VK_UP);
    Type(edit, u"x");
    EXPECT_EQ(Client(),
              "x         \n"
              "three     \n"
              "four      \n"
              "five      \n");
}

// ---------------------------------------------------------------------------------------------------
// Without wrap
// ---------------------------------------------------------------------------------------------------

TEST_F(EditScreenTest, LongLinesScrollSidewaysToKeepTheCaretInView) {
    HWND edit = Make(10, 6, kNoWrap, u"0123456789abcdefghij\r\nshort");
    EXPECT_EQ(Client(),
              "0123456789\n"
              "short     \n"
              "          \n"
              "          \n");
    Key(edit, VK_END);
    EXPECT_EQ(Client(),
              "bcdefghij \n"
              "          \n"
              "          \n"
              "          \n");
    EXPECT_EQ(grid.cursorCol, 9);
    Key(edit, VK_DOWN);  // "short" ends left of the view: the view goes back to show what comes before the caret
    EXPECT_EQ(Client(),
              "23456789ab\n"
              "ort       \n"
              "          \n"
              "          \n");
    EXPECT_EQ(grid.cursorRow, 2);
    EXPECT_EQ(grid.cursorCol, 3);
}

TEST_F(EditScreenTest, AViewThatGrowsBackShowsTheLineFromItsStartAgain) {
    HWND edit = Make(10, 6, kNoWrap, u"abcdef\r\nshort");
    Key(edit, VK_RIGHT);
    Key(edit, VK_RIGHT);
    std::string narrow, wide;
    screen->ResizeTo(2, 6).Then([&] { narrow = Client(); }).ResizeTo(10, 6).Then([&] { wide = Client(); });
    RunScript();
    EXPECT_NE(narrow.substr(0, 2), "ab") << "the narrow view followed the caret\n" << narrow;
    EXPECT_EQ(wide,
              "abcdef    \n"
              "short     \n"
              "          \n"
              "          \n");
    EXPECT_EQ(grid.cursorCol, 2);
}

// A caret that leaves the view sideways brings a third of the width with it: going right, the caret lands
// two thirds across (but the view stops where the row's end reaches the last cell); going left, a third
// of the width of text before it shows.
TEST_F(EditScreenTest, CaretLeavingTheViewSidewaysMovesItAThirdOfTheWidth) {
    HWND edit = Make(10, 6, kNoWrap, u"0123456789abcdefghijklmnopqrstuvwxyz");
    SendMessageW(edit, EM_SETSEL, 9, 9);
    Key(edit, VK_RIGHT);
    Client();
    EXPECT_EQ(grid.RowText(1), "3456789abc");
    EXPECT_EQ(grid.cursorCol, 7);
    for (int i = 0; i < 3; ++i)
        Key(edit, VK_RIGHT);
    Client();
    EXPECT_EQ(grid.RowText(1), "6789abcdef");
    EXPECT_EQ(grid.cursorCol, 7);
    Key(edit, VK_END);
    Client();
    EXPECT_EQ(grid.RowText(1), "rstuvwxyz ");
    EXPECT_EQ(grid.cursorCol, 9);
    SendMessageW(edit, EM_SETSEL, 26, 26);  // one column left of the view
    Client();
    EXPECT_EQ(grid.RowText(1), "nopqrstuvw");
    EXPECT_EQ(grid.cursorCol, 3);
    Key(edit, VK_HOME);
    Client();
    EXPECT_EQ(grid.RowText(1), "0123456789");
    EXPECT_EQ(grid.cursorCol, 0);
}

TEST_F(EditScreenTest, ADoubleWidthCharacterAfterTheCaretShowsWhole) {
    HWND edit = Make(11, 6, kNoWrap, u"\u4E2D\u6587\u5B57\u7B26\u6D4B\u8BD5\u5BBD end");
    for (int i = 0; i < 5; ++i)
        Key(edit, VK_RIGHT);  // before the sixth character, which would need cells 10 and 11 of 11
    std::string client = Client();
    std::string firstRow = client.substr(0, client.find('\n'));
    EXPECT_NE(firstRow.find("\u8BD5"), std::string::npos) << client;
    EXPECT_LT(grid.cursorCol, 10);
}

TEST_F(EditScreenTest, DoubleWidthCharacterCutByTheLeftEdgeLeavesABlank) {
    HWND edit = Make(6, 6, kNoWrap, u"\u4E2Dabcdefgh");
    SendMessageW(edit, EM_SETSEL, 4, 4);  // column 5: in view without scrolling
    Client();
    EXPECT_EQ(grid.RowText(1), "\u4E2Dabcd");
    Key(edit, VK_END);  // column 10: the view moves five columns, as far as the end of the row allows
    Client();
    EXPECT_EQ(grid.RowText(1), "defgh ");
    SendMessageW(edit, EM_SETSEL, 2, 2);  // column 3: the view moves back to two columns before it
    Client();
    EXPECT_EQ(grid.RowText(1), " abcde");
    EXPECT_EQ(grid.cursorCol, 2);
}

TEST_F(EditScreenTest, SingleLineShowsLineBreaksAsCharacters) {
    Make(10, 3, kSingleLine, u"a\r\nb\tc");
    EXPECT_EQ(Client(), "a\u240D\u240Ab    c \n");
}

// ---------------------------------------------------------------------------------------------------
// Lines of many thousand characters, measured once and then from checkpoints along them
// ---------------------------------------------------------------------------------------------------

// 3,000 double-width characters (columns 0 to 5999), then 3,000 digits (columns 6000 to 8999).
std::u16string WideThenDigits() {
    std::u16string text;
    for (int i = 0; i < 3000; ++i)
        text += u"\u4E2D";
    for (int i = 0; i < 300; ++i)
        text += u"0123456789";
    return text;
}

// The end of a long line shows where everything before it puts it: double-width characters and tabs make
// each column depend on all the characters before. Edits near the start (before any checkpoint) move the
// end by what they add up to the tab before it; an edit near the end (after them) moves only what follows.
TEST_F(EditScreenTest, EndOfALongLineFollowsEditsBeforeAndAfterItsCheckpoints) {
    std::u16string text = WideThenDigits();  // columns 0 to 8999
    text += u"XY\tEND";
    HWND edit = Make(14, 6, kNoWrap, text);
    const std::string blank = "              \n";
    ControlKey(edit, VK_END);  // the tab takes columns 9002 to 9007: the line ends at 9011
    EXPECT_EQ(Client(), "89XY      END \n" + blank + blank + blank);
    EXPECT_EQ(grid.cursorCol, 13);
    ControlKey(edit, VK_HOME);
    EXPECT_EQ(Client(), "\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\n" + blank + blank + blank);
    Type(edit, u"x");  // one column more before the tab, one column less of tab
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(), "789XY     END \n" + blank + blank + blank);
    ControlKey(edit, VK_HOME);
    Type(edit, u"\u6587");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(), "56789XY   END \n" + blank + blank + blank);
    ControlKey(edit, VK_HOME);
    Type(edit, u"ab");  // the tab is down to one column
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(), "3456789XY END \n" + blank + blank + blank);
    ControlKey(edit, VK_HOME);
    Type(edit, u"\t");  // eight columns more: the tab stays one column wide and the end moves by eight
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(), "3456789XY END \n" + blank + blank + blank);
    EXPECT_EQ(grid.cursorCol, 13);
    for (int i = 0; i < 4; ++i)
        Key(edit, VK_LEFT);
    Type(edit, u"\b");  // Y goes: the tab grows to two columns and what follows stays put
    EXPECT_EQ(Client(), "3456789X  END \n" + blank + blank + blank);
    EXPECT_EQ(grid.cursorCol, 8);
    ControlKey(edit, VK_HOME);
    EXPECT_EQ(Client(), "        ab\u6587x \n" + blank + blank + blank);  // no room for the next wide one
}

// A tab halfway along a long line takes up what is typed before it, up to its width: the end of the line
// stays where it was. What is typed after the tab moves the end.
TEST_F(EditScreenTest, TabHalfwayAlongALongLineTakesUpWhatIsTypedBeforeIt) {
    std::u16string text = WideThenDigits();  // columns 0 to 8999
    text += u"\t";                           // columns 9000 to 9007
    for (int i = 0; i < 300; ++i)
        text += u"0123456789";  // columns 9008 to 12007
    text += u"XY\tEND";
    HWND edit = Make(14, 6, kNoWrap, text);
    const std::string blank = "              \n";
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(), "89XY      END \n" + blank + blank + blank);
    for (const char16_t *typed : {u"x", u"\u6587", u"ab"}) {
        ControlKey(edit, VK_HOME);
        Type(edit, typed);
        ControlKey(edit, VK_END);
        EXPECT_EQ(Client(), "89XY      END \n" + blank + blank + blank);
        EXPECT_EQ(grid.cursorCol, 13);
    }
    SendMessageW(edit, EM_SETSEL, 8000, 8000);
    Type(edit, u"x");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(), "789XY     END \n" + blank + blank + blank);
}

// Wrap cuts a long line of alternating words into rows of two. A character typed at the start changes
// only the first row; a word typed there pairs every later word with another one, to the line's end.
TEST_F(EditScreenTest, LastRowsOfALongWrappedLineFollowEditsBeforeAndAfterItsCheckpoints) {
    std::u16string text;
    for (int i = 0; i < 500; ++i)
        text += u"aaaa bbbb ";
    HWND edit = Make(10, 6, kWrap, text + u"END");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "aaaa bbbb \n"
              "aaaa bbbb \n"
              "aaaa bbbb \n"
              "END       \n");
    EXPECT_EQ(grid.cursorCol, 3);
    ControlKey(edit, VK_HOME);
    Type(edit, u"x");
    EXPECT_EQ(Client(),
              "xaaaa bbbb\n"
              "aaaa bbbb \n"
              "aaaa bbbb \n"
              "aaaa bbbb \n");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "aaaa bbbb \n"
              "aaaa bbbb \n"
              "aaaa bbbb \n"
              "END       \n");
    ControlKey(edit, VK_HOME);
    Key(edit, VK_DELETE);
    Type(edit, u"cccc ");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "bbbb aaaa \n"
              "bbbb aaaa \n"
              "bbbb aaaa \n"
              "bbbb END  \n");
    EXPECT_EQ(grid.cursorCol, 8);
    for (int i = 0; i < 4; ++i)
        Type(edit, u"\b");  // END and the blank before it
    EXPECT_EQ(Client(),
              "bbbb aaaa \n"
              "bbbb aaaa \n"
              "bbbb aaaa \n"
              "bbbb      \n");
    EXPECT_EQ(grid.cursorCol, 4);
    ControlKey(edit, VK_HOME);
    for (int i = 0; i < 5; ++i)
        Key(edit, VK_DELETE);
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "aaaa bbbb \n"
              "aaaa bbbb \n"
              "aaaa bbbb \n"
              "aaaa bbbb \n");
    EXPECT_EQ(grid.cursorCol, 9);
    // A word typed at a row's start in the middle of the line pairs the words after it anew.
    SendMessageW(edit, EM_SETSEL, 2500, 2500);
    Type(edit, u"zzzz ");
    EXPECT_EQ(Client(),
              "zzzz aaaa \n"
              "bbbb aaaa \n"
              "bbbb aaaa \n"
              "bbbb aaaa \n");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "bbbb aaaa \n"
              "bbbb aaaa \n"
              "bbbb aaaa \n"
              "bbbb      \n");
}

// ---------------------------------------------------------------------------------------------------
// The scroll indicator
// ---------------------------------------------------------------------------------------------------

TEST_F(EditScreenTest, ScrollIndicatorNeverFillsTheTrackWhileTextIsHidden) {
    // Five rows of text, four on screen: nearly all of it shows, but not all.
    Make(10, 6, kWrapWithIndicator, std::u16string(36, u'a') + u"\r\nb");
    std::string client = Client();
    EXPECT_NE(client.find("\u2502"), std::string::npos) << client;
}

TEST_F(EditScreenTest, AtTheFullEndOfAWrappedRowTheCaretStandsPastTheLastCharacter) {
    HWND edit = Make(10, 6, kWrapWithIndicator, u"123456789\r\nnext");  // nine text cells and the indicator
    Key(edit, VK_END);
    Client();
    EXPECT_EQ(grid.cursorCol, 9) << "after the 9, not on it";
    Key(edit, VK_LEFT);
    Client();
    EXPECT_EQ(grid.cursorCol, 8);
}

TEST_F(EditScreenTest, ScrollIndicatorShowsWhereTheViewStands) {
    HWND edit = Make(10, 6, kWrapWithIndicator, u"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8");
    EXPECT_EQ(Client(),
              "1        \u2588\n"
              "2        \u2588\n"
              "3        \u2502\n"
              "4        \u2502\n");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "5        \u2502\n"
              "6        \u2502\n"
              "7        \u2588\n"
              "8        \u2588\n");
}

// One line wrapped into many rows: the thumb goes by how far into the text the view starts.
TEST_F(EditScreenTest, ScrollIndicatorFollowsTheViewThroughOneLongWrappedLine) {
    HWND edit = Make(10, 6, kWrapWithIndicator, std::u16string(400, u'x'));  // 45 rows of nine cells
    EXPECT_EQ(Client(),
              "xxxxxxxxx\u2588\n"
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2502\n");
    SendMessageW(edit, EM_SETSEL, 200, 200);  // row 22, at the bottom of the view
    EXPECT_EQ(Client(),
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2588\n"
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2502\n");
    for (int i = 0; i < 3; ++i)
        Key(edit, VK_NEXT);
    EXPECT_EQ(Client(),
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2588\n"
              "xxxxxxxxx\u2502\n");
    ControlKey(edit, VK_END);
    EXPECT_EQ(Client(),
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2502\n"
              "xxxxxxxxx\u2502\n"
              "xxxx     \u2588\n");
}

TEST_F(EditScreenTest, ScrollIndicatorNarrowsTheTextByOneColumn) {
    Make(10, 6, kWrapWithIndicator, u"abcdefghijkl");
    EXPECT_EQ(Client(),
              "abcdefghi\u2502\n"
              "jkl      \u2502\n"
              "         \u2502\n"
              "         \u2502\n");
}

}  // namespace
