// Our edit control where it departs from Win32 on purpose (line breaks at LF and CR, Enter typing the
// text's own break, Up and Down keeping their column, EM_GETSEL packing -1 above 65,535, EM_UNDO with
// nothing to undo), a surrogate pair taken as one character, what follows from its character cells
// (wrapping, pages, positions in pixels), a text there is no memory for, and a paste from the terminal. Its
// Win32 behaviour is in tests/shared/edit_test.cpp.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/keyboard.h"
#include "tests/shared/edit_host.h"
#include "tests/support/allocation_budget.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

static_assert(kColumnWidth == posix::kCellWidth && kRowHeight == posix::kCellHeight);

// ---------------------------------------------------------------------------------------------------
// Undo with nothing to undo
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, UndoWithNothingToUndoChangesAndSendsNothing) {
    HWND edit = Make(kNoWrap, u"abcdef");
    Select(edit, 2, 4);
    EXPECT_EQ(Send(edit, EM_UNDO), FALSE);
    EXPECT_EQ(Received(), Codes{});
    EXPECT_EQ(Text(edit), u"abcdef");
    EXPECT_EQ(Sel(edit), Range(2, 4));
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
}

// ---------------------------------------------------------------------------------------------------
// Enter and line breaks: breaks at LF and lone CR, Enter types the text's own
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, EnterTypesTheTextsOwnFirstLineBreak) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"a\nb\r\nc", u"a\nb\r\nc\n"},
        {u"a\rb\nc", u"a\rb\nc\r"},
        {u"a\r\nb\nc", u"a\r\nb\nc\r\n"},
        {u"abc", u"abc\r\n"},
    };
    HWND edit = Make(kNoWrap);
    for (const auto &[before, after] : cases) {
        SetWindowTextW(edit, before.c_str());
        Hold(VK_CONTROL, true);
        Key(edit, VK_END);
        Hold(VK_CONTROL, false);
        Char(edit, u'\r');
        EXPECT_EQ(Text(edit), after);
    }
}

TEST_F(EditTest, LinesBreakAtLfCrLfAndLoneCrAndTheTextStaysAsGiven) {
    HWND edit = Make(kNoWrap, u"a\nb\r\nc\rd");
    EXPECT_EQ(Text(edit), u"a\nb\r\nc\rd");
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 4);
    const int starts[] = {0, 2, 5, 7};
    for (int line = 0; line < 4; ++line) {
        EXPECT_EQ(Send(edit, EM_LINEINDEX, line), starts[line]);
        EXPECT_EQ(Send(edit, EM_LINELENGTH, starts[line]), 1);
    }
    EXPECT_EQ(Send(edit, EM_LINEINDEX, 4), -1);
    const int lineOf[] = {0, 0, 1, 1, 1, 2, 2, 3, 3};
    for (int pos = 0; pos <= 8; ++pos)
        EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, pos), lineOf[pos]) << pos;
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, 100), 3);
}

// A lone CR or LF is a break of its own here, also in the CR CR LF that Win32 takes for a soft break.
TEST_F(EditTest, LineCountsOfTextsWithLoneBreaks) {
    HWND edit = Make(kNoWrap);
    const std::pair<std::u16string, std::vector<int>> cases[] = {
        {u"ab\r\r\ncd", {0, 3, 5}},
        {u"\n\n", {0, 1, 2}},
    };
    for (const auto &[text, starts] : cases) {
        SetWindowTextW(edit, text.c_str());
        EXPECT_EQ(Send(edit, EM_GETLINECOUNT), LRESULT(starts.size()));
        for (size_t line = 0; line < starts.size(); ++line)
            EXPECT_EQ(Send(edit, EM_LINEINDEX, line), starts[line]);
        EXPECT_EQ(Send(edit, EM_LINEINDEX, starts.size()), -1);
    }
}

// ---------------------------------------------------------------------------------------------------
// A surrogate pair is one character
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, SurrogatePairsMoveAndDeleteAsOne) {
    HWND edit = Make(kNoWrap, u"a\U0001F600b");
    Caret(edit, 1);
    Key(edit, VK_RIGHT);
    EXPECT_EQ(Sel(edit), Range(3, 3));
    Char(edit, 8);
    EXPECT_EQ(Text(edit), u"ab");
}

// ---------------------------------------------------------------------------------------------------
// Up and Down keep the column they aim for
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, UpAndDownKeepTheColumnTheyAimFor) {
    HWND edit = Make(kNoWrap, u"aaaaaa\r\naa\r\naaaaaa");
    Caret(edit, 5);
    const DWORD expected[][2] = {{VK_DOWN, 10}, {VK_DOWN, 17}, {VK_UP, 10}, {VK_UP, 5}, {VK_UP, 5}};
    for (const auto &step : expected) {
        Key(edit, int(step[0]));
        EXPECT_EQ(Sel(edit), Range(step[1], step[1])) << "after key " << step[0];
    }
    Hold(VK_CONTROL, true);
    Key(edit, VK_END);
    Hold(VK_CONTROL, false);
    Key(edit, VK_DOWN);  // on the last line
    EXPECT_EQ(Sel(edit), Range(18, 18));
    // Any other move forgets the column.
    Caret(edit, 5);
    Key(edit, VK_DOWN);
    Key(edit, VK_LEFT);
    Key(edit, VK_DOWN);
    EXPECT_EQ(Sel(edit), Range(13, 13));
}

TEST_F(EditTest, SettingTheSelectionWhereTheCaretIsKeepsTheAimedColumn) {
    // How a program extends a selection with its own key: shrink to the caret, move, select again.
    HWND edit = Make(kNoWrap, u"aaaaaa\r\naa\r\naaaaaa");
    Caret(edit, 5);
    for (int i = 0; i < 2; ++i) {
        DWORD start, end;
        SendMessageW(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        Caret(edit, int(end));
        Key(edit, VK_DOWN);
        SendMessageW(edit, EM_GETSEL, 0, (LPARAM)&end);
        Select(edit, 5, int(end));
    }
    EXPECT_EQ(Sel(edit), Range(5, 17));
}

// ---------------------------------------------------------------------------------------------------
// Positions beyond 16 bits
// ---------------------------------------------------------------------------------------------------

// EM_GETSEL packs -1 when a position does not fit in 16 bits, as the documentation says.
TEST_F(EditTest, GetSelPacksMinusOneBeyond65535) {
    std::u16string text;
    for (int i = 0; i < 700; ++i)
        text += std::u16string(98, u'x') + u"\r\n";  // 70,000 characters
    HWND edit = Make(kNoWrap);
    SetWindowTextW(edit, text.c_str());
    const int cases[][2] = {{65530, 65540}, {69990, 69995}, {70000, 70000}};
    for (const auto &c : cases) {
        Select(edit, c[0], c[1]);
        EXPECT_EQ(Send(edit, EM_GETSEL), -1) << c[0];
        EXPECT_EQ(Sel(edit), Range(DWORD(c[0]), DWORD(c[1])));
    }
}

// ---------------------------------------------------------------------------------------------------
// Pages and the view
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, PageKeysMoveAScreenfulAndTheViewWithIt) {
    std::u16string text;
    for (int i = 0; i < 50; ++i)
        text += u"line " + std::u16string(1, char16_t(u'A' + i % 26)) + u"\r\n";
    HWND edit = Make(kNoWrap, text, 20, 10);
    Caret(edit, 2);
    Key(edit, VK_NEXT);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, (WPARAM)-1), 10);
    EXPECT_EQ(LRESULT(Sel(edit).first), Send(edit, EM_LINEINDEX, 10) + 2);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 10);
    for (int i = 0; i < 5; ++i)
        Key(edit, VK_NEXT);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, (WPARAM)-1), 50);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 41);  // the last screenful stays full
    Key(edit, VK_PRIOR);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, (WPARAM)-1), 40);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 31);
}

TEST_F(EditTest, ScrollCaretBringsTheCaretIntoView) {
    std::u16string text;
    for (int i = 0; i < 100; ++i)
        text += u"x\r\n";
    HWND edit = Make(kNoWrap, u"", 20, 10);
    SetWindowTextW(edit, text.c_str());
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 0);
    Caret(edit, 3 * 60);
    Send(edit, EM_SCROLLCARET);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 51);
    Caret(edit, 3 * 20);
    Send(edit, EM_SCROLLCARET);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 20);
}

TEST_F(EditTest, SingleLineScrollsSidewaysToTheCaret) {
    HWND edit = Make(kSingleLine, u"0123456789abcdefghij", 10, 1);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 0);
    Key(edit, VK_END);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 11);  // the first character in view
    EXPECT_EQ(short(LOWORD(Send(edit, EM_POSFROMCHAR, 20))), 9 * posix::kCellWidth);
    Key(edit, VK_HOME);
    EXPECT_EQ(Send(edit, EM_GETFIRSTVISIBLELINE), 0);
}

// ---------------------------------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, ATextThereIsNoMemoryForIsRefusedAndTheOldOneStays) {
    HWND edit = Make(kNoWrap, u"old line\r\nsecond");
    std::u16string big(200000, u'b');
    for (size_t i = 40; i < big.size(); i += 41)
        big[i] = u'\n';
    BOOL set;
    {
        testing_support::AllocationBudget budget(100000);
        set = SetWindowTextW(edit, big.c_str());
        EXPECT_TRUE(budget.Refused());
    }
    EXPECT_FALSE(set);
    EXPECT_EQ(Received(), Codes({EN_ERRSPACE}));
    EXPECT_EQ(Text(edit), u"old line\r\nsecond");
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 2);
    // With memory again, the same text goes in.
    EXPECT_TRUE(SetWindowTextW(edit, big.c_str()));
    EXPECT_EQ(GetWindowTextLengthW(edit), 200000);
}

// ---------------------------------------------------------------------------------------------------
// Word wrap: displayed lines count for the line messages
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, WrappedRowsCountAsLines) {
    // 11 cells across: ten for text and one for the scroll indicator.
    HWND edit = Make(kWrap, u"aaaa bbbb cccc\r\nshort", 11, 5);
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 3);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, 1), 10);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, 2), 16);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, 12), 1);
    EXPECT_EQ(Send(edit, EM_LINELENGTH, 12), 4);
    EXPECT_EQ(Send(edit, EM_LINELENGTH, 3), 10);  // the blank that hangs at the edge belongs to the row
    // The same text without wrap is two lines.
    HWND plain = Make(kNoWrap, u"aaaa bbbb cccc\r\nshort", 11, 5);
    EXPECT_EQ(Send(plain, EM_GETLINECOUNT), 2);
}

TEST_F(EditTest, WrappedRowsAreWhatUpAndDownAndEndGoBy) {
    HWND edit = Make(kWrap, u"aaaa bbbb cccc dd", 11, 5);  // rows "aaaa bbbb ", "cccc dd"
    Caret(edit, 2);
    Key(edit, VK_DOWN);
    EXPECT_EQ(Sel(edit), Range(12, 12));
    Key(edit, VK_UP);
    Key(edit, VK_END);  // the end of the first row, not the start of the second
    EXPECT_EQ(Sel(edit), Range(10, 10));
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, (WPARAM)-1), 0);
    Key(edit, VK_HOME);
    EXPECT_EQ(Sel(edit), Range(0, 0));
}

TEST_F(EditTest, ResizingWrapsAgain) {
    HWND edit = Make(kWrap, u"aaaa bbbb cccc", 11, 5);
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 2);
    MoveWindow(edit, 0, 0, 6 * posix::kCellWidth, 5 * posix::kCellHeight, TRUE);
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 3);
    MoveWindow(edit, 0, 0, 20 * posix::kCellWidth, 5 * posix::kCellHeight, TRUE);
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 1);
}

// ---------------------------------------------------------------------------------------------------
// Positions and points
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, PosFromCharAndCharFromPosAgree) {
    HWND edit = Make(kNoWrap, u"a\tb\r\n\u4E2Dx\r\nlast", 20, 5);
    const struct {
        int pos, x, y;
    } cases[] = {{0, 0, 0}, {1, 8, 0}, {2, 64, 0}, {3, 72, 0}, {5, 0, 16}, {6, 16, 16}, {7, 24, 16}, {13, 32, 32}};
    for (const auto &c : cases) {
        LRESULT point = Send(edit, EM_POSFROMCHAR, c.pos);
        EXPECT_EQ(short(LOWORD(point)), c.x) << c.pos;
        EXPECT_EQ(short(HIWORD(point)), c.y) << c.pos;
        LRESULT hit = Send(edit, EM_CHARFROMPOS, 0, MAKELPARAM(c.x, c.y));
        EXPECT_EQ(LOWORD(hit), c.pos) << c.pos;
        EXPECT_EQ(HIWORD(hit), c.y / posix::kCellHeight) << c.pos;
    }
    EXPECT_EQ(Send(edit, EM_POSFROMCHAR, 14), -1);
}

// ---------------------------------------------------------------------------------------------------
// A paste from the terminal
// ---------------------------------------------------------------------------------------------------

// A paste arrives as text typed at once: each CR is Enter, which types the text's own line break, and
// what typing would not put in stays out.
TEST_F(EditTest, PastedTextIsTypedWithEnterForEachBreak) {
    HWND edit = Make(kNoWrap, u"a\nb");
    SetFocus(edit);
    Caret(edit, 3);
    Received();
    posix::DeliverText(u"x\ry\t\x01z\x08");
    EXPECT_EQ(Text(edit), u"a\nbx\ny\tz");
    EXPECT_EQ(Sel(edit), Range(8, 8));
    EXPECT_EQ(Received().size(), 3u * 2);  // "x", Enter, "y\tz": each EN_UPDATE and EN_CHANGE
    // One undo takes the whole paste back, as it would typing in one place.
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"a\nb");

    // A one-line field takes neither the break nor the tab; a read-only edit takes nothing.
    HWND field = Make(kSingleLine, u"");
    SetFocus(field);
    posix::DeliverText(u"one\rtwo\t");
    EXPECT_EQ(Text(field), u"onetwo");
    HWND readOnly = Make(kNoWrap | ES_READONLY, u"fixed");
    SetFocus(readOnly);
    posix::DeliverText(u"more");
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(Text(readOnly), u"fixed");
}

}  // namespace
