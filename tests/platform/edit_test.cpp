// The "edit" control against Win32's behaviour: the notifications it sends its parent, the selection,
// undo, the limit, lines and the caret keys, as measured on a real Win32 implementation, and the places
// where we depart on purpose (line breaks at LF and CR, Enter typing the text's own break, Up and Down
// keeping their column, EM_GETSEL packing -1 above 65,535, EM_UNDO with nothing to undo).
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "tests/support/allocation_budget.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/reset.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// WM_COMMAND notifications the host window received: (control id, code).
std::vector<std::pair<WORD, WORD>> g_notifications;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && lParam) g_notifications.push_back({LOWORD(wParam), HIWORD(wParam)});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr int kEditId = 120;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_BORDER;
constexpr DWORD kNoWrap =
    kChild | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL;
constexpr DWORD kWrap = kChild | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
constexpr DWORD kSingleLine = 0x50810080;  // WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL

using Codes = std::vector<WORD>;

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        g_notifications.clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = u"EditHost";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        host = CreateWindowExW(0, u"EditHost", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);  // the controls free their state as they go
        posix::ResetPlatform();
    }

    // An edit of cols x rows character cells.
    HWND Make(DWORD style, const std::u16string &text = u"", int cols = 40, int rows = 10) {
        HWND edit = CreateWindowExW(0, u"edit", text.c_str(), style, 0, 0, cols * posix::kCellWidth,
                                    rows * posix::kCellHeight, host, (HMENU)(UINT_PTR)kEditId, kInstance, nullptr);
        EXPECT_NE(edit, nullptr);
        g_notifications.clear();
        return edit;
    }

    // The codes received since the last call, all from the edit.
    Codes Received() {
        Codes codes;
        for (auto [id, code] : g_notifications) {
            EXPECT_EQ(id, kEditId);
            codes.push_back(code);
        }
        g_notifications.clear();
        return codes;
    }

    static std::u16string Text(HWND edit) {
        int n = GetWindowTextLengthW(edit);
        std::u16string text(size_t(n) + 1, u'\0');
        text.resize(size_t(GetWindowTextW(edit, text.data(), n + 1)));
        return text;
    }
    static std::pair<DWORD, DWORD> Sel(HWND edit) {
        DWORD start = 0xDEAD, end = 0xBEEF;
        SendMessageW(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        return {start, end};
    }
    static void Select(HWND edit, int start, int end) { SendMessageW(edit, EM_SETSEL, (WPARAM)start, (LPARAM)end); }
    static void Caret(HWND edit, int pos) { Select(edit, pos, pos); }
    static void Key(HWND edit, int vk) { SendMessageW(edit, WM_KEYDOWN, (WPARAM)vk, 1); }
    static void Char(HWND edit, char16_t ch) { SendMessageW(edit, WM_CHAR, (WPARAM)ch, 1); }
    static void Type(HWND edit, const std::u16string &text) {
        for (char16_t ch : text)
            Char(edit, ch);
    }
    static void Replace(HWND edit, const std::u16string &text, bool canUndo) {
        SendMessageW(edit, EM_REPLACESEL, canUndo, (LPARAM)text.c_str());
    }
    static LRESULT Send(HWND edit, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(edit, message, wParam, lParam);
    }
    // Key state as the keyboard module keeps it: Shift and Ctrl held or not.
    static void Hold(int vk, bool down) {
        posix::InputEvent event;
        event.vk = vk;
        event.down = down;
        posix::DeliverKey(event);
    }

    posix::HeadlessScreen screen{40, 14};
    HWND host = nullptr;
};

const std::pair<DWORD, DWORD> Range(DWORD start, DWORD end) {
    return {start, end};
}

// ---------------------------------------------------------------------------------------------------
// Notifications (Win32: Q1)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, SetTextOnMultilineNotifiesNothingAndResetsModifyAndSelection) {
    HWND edit = Make(kNoWrap, u"hello");
    Replace(edit, u"x", TRUE);
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 1);
    Received();
    Select(edit, 2, 4);
    EXPECT_TRUE(SetWindowTextW(edit, u"other text"));
    EXPECT_EQ(Received(), Codes{});
    EXPECT_TRUE(SetWindowTextW(edit, u"other text"));  // the same text again: still nothing
    EXPECT_EQ(Received(), Codes{});
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
    EXPECT_EQ(Sel(edit), Range(0, 0));
    EXPECT_EQ(Text(edit), u"other text");
}

TEST_F(EditTest, SetTextOnSingleLineSendsUpdateThenChange) {
    HWND edit = Make(kSingleLine);
    SetWindowTextW(edit, u"abc");
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
}

TEST_F(EditTest, EditsSendUpdateThenChangeAndSetModify) {
    HWND edit = Make(kNoWrap, u"abc");
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
    Replace(edit, u"x", TRUE);
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 1);
    Send(edit, EM_SETMODIFY, FALSE);
    Char(edit, u'y');
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 1);
    Key(edit, VK_LEFT);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(edit), u"xabc");
}

TEST_F(EditTest, ChangesThatChangeNothingSendNothing) {
    HWND edit = Make(kNoWrap, u"abc");
    Replace(edit, u"", TRUE);  // empty selection replaced by nothing
    Char(edit, 8);             // Backspace at the start
    Caret(edit, 3);
    Key(edit, VK_DELETE);  // Delete at the end
    Received();
    Key(edit, VK_RETURN);  // the key alone types nothing; its WM_CHAR does
    Key(edit, VK_BACK);
    EXPECT_EQ(Received(), Codes{});
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
    EXPECT_EQ(Text(edit), u"abc");
}

TEST_F(EditTest, FocusSendsSetFocusAndKillFocus) {
    HWND edit = Make(kNoWrap);
    SetFocus(edit);
    EXPECT_EQ(Received(), Codes{EN_SETFOCUS});
    SetFocus(host);
    EXPECT_EQ(Received(), Codes{EN_KILLFOCUS});
}

// ---------------------------------------------------------------------------------------------------
// Selection (Q2, Q3)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, GetSelPacksStartAndEndAndFillsEitherOutValue) {
    HWND edit = Make(kNoWrap, u"0123456789abcdefghijklmnop");
    Select(edit, 10, 20);
    EXPECT_EQ(DWORD(Send(edit, EM_GETSEL)), 0x0014000Au);
    DWORD start = 0, end = 0;
    EXPECT_EQ(DWORD(Send(edit, EM_GETSEL, (WPARAM)&start, 0)), 0x0014000Au);
    EXPECT_EQ(start, 10u);
    EXPECT_EQ(DWORD(Send(edit, EM_GETSEL, 0, (LPARAM)&end)), 0x0014000Au);
    EXPECT_EQ(end, 20u);
}

TEST_F(EditTest, SetSelOrdersClampsAndReadsMinusOne) {
    struct Case {
        int fromStart, fromEnd;  // the selection before, set with EM_SETSEL
        int start, end;          // EM_SETSEL's parameters
        DWORD wantStart, wantEnd;
    };
    const Case cases[] = {
        {0, 0, 8, 3, 3, 8},   {3, 8, -1, -1, 8, 8},  {8, 3, -1, -1, 3, 3}, {2, 6, -1, 4, 6, 6}, {0, 0, 0, -1, 0, 16},
        {0, 0, 4, -1, 4, 16}, {0, 0, 5, 100, 5, 16}, {0, 0, -5, 2, 2, 16}, {0, 0, 3, 3, 3, 3},
    };
    HWND edit = Make(kNoWrap, u"0123456789abcdef");
    for (const Case &c : cases) {
        Select(edit, c.fromStart, c.fromEnd);
        Select(edit, c.start, c.end);
        EXPECT_EQ(Sel(edit), Range(c.wantStart, c.wantEnd))
            << "from (" << c.fromStart << "," << c.fromEnd << ") set (" << c.start << "," << c.end << ")";
    }
}

TEST_F(EditTest, SetSelPutsTheCaretAtItsSecondParameter) {
    HWND edit = Make(kNoWrap, u"0123456789abcdef");
    SetFocus(edit);
    Select(edit, 8, 3);
    POINT caret{};
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(caret.x, short(LOWORD(Send(edit, EM_POSFROMCHAR, 3))));
    // Shift+Left moves the caret end and keeps the anchor.
    Hold(VK_SHIFT, true);
    Key(edit, VK_LEFT);
    EXPECT_EQ(Sel(edit), Range(2, 8));
    Select(edit, 3, 8);
    Key(edit, VK_LEFT);
    EXPECT_EQ(Sel(edit), Range(3, 7));
    Hold(VK_SHIFT, false);
}

// ---------------------------------------------------------------------------------------------------
// Undo (Q4, and our departure for an empty record)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, CanUndoFollowsTheKindOfChange) {
    HWND edit = Make(kNoWrap, u"abc");
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Replace(edit, u"x", FALSE);
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Replace(edit, u"y", TRUE);
    EXPECT_EQ(Send(edit, EM_CANUNDO), 1);
    SetWindowTextW(edit, u"abc");
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Char(edit, u'z');
    EXPECT_EQ(Send(edit, EM_CANUNDO), 1);
    Send(edit, EM_EMPTYUNDOBUFFER);
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Char(edit, u'z');
    Replace(edit, u"w", FALSE);  // a change that cannot be undone forgets the one before
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
}

TEST_F(EditTest, UndoTogglesAndSelectsWhatCameBack) {
    HWND edit = Make(kNoWrap, u"abcd");
    Caret(edit, 4);
    Char(edit, u'e');
    Received();
    EXPECT_EQ(Send(edit, EM_UNDO), TRUE);
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(edit), u"abcd");
    EXPECT_EQ(Sel(edit), Range(4, 4));
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"abcde");
    EXPECT_EQ(Sel(edit), Range(4, 5));
    EXPECT_EQ(Send(edit, EM_CANUNDO), 1);
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"abcd");
}

TEST_F(EditTest, AdjacentChangesAreOneUndoUnit) {
    HWND edit = Make(kNoWrap, u"abc");
    Caret(edit, 3);
    Type(edit, u"xy");
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"abc");
    EXPECT_EQ(Sel(edit), Range(3, 3));
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"abcxy");
    EXPECT_EQ(Sel(edit), Range(3, 5));

    SetWindowTextW(edit, u"abc");
    Caret(edit, 3);
    Replace(edit, u"x", TRUE);
    Replace(edit, u"y", TRUE);
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"abc");

    SetWindowTextW(edit, u"abcdef");
    Caret(edit, 4);
    Char(edit, 8);
    Char(edit, 8);
    Caret(edit, 2);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Text(edit), u"abf");  // Backspace twice, then Delete at the same place
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"abcdef");
    EXPECT_EQ(Sel(edit), Range(2, 5));
}

TEST_F(EditTest, TypingElsewhereStartsANewUndoUnit) {
    HWND edit = Make(kNoWrap, u"abc");
    Caret(edit, 3);
    Char(edit, u'x');
    Caret(edit, 0);
    Char(edit, u'y');
    EXPECT_EQ(Text(edit), u"yabcx");
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"abcx");
}

TEST_F(EditTest, UndoOfTypingOverASelectionBringsTheSelectionBack) {
    HWND edit = Make(kNoWrap, u"hello");
    Select(edit, 1, 4);
    Char(edit, u'a');
    EXPECT_EQ(Text(edit), u"hao");
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), u"hello");
    EXPECT_EQ(Sel(edit), Range(1, 4));
}

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
// Enter and line breaks (Q5, and our departure: breaks at LF and lone CR, Enter types the text's own)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, EnterTypesCrLfInATextWithoutBreaks) {
    HWND edit = Make(kNoWrap, u"ab");
    Caret(edit, 1);
    Char(edit, u'\r');
    EXPECT_EQ(Text(edit), u"a\r\nb");
    EXPECT_EQ(Send(edit, WM_GETTEXTLENGTH), 4);
    EXPECT_EQ(Sel(edit), Range(3, 3));
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    Char(edit, u'\n');  // a typed LF is Enter too
    EXPECT_EQ(Text(edit), u"a\r\n\r\nb");
}

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

TEST_F(EditTest, LineCountsOfEdgeCaseTexts) {
    HWND edit = Make(kNoWrap);
    const std::pair<std::u16string, std::vector<int>> cases[] = {
        {u"", {0}},
        {u"x\r\n", {0, 3}},
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

TEST_F(EditTest, LineMessagesWithMinusOneUseTheCaretsLine) {
    HWND edit = Make(kNoWrap, u"one\r\ntwo two\r\nthree");
    Caret(edit, 8);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, (WPARAM)-1), 1);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, (WPARAM)-1), 5);
    // With a selection: the unselected characters on the lines it touches.
    Select(edit, 7, 16);
    EXPECT_EQ(Send(edit, EM_LINELENGTH, (WPARAM)-1), 2 + 3);
}

TEST_F(EditTest, GetLineCopiesTheLineAndAddsATerminatorWhenThereIsRoom) {
    HWND edit = Make(kNoWrap, u"first\r\nsecond\nthird");
    WCHAR buffer[16];
    buffer[0] = 16;
    EXPECT_EQ(Send(edit, EM_GETLINE, 1, (LPARAM)buffer), 6);
    EXPECT_EQ(std::u16string(buffer), u"second");
    buffer[0] = 3;
    buffer[3] = u'#';
    EXPECT_EQ(Send(edit, EM_GETLINE, 2, (LPARAM)buffer), 3);
    EXPECT_EQ(std::u16string(buffer, 4), u"thi#");
    buffer[0] = 16;
    EXPECT_EQ(Send(edit, EM_GETLINE, 3, (LPARAM)buffer), 0);
}

// ---------------------------------------------------------------------------------------------------
// Caret keys (Q6, and our departure: Up and Down keep the column they aim for)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, CrLfIsOneCaretStep) {
    HWND edit = Make(kNoWrap, u"ab\r\ncd");
    Caret(edit, 2);
    Key(edit, VK_RIGHT);
    EXPECT_EQ(Sel(edit), Range(4, 4));
    Key(edit, VK_LEFT);
    EXPECT_EQ(Sel(edit), Range(2, 2));
    Caret(edit, 3);  // between CR and LF: accepted
    EXPECT_EQ(Sel(edit), Range(3, 3));
    Key(edit, VK_RIGHT);
    EXPECT_EQ(Sel(edit), Range(4, 4));
    Caret(edit, 0);
    Key(edit, VK_END);
    EXPECT_EQ(Sel(edit), Range(2, 2));
    Caret(edit, 5);
    Key(edit, VK_HOME);
    EXPECT_EQ(Sel(edit), Range(4, 4));
}

TEST_F(EditTest, DeleteAndBackspaceTakeTheWholeCrLf) {
    HWND edit = Make(kNoWrap, u"ab\r\ncd");
    Caret(edit, 2);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Text(edit), u"abcd");
    SetWindowTextW(edit, u"ab\r\ncd");
    Caret(edit, 4);
    Char(edit, 8);
    EXPECT_EQ(Text(edit), u"abcd");
    EXPECT_EQ(Sel(edit), Range(2, 2));
}

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

TEST_F(EditTest, ArrowsMoveFromTheCaretAndDropTheSelection) {
    HWND edit = Make(kNoWrap, u"0123456789");
    Select(edit, 2, 5);
    Key(edit, VK_RIGHT);
    EXPECT_EQ(Sel(edit), Range(6, 6));
    Select(edit, 5, 2);
    Key(edit, VK_LEFT);
    EXPECT_EQ(Sel(edit), Range(1, 1));
    Select(edit, 0, 4);
    Key(edit, VK_UP);  // nowhere to go, but the selection goes
    EXPECT_EQ(Sel(edit), Range(4, 4));
}

TEST_F(EditTest, ControlHomeAndEndGoToTheTextsEnds) {
    HWND edit = Make(kNoWrap, u"one\r\ntwo\r\nthree");
    Caret(edit, 6);
    Hold(VK_CONTROL, true);
    Key(edit, VK_END);
    EXPECT_EQ(Sel(edit), Range(15, 15));
    Key(edit, VK_HOME);
    EXPECT_EQ(Sel(edit), Range(0, 0));
    Hold(VK_CONTROL, false);
}

TEST_F(EditTest, ControlLeftAndRightGoByWordsAndAcrossLineEnds) {
    // Right: past the rest of the word and the blanks after it; Left: to the start of the word before.
    HWND edit = Make(kNoWrap, u"one  two\tthree\r\n  four");
    Caret(edit, 1);
    Hold(VK_CONTROL, true);
    std::vector<DWORD> rights;
    for (int i = 0; i < 5; ++i) {
        Key(edit, VK_RIGHT);
        rights.push_back(Sel(edit).first);
    }
    // 5 "two", 9 "three", 14 the line's end, 16 the next line's start, 18 "four".
    EXPECT_EQ(rights, (std::vector<DWORD>{5, 9, 14, 16, 18}));
    Caret(edit, 22);
    Key(edit, VK_RIGHT);  // at the text's end it stays
    EXPECT_EQ(Sel(edit), Range(22, 22));
    std::vector<DWORD> lefts;
    for (int i = 0; i < 6; ++i) {
        Key(edit, VK_LEFT);
        lefts.push_back(Sel(edit).first);
    }
    EXPECT_EQ(lefts, (std::vector<DWORD>{18, 16, 14, 9, 5, 0}));
    // With Shift the selection grows from where it was.
    Caret(edit, 5);
    Hold(VK_SHIFT, true);
    Key(edit, VK_RIGHT);
    Key(edit, VK_RIGHT);
    EXPECT_EQ(Sel(edit), Range(5, 14));
    Hold(VK_SHIFT, false);
    Hold(VK_CONTROL, false);
    // A one-line field goes by words too, Up and Down as Left and Right.
    HWND field = Make(kSingleLine, u"find this word");
    Caret(field, 0);
    Hold(VK_CONTROL, true);
    Key(field, VK_RIGHT);
    Key(field, VK_DOWN);
    EXPECT_EQ(Sel(field), Range(10, 10));
    Key(field, VK_UP);
    EXPECT_EQ(Sel(field), Range(5, 5));
    Hold(VK_CONTROL, false);
}

TEST_F(EditTest, ShiftWithHomeEndAndPageKeysExtendsTheSelection) {
    std::u16string text;
    for (int i = 0; i < 30; ++i)
        text += u"line" + std::u16string(1, char16_t(u'A' + i % 26)) + u"\r\n";
    HWND edit = Make(kNoWrap, text, 40, 5);
    Caret(edit, 14 + 2);  // line 2, column 2
    Hold(VK_SHIFT, true);
    Key(edit, VK_END);
    EXPECT_EQ(Sel(edit), Range(16, 19));
    Key(edit, VK_HOME);
    EXPECT_EQ(Sel(edit), Range(14, 16));
    Key(edit, VK_NEXT);  // a screenful down to a line's start, the anchor stays
    EXPECT_EQ(Sel(edit).first, 16u);
    EXPECT_GT(Sel(edit).second, 16u + 7);
    EXPECT_EQ((Sel(edit).second - 14) % 7, 0u);
    Key(edit, VK_PRIOR);
    EXPECT_EQ(Sel(edit), Range(14, 16));
    Hold(VK_CONTROL, true);
    Key(edit, VK_END);
    EXPECT_EQ(Sel(edit), Range(16, DWORD(text.size())));
    Key(edit, VK_HOME);
    EXPECT_EQ(Sel(edit), Range(0, 16));
    Hold(VK_CONTROL, false);
    Hold(VK_SHIFT, false);
    Key(edit, VK_END);  // without Shift the selection goes
    EXPECT_EQ(Sel(edit), Range(5, 5));
}

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

TEST_F(EditTest, TabTypesATab) {
    HWND edit = Make(kNoWrap, u"ab");
    Caret(edit, 1);
    Char(edit, u'\t');
    EXPECT_EQ(Text(edit), u"a\tb");
}

// ---------------------------------------------------------------------------------------------------
// The limit (Q7)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, DefaultLimitAndLimitZero) {
    HWND multi = Make(kNoWrap);
    HWND single = Make(kSingleLine);
    EXPECT_EQ(Send(multi, EM_GETLIMITTEXT), 30000);
    EXPECT_EQ(Send(single, EM_GETLIMITTEXT), 30000);
    Send(multi, EM_SETLIMITTEXT, 0);
    Send(single, EM_SETLIMITTEXT, 0);
    EXPECT_EQ(DWORD(Send(multi, EM_GETLIMITTEXT)), 0xFFFFFFFFu);
    EXPECT_EQ(DWORD(Send(single, EM_GETLIMITTEXT)), 0x7FFFFFFEu);
}

TEST_F(EditTest, SetTextIgnoresTheLimit) {
    HWND edit = Make(kNoWrap);
    std::u16string big(70000, u'a');
    EXPECT_TRUE(SetWindowTextW(edit, big.c_str()));
    EXPECT_EQ(GetWindowTextLengthW(edit), 70000);
    Send(edit, EM_SETLIMITTEXT, 5);
    SetWindowTextW(edit, u"0123456789");
    EXPECT_EQ(GetWindowTextLengthW(edit), 10);
}

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

TEST_F(EditTest, TypingAtTheLimitDropsTheCharacterAndSendsOnlyMaxText) {
    HWND edit = Make(kNoWrap, u"abcde");
    Send(edit, EM_SETLIMITTEXT, 5);
    Caret(edit, 2);
    Char(edit, u'x');
    EXPECT_EQ(Received(), Codes{EN_MAXTEXT});
    EXPECT_EQ(Text(edit), u"abcde");
    Select(edit, 1, 2);  // over a selection there is room
    Char(edit, u'x');
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(edit), u"axcde");
    SetWindowTextW(edit, u"abcd");
    Caret(edit, 4);
    Char(edit, u'\r');  // a CR LF needs two
    EXPECT_EQ(Received(), Codes{EN_MAXTEXT});
    EXPECT_EQ(Text(edit), u"abcd");
}

TEST_F(EditTest, ReplaceSelIsCutToFit) {
    HWND edit = Make(kNoWrap, u"abcdx");
    Send(edit, EM_SETLIMITTEXT, 5);
    Select(edit, 0, 1);
    Replace(edit, u"123", TRUE);
    EXPECT_EQ(Text(edit), u"1bcdx");
    EXPECT_EQ(Received(), (Codes{EN_MAXTEXT, EN_UPDATE, EN_CHANGE}));
    // Nothing fits and nothing is selected: the text stays and only the limit is reported.
    Caret(edit, 5);
    Replace(edit, u"zz", TRUE);
    EXPECT_EQ(Text(edit), u"1bcdx");
    EXPECT_EQ(Received(), Codes{EN_MAXTEXT});
}

// ---------------------------------------------------------------------------------------------------
// Length and text (Q8)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, LengthCountsEveryCharacter) {
    HWND edit = Make(kNoWrap);
    const std::pair<std::u16string, int> cases[] = {{u"ab\r\ncd\r\n", 8}, {u"a\nb", 3}, {u"", 0}};
    for (const auto &[text, length] : cases) {
        SetWindowTextW(edit, text.c_str());
        EXPECT_EQ(Send(edit, WM_GETTEXTLENGTH), length);
        EXPECT_EQ(GetWindowTextLengthW(edit), length);
    }
}

TEST_F(EditTest, GetTextCopiesWhatFitsWithATerminator) {
    HWND edit = Make(kNoWrap, u"abcdef");
    WCHAR buffer[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
    EXPECT_EQ(Send(edit, WM_GETTEXT, 4, (LPARAM)buffer), 3);
    EXPECT_EQ(std::u16string(buffer, 5), std::u16string(u"abc\0#", 5));
    buffer[0] = u'#';
    EXPECT_EQ(Send(edit, WM_GETTEXT, 0, (LPARAM)buffer), 0);
    EXPECT_EQ(buffer[0], u'#');
}

// ---------------------------------------------------------------------------------------------------
// Positions beyond 16 bits
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, PositionsBeyond65535) {
    std::u16string text;
    for (int i = 0; i < 700; ++i)
        text += std::u16string(98, u'x') + u"\r\n";  // 70,000 characters
    HWND edit = Make(kNoWrap);
    SetWindowTextW(edit, text.c_str());
    Send(edit, EM_SETLIMITTEXT, 0);
    const struct {
        int start, end;
        LRESULT packed;
    } cases[] = {{65530, 65540, -1}, {69990, 69995, -1}, {70000, 70000, -1}, {100, 200, 0x00C80064}};
    for (const auto &c : cases) {
        Select(edit, c.start, c.end);
        EXPECT_EQ(Send(edit, EM_GETSEL), c.packed) << c.start;
        EXPECT_EQ(Sel(edit), Range(DWORD(c.start), DWORD(c.end)));
    }
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, 69005), 690);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, 690), 69000);
    Caret(edit, 65005);
    Key(edit, VK_DOWN);
    EXPECT_EQ(Sel(edit), Range(65105, 65105));
    Char(edit, u'!');
    EXPECT_EQ(Text(edit).substr(65100, 7), u"xxxxx!x");
    EXPECT_EQ(GetWindowTextLengthW(edit), 70001);
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
// Other messages
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, FontIsKeptAndReported) {
    HWND edit = Make(kNoWrap);
    EXPECT_EQ(Send(edit, WM_GETFONT), 0);
    LOGFONTW lf{};
    lf.lfHeight = 12;
    HFONT font = CreateFontIndirectW(&lf);
    Send(edit, WM_SETFONT, (WPARAM)font, TRUE);
    EXPECT_EQ((HFONT)Send(edit, WM_GETFONT), font);
}

TEST_F(EditTest, ReadOnlyRefusesTypingButTakesReplaceSel) {
    HWND edit = Make(kNoWrap, u"abc");
    EXPECT_TRUE(Send(edit, EM_SETREADONLY, TRUE));
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
    Caret(edit, 1);
    Char(edit, u'x');
    Char(edit, 8);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Text(edit), u"abc");
    EXPECT_EQ(Received(), Codes{});
    Replace(edit, u"Z", TRUE);
    EXPECT_EQ(Text(edit), u"aZbc");
    Send(edit, EM_SETREADONLY, FALSE);
    Char(edit, u'y');
    EXPECT_EQ(Text(edit), u"aZybc");
}

TEST_F(EditTest, DialogCodes) {
    HWND multi = Make(kNoWrap), single = Make(kSingleLine);
    LRESULT both = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    EXPECT_EQ(Send(multi, WM_GETDLGCODE), both | DLGC_WANTALLKEYS);
    EXPECT_EQ(Send(single, WM_GETDLGCODE), both);
}

TEST_F(EditTest, ControlKeysOtherThanTabEnterAndBackspaceTypeNothing) {
    HWND edit = Make(kNoWrap, u"ab");
    Char(edit, 1);     // Ctrl+A
    Char(edit, 0x1A);  // Ctrl+Z
    Char(edit, 0x7F);
    EXPECT_EQ(Text(edit), u"ab");
    EXPECT_EQ(Received(), Codes{});
}

TEST_F(EditTest, SurrogatePairsMoveAndDeleteAsOne) {
    HWND edit = Make(kNoWrap, u"a\U0001F600b");
    Caret(edit, 1);
    Key(edit, VK_RIGHT);
    EXPECT_EQ(Sel(edit), Range(3, 3));
    Char(edit, 8);
    EXPECT_EQ(Text(edit), u"ab");
}

// ---------------------------------------------------------------------------------------------------
// Single-line
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, SingleLineIgnoresEnterAndTabAndIsOneLine) {
    HWND edit = Make(kSingleLine, u"ab");
    Caret(edit, 1);
    Char(edit, u'\r');
    Char(edit, u'\n');
    Char(edit, u'\t');
    EXPECT_EQ(Text(edit), u"ab");
    EXPECT_EQ(Received(), Codes{});
    SetWindowTextW(edit, u"one\r\ntwo");
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 1);
    EXPECT_EQ(Send(edit, EM_LINELENGTH, 6), 8);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, 6), 0);
    Caret(edit, 2);
    Key(edit, VK_DOWN);  // Up and Down are Left and Right here
    EXPECT_EQ(Sel(edit), Range(3, 3));
    Key(edit, VK_UP);
    Key(edit, VK_UP);
    EXPECT_EQ(Sel(edit), Range(1, 1));
    Key(edit, VK_END);
    EXPECT_EQ(Sel(edit), Range(8, 8));
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
// The real key road: key events, TranslateMessage, WM_CHAR
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, KeysTypedThroughTheMessageLoop) {
    HWND edit = Make(kNoWrap, u"");
    SetFocus(edit);
    Received();
    screen.Type(u"hi\n").Key(VK_LEFT).Key(VK_LEFT).Type(u"!").Press(VK_BACK, 8).Release(VK_BACK);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(Text(edit), u"hi\r\n");
    EXPECT_EQ(Sel(edit), Range(1, 1));
    EXPECT_EQ(Received().size(), 5u * 2);  // each of h, i, Enter, !, Backspace: EN_UPDATE and EN_CHANGE
}

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
