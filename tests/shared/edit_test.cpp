// The "edit" control's messages and the notifications it sends its parent, as Win32 behaves: the
// selection, undo, the limit, lines and the caret keys. Where our edit control departs on purpose (line
// breaks at LF and CR, Enter typing the text's own break, Up and Down keeping their column, EM_GETSEL
// packing -1 above 65,535, EM_UNDO with nothing to undo), its own behaviour is in
// tests/platform/edit_posix_test.cpp and Win32's is marked here for Win32 only.
#include "tests/shared/edit_host.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------------
// Notifications (Win32: Q1)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, SetTextOnMultilineNotifiesNothingAndResetsModifyAndSelection) {
    HWND edit = Make(kNoWrap, TEXT("hello"));
    Replace(edit, TEXT("x"), TRUE);
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 1);
    Received();
    Select(edit, 2, 4);
    EXPECT_TRUE(SetWindowTextW(edit, TEXT("other text")));
    EXPECT_EQ(Received(), Codes{});
    EXPECT_TRUE(SetWindowTextW(edit, TEXT("other text")));  // the same text again: still nothing
    EXPECT_EQ(Received(), Codes{});
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
    EXPECT_EQ(Sel(edit), Range(0, 0));
    EXPECT_EQ(Text(edit), TEXT("other text"));
}

TEST_F(EditTest, SetTextOnSingleLineSendsUpdateThenChange) {
    HWND edit = Make(kSingleLine);
    SetWindowTextW(edit, TEXT("abc"));
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
}

// Text put in without notifications, at creation or by WM_SETTEXT on a multiline edit, leaves the edit
// unmodified and nothing to tell with the next change that changes nothing.
TEST_F(EditTest, TextPutInQuietlyLeavesTheEditUnmodifiedAndNothingToTell) {
    SKIP_UNDER_WINE(
        "Wine puts the text given at creation in as a change, so the edit starts modified; it "
        "keeps the notifications of quiet text pending and sends EN_UPDATE and EN_CHANGE with "
        "the next change, even one that changes nothing");
    HWND edit = Make(kNoWrap, TEXT("abc"));
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
    Replace(edit, TEXT(""), TRUE);
    EXPECT_EQ(Received(), Codes{});
    SetWindowTextW(edit, TEXT("abcde"));
    Send(edit, EM_SETLIMITTEXT, 5);
    Char(edit, TEXT('x'));
    EXPECT_EQ(Received(), Codes{EN_MAXTEXT});
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
}

TEST_F(EditTest, EditsSendUpdateThenChangeAndSetModify) {
    HWND edit = Make(kNoWrap);
    SetWindowTextW(edit, TEXT("abc"));
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
    Replace(edit, TEXT("x"), TRUE);
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 1);
    Send(edit, EM_SETMODIFY, FALSE);
    Char(edit, TEXT('y'));
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 1);
    Key(edit, VK_LEFT);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(edit), TEXT("xabc"));
}

TEST_F(EditTest, ChangesThatChangeNothingSendNothing) {
    HWND edit = Make(kNoWrap);
    SetWindowTextW(edit, TEXT("abc"));
    Replace(edit, TEXT(""), TRUE);  // empty selection replaced by nothing
    Char(edit, 8);                  // Backspace at the start
    Caret(edit, 3);
    Key(edit, VK_DELETE);  // Delete at the end
    Received();
    Key(edit, VK_RETURN);  // the key alone types nothing; its WM_CHAR does
    Key(edit, VK_BACK);
    EXPECT_EQ(Received(), Codes{});
    EXPECT_EQ(Send(edit, EM_GETMODIFY), 0);
    EXPECT_EQ(Text(edit), TEXT("abc"));
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
    HWND edit = Make(kNoWrap, TEXT("0123456789abcdefghijklmnop"));
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
    HWND edit = Make(kNoWrap, TEXT("0123456789abcdef"));
    for (const Case &c : cases) {
        Select(edit, c.fromStart, c.fromEnd);
        Select(edit, c.start, c.end);
        EXPECT_EQ(Sel(edit), Range(c.wantStart, c.wantEnd))
            << "from (" << c.fromStart << "," << c.fromEnd << ") set (" << c.start << "," << c.end << ")";
    }
}

TEST_F(EditTest, SetSelPutsTheCaretAtItsSecondParameter) {
    HWND edit = Make(kNoWrap, TEXT("0123456789abcdef"));
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
// Undo (Q4)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, CanUndoFollowsTheKindOfChange) {
    HWND edit = Make(kNoWrap, TEXT("abc"));
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Replace(edit, TEXT("x"), FALSE);
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Replace(edit, TEXT("y"), TRUE);
    EXPECT_EQ(Send(edit, EM_CANUNDO), 1);
    SetWindowTextW(edit, TEXT("abc"));
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Char(edit, TEXT('z'));
    EXPECT_EQ(Send(edit, EM_CANUNDO), 1);
    Send(edit, EM_EMPTYUNDOBUFFER);
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
    Char(edit, TEXT('z'));
    Replace(edit, TEXT("w"), FALSE);  // a change that cannot be undone forgets the one before
    EXPECT_EQ(Send(edit, EM_CANUNDO), 0);
}

TEST_F(EditTest, UndoTogglesAndSelectsWhatCameBack) {
    HWND edit = Make(kNoWrap, TEXT("abcd"));
    Caret(edit, 4);
    Char(edit, TEXT('e'));
    Received();
    EXPECT_EQ(Send(edit, EM_UNDO), TRUE);
    EXPECT_EQ(Text(edit), TEXT("abcd"));
    EXPECT_EQ(Sel(edit), Range(4, 4));
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("abcde"));
    EXPECT_EQ(Sel(edit), Range(4, 5));
    EXPECT_EQ(Send(edit, EM_CANUNDO), 1);
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("abcd"));
}

TEST_F(EditTest, UndoSendsUpdateThenChangeOnce) {
    SKIP_UNDER_WINE(
        "Wine sends EN_CHANGE a second time once the selection is set, the lone EN_CHANGE its "
        "undo of nothing sends");
    HWND edit = Make(kNoWrap, TEXT("abcd"));
    Caret(edit, 4);
    Char(edit, TEXT('e'));
    Received();
    Send(edit, EM_UNDO);
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
}

TEST_F(EditTest, AdjacentChangesAreOneUndoUnit) {
    HWND edit = Make(kNoWrap, TEXT("abc"));
    Caret(edit, 3);
    Type(edit, TEXT("xy"));
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("abc"));
    EXPECT_EQ(Sel(edit), Range(3, 3));
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("abcxy"));
    EXPECT_EQ(Sel(edit), Range(3, 5));

    SetWindowTextW(edit, TEXT("abc"));
    Caret(edit, 3);
    Replace(edit, TEXT("x"), TRUE);
    Replace(edit, TEXT("y"), TRUE);
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("abc"));

    SetWindowTextW(edit, TEXT("abcdef"));
    Caret(edit, 4);
    Char(edit, 8);
    Char(edit, 8);
    Caret(edit, 2);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Text(edit), TEXT("abf"));  // Backspace twice, then Delete at the same place
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("abcdef"));
    EXPECT_EQ(Sel(edit), Range(2, 5));
}

TEST_F(EditTest, TypingElsewhereStartsANewUndoUnit) {
    HWND edit = Make(kNoWrap, TEXT("abc"));
    Caret(edit, 3);
    Char(edit, TEXT('x'));
    Caret(edit, 0);
    Char(edit, TEXT('y'));
    EXPECT_EQ(Text(edit), TEXT("yabcx"));
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("abcx"));
}

TEST_F(EditTest, UndoOfTypingOverASelectionBringsTheSelectionBack) {
    HWND edit = Make(kNoWrap, TEXT("hello"));
    Select(edit, 1, 4);
    Char(edit, TEXT('a'));
    EXPECT_EQ(Text(edit), TEXT("hao"));
    Send(edit, EM_UNDO);
    EXPECT_EQ(Text(edit), TEXT("hello"));
    EXPECT_EQ(Sel(edit), Range(1, 4));
}

// ---------------------------------------------------------------------------------------------------
// Enter and line breaks (Q5)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, EnterTypesCrLfInATextWithoutBreaks) {
    HWND edit = Make(kNoWrap, TEXT("ab"));
    Caret(edit, 1);
    Char(edit, TEXT('\r'));
    EXPECT_EQ(Text(edit), TEXT("a\r\nb"));
    EXPECT_EQ(Send(edit, WM_GETTEXTLENGTH), 4);
    EXPECT_EQ(Sel(edit), Range(3, 3));
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    Char(edit, TEXT('\n'));  // a typed LF is Enter too
    EXPECT_EQ(Text(edit), TEXT("a\r\n\r\nb"));
}

// Win32 breaks lines at CR LF only; a lone LF or CR is a character of the line, and CR CR LF a soft break.
TEST_F(EditTest, Win32BreaksLinesOnlyAtCrLf) {
    SKIP_ON_OUR_PLATFORM("lone LF and CR break lines, for Linux files");
    HWND edit = Make(kNoWrap, TEXT("a\nb\r\nc\rd"));
    EXPECT_EQ(Text(edit), TEXT("a\nb\r\nc\rd"));
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 3);
    const int starts[] = {0, 2, 5}, lengths[] = {1, 1, 3};
    for (int line = 0; line < 3; ++line) {
        EXPECT_EQ(Send(edit, EM_LINEINDEX, line), starts[line]);
        EXPECT_EQ(Send(edit, EM_LINELENGTH, starts[line]), lengths[line]);
    }
    const int lineOf[] = {0, 0, 1, 1, 1, 2, 2, 2, 2};
    for (int pos = 0; pos <= 8; ++pos)
        EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, pos), lineOf[pos]) << pos;
    SetWindowTextW(edit, TEXT("ab\r\r\ncd"));
    EXPECT_EQ(Send(edit, EM_GETLINECOUNT), 2);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, 1), 5);
}

TEST_F(EditTest, LineCountsOfEdgeCaseTexts) {
    HWND edit = Make(kNoWrap);
    const std::pair<WString, std::vector<int>> cases[] = {
        {TEXT(""), {0}},
        {TEXT("x\r\n"), {0, 3}},
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
    HWND edit = Make(kNoWrap, TEXT("one\r\ntwo two\r\nthree"));
    Caret(edit, 8);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, (WPARAM)-1), 1);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, (WPARAM)-1), 5);
    // With a selection: the unselected characters on the lines it touches.
    Select(edit, 7, 16);
    EXPECT_EQ(Send(edit, EM_LINELENGTH, (WPARAM)-1), 2 + 3);
}

TEST_F(EditTest, GetLineCopiesTheLineAndAddsATerminatorWhenThereIsRoom) {
    HWND edit = Make(kNoWrap, TEXT("first\r\nsecond\r\nthird"));
    WCHAR buffer[16];
    buffer[0] = 16;
    EXPECT_EQ(Send(edit, EM_GETLINE, 1, (LPARAM)buffer), 6);
    EXPECT_EQ(WString(buffer), TEXT("second"));
    buffer[0] = 3;
    buffer[3] = TEXT('#');
    EXPECT_EQ(Send(edit, EM_GETLINE, 2, (LPARAM)buffer), 3);
    EXPECT_EQ(WString(buffer, 4), TEXT("thi#"));
    buffer[0] = 16;
    EXPECT_EQ(Send(edit, EM_GETLINE, 3, (LPARAM)buffer), 0);
}

// ---------------------------------------------------------------------------------------------------
// Caret keys (Q6)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, CrLfIsOneCaretStep) {
    HWND edit = Make(kNoWrap, TEXT("ab\r\ncd"));
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
    HWND edit = Make(kNoWrap, TEXT("ab\r\ncd"));
    Caret(edit, 2);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Text(edit), TEXT("abcd"));
    SetWindowTextW(edit, TEXT("ab\r\ncd"));
    Caret(edit, 4);
    Char(edit, 8);
    EXPECT_EQ(Text(edit), TEXT("abcd"));
    EXPECT_EQ(Sel(edit), Range(2, 2));
}

// Win32's Up and Down go by where the caret is on the screen now, with no column kept across short lines.
TEST_F(EditTest, Win32UpAndDownGoByTheCaretsPlaceWithNoColumnKept) {
    SKIP_ON_OUR_PLATFORM("Up and Down keep the column they aim for");
    HWND edit = Make(kNoWrap, TEXT("aaaaaa\r\naa\r\naaaaaa"));
    Caret(edit, 5);
    const DWORD expected[][2] = {{VK_DOWN, 10}, {VK_DOWN, 14}, {VK_UP, 10}, {VK_UP, 2}, {VK_UP, 2}};
    for (const auto &step : expected) {
        Key(edit, int(step[0]));
        EXPECT_EQ(Sel(edit), Range(step[1], step[1])) << "after key " << step[0];
    }
}

TEST_F(EditTest, ArrowsMoveFromTheCaretAndDropTheSelection) {
    HWND edit = Make(kNoWrap, TEXT("0123456789"));
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
    HWND edit = Make(kNoWrap, TEXT("one\r\ntwo\r\nthree"));
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
    HWND edit = Make(kNoWrap, TEXT("one  two\tthree\r\n  four"));
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
    HWND field = Make(kSingleLine, TEXT("find this word"));
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
    WString text;
    for (int i = 0; i < 30; ++i)
        text += TEXT("line") + WString(1, WCHAR(TEXT('A') + i % 26)) + TEXT("\r\n");
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

TEST_F(EditTest, TabTypesATab) {
    HWND edit = Make(kNoWrap, TEXT("ab"));
    Caret(edit, 1);
    Char(edit, TEXT('\t'));
    EXPECT_EQ(Text(edit), TEXT("a\tb"));
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
    WString big(70000, TEXT('a'));
    EXPECT_TRUE(SetWindowTextW(edit, big.c_str()));
    EXPECT_EQ(GetWindowTextLengthW(edit), 70000);
    Send(edit, EM_SETLIMITTEXT, 5);
    SetWindowTextW(edit, TEXT("0123456789"));
    EXPECT_EQ(GetWindowTextLengthW(edit), 10);
}

TEST_F(EditTest, TypingAtTheLimitDropsTheCharacterOrCutsTheLineBreak) {
    HWND edit = Make(kNoWrap);
    SetWindowTextW(edit, TEXT("abcde"));
    Send(edit, EM_SETLIMITTEXT, 5);
    Select(edit, 1, 2);  // over a selection there is room
    Char(edit, TEXT('x'));
    EXPECT_EQ(Received(), (Codes{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(edit), TEXT("axcde"));
    Caret(edit, 2);
    Char(edit, TEXT('y'));  // no room: dropped, with what AChangeWithNoRoomReportsOnlyTheLimit says
    EXPECT_EQ(Text(edit), TEXT("axcde"));
    Received();
    SetWindowTextW(edit, TEXT("abcd"));
    Caret(edit, 4);
    Char(edit, TEXT('\r'));  // a CR LF needs two: it is cut to fit, as EM_REPLACESEL cuts text
    EXPECT_EQ(Received(), (Codes{EN_MAXTEXT, EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(edit), TEXT("abcd\r"));
}

TEST_F(EditTest, ReplaceSelIsCutToFit) {
    HWND edit = Make(kNoWrap, TEXT("abcdx"));
    Send(edit, EM_SETLIMITTEXT, 5);
    Select(edit, 0, 1);
    Replace(edit, TEXT("123"), TRUE);
    EXPECT_EQ(Text(edit), TEXT("1bcdx"));
    EXPECT_EQ(Received(), (Codes{EN_MAXTEXT, EN_UPDATE, EN_CHANGE}));
}

// Nothing fits and nothing is selected: a typed character or EM_REPLACESEL leaves the text as it was and
// only the limit is reported.
TEST_F(EditTest, AChangeWithNoRoomReportsOnlyTheLimit) {
    SKIP_UNDER_WINE("Wine also sends EN_UPDATE and EN_CHANGE for the change it did not make");
    HWND edit = Make(kNoWrap, TEXT("1bcdx"));
    Send(edit, EM_SETLIMITTEXT, 5);
    Caret(edit, 5);
    Received();
    Char(edit, TEXT('y'));
    EXPECT_EQ(Received(), Codes{EN_MAXTEXT});
    Replace(edit, TEXT("zz"), TRUE);
    EXPECT_EQ(Text(edit), TEXT("1bcdx"));
    EXPECT_EQ(Received(), Codes{EN_MAXTEXT});
}

// ---------------------------------------------------------------------------------------------------
// Length and text (Q8)
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, LengthCountsEveryCharacter) {
    HWND edit = Make(kNoWrap);
    const std::pair<WString, int> cases[] = {{TEXT("ab\r\ncd\r\n"), 8}, {TEXT("a\nb"), 3}, {TEXT(""), 0}};
    for (const auto &[text, length] : cases) {
        SetWindowTextW(edit, text.c_str());
        EXPECT_EQ(Send(edit, WM_GETTEXTLENGTH), length);
        EXPECT_EQ(GetWindowTextLengthW(edit), length);
    }
}

TEST_F(EditTest, GetTextCopiesWhatFitsWithATerminator) {
    HWND edit = Make(kNoWrap, TEXT("abcdef"));
    WCHAR buffer[8] = {TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#')};
    EXPECT_EQ(Send(edit, WM_GETTEXT, 4, (LPARAM)buffer), 3);
    EXPECT_EQ(WString(buffer, 5), WString(TEXT("abc\0#"), 5));
    buffer[0] = TEXT('#');
    EXPECT_EQ(Send(edit, WM_GETTEXT, 0, (LPARAM)buffer), 0);
    EXPECT_EQ(buffer[0], TEXT('#'));
}

// ---------------------------------------------------------------------------------------------------
// Positions beyond 16 bits
// ---------------------------------------------------------------------------------------------------

// The out-values hold whole positions beyond 16 bits; the packed result of EM_GETSEL is ruled apart.
TEST_F(EditTest, PositionsBeyond65535) {
    WString text;
    for (int i = 0; i < 700; ++i)
        text += WString(98, TEXT('x')) + TEXT("\r\n");  // 70,000 characters
    HWND edit = Make(kNoWrap);
    SetWindowTextW(edit, text.c_str());
    Send(edit, EM_SETLIMITTEXT, 0);
    const int cases[][2] = {{65530, 65540}, {69990, 69995}, {70000, 70000}, {100, 200}};
    for (const auto &c : cases) {
        Select(edit, c[0], c[1]);
        EXPECT_EQ(Sel(edit), Range(DWORD(c[0]), DWORD(c[1])));
    }
    EXPECT_EQ(Send(edit, EM_GETSEL), 0x00C80064);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, 69005), 690);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, 690), 69000);
    Caret(edit, 65005);
    Key(edit, VK_DOWN);
    EXPECT_EQ(Sel(edit), Range(65105, 65105));
    Char(edit, TEXT('!'));
    EXPECT_EQ(Text(edit).substr(65100, 7), TEXT("xxxxx!x"));
    EXPECT_EQ(GetWindowTextLengthW(edit), 70001);
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
    HWND edit = Make(kNoWrap, TEXT("abc"));
    EXPECT_TRUE(Send(edit, EM_SETREADONLY, TRUE));
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
    Caret(edit, 1);
    Char(edit, TEXT('x'));
    Char(edit, 8);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Text(edit), TEXT("abc"));
    EXPECT_EQ(Received(), Codes{});
    Replace(edit, TEXT("Z"), TRUE);
    EXPECT_EQ(Text(edit), TEXT("aZbc"));
    Send(edit, EM_SETREADONLY, FALSE);
    Char(edit, TEXT('y'));
    EXPECT_EQ(Text(edit), TEXT("aZybc"));
}

TEST_F(EditTest, DialogCodes) {
    HWND multi = Make(kNoWrap), single = Make(kSingleLine);
    LRESULT both = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    EXPECT_EQ(Send(multi, WM_GETDLGCODE), both | DLGC_WANTALLKEYS);
    EXPECT_EQ(Send(single, WM_GETDLGCODE), both);
}

TEST_F(EditTest, ControlKeysOtherThanTabEnterAndBackspaceTypeNothing) {
    HWND edit = Make(kNoWrap, TEXT("ab"));
    Char(edit, 1);  // Ctrl+A
    Char(edit, 0x7F);
    EXPECT_EQ(Text(edit), TEXT("ab"));
    EXPECT_EQ(Received(), Codes{});
}

TEST_F(EditTest, ControlZUndoes) {
    HWND edit = Make(kNoWrap, TEXT("ab"));
    Caret(edit, 2);
    Char(edit, TEXT('c'));
    Char(edit, 0x1A);
    EXPECT_EQ(Text(edit), TEXT("ab"));
    Char(edit, 0x1A);
    EXPECT_EQ(Text(edit), TEXT("abc"));
    Send(edit, EM_SETREADONLY, TRUE);
    Char(edit, 0x1A);
    EXPECT_EQ(Text(edit), TEXT("abc")) << "not in a read-only edit";
}

TEST_F(EditTest, SingleLineIgnoresEnterAndTabAndIsOneLine) {
    HWND edit = Make(kSingleLine, TEXT("ab"));
    Caret(edit, 1);
    Char(edit, TEXT('\r'));
    Char(edit, TEXT('\n'));
    Char(edit, TEXT('\t'));
    EXPECT_EQ(Text(edit), TEXT("ab"));
    EXPECT_EQ(Received(), Codes{});
    SetWindowTextW(edit, TEXT("one\r\ntwo"));
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

// ---------------------------------------------------------------------------------------------------
// The real key road: key messages, TranslateMessage, WM_CHAR
// ---------------------------------------------------------------------------------------------------

TEST_F(EditTest, KeysTypedThroughTheMessageLoop) {
    HWND edit = Make(kNoWrap, TEXT(""));
    SetFocus(edit);
    Received();
    test_platform::PressKey('H', TEXT('h'));
    test_platform::PressKey('I', TEXT('i'));
    test_platform::PressKey(VK_RETURN, TEXT('\r'));
    test_platform::PressKey(VK_LEFT);
    test_platform::PressKey(VK_LEFT);
    test_platform::PressKey('X', TEXT('x'));
    test_platform::PressKey(VK_BACK, 8);
    EXPECT_EQ(Text(edit), TEXT("hi\r\n"));
    EXPECT_EQ(Sel(edit), Range(1, 1));
    EXPECT_EQ(Received().size(), 5u * 2);  // each of h, i, Enter, x, Backspace: EN_UPDATE and EN_CHANGE
}

}  // namespace
