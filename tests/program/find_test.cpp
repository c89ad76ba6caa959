// Find and Find next, through the menu, the Find dialog and its soft keys, as a person uses them.
#include "editing/find.h"
#include "tests/program/harness.h"
#include "tests/support/allocation_budget.h"

#include <memory>

namespace {

using Range = std::pair<DWORD, DWORD>;

Range Selection() {
    DWORD start = 0, end = 0;
    SendMessageW(EditorControl, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return {start, end};
}

HWND FindField() {
    return GetDlgItem(GetActiveWindow(), IDC_FIND_TEXT);
}

std::u16string FieldText() {
    WCHAR buffer[64] = {};
    GetWindowTextW(FindField(), buffer, 64);
    return buffer;
}

Range FieldSelection() {
    DWORD start = 0, end = 0;
    SendMessageW(FindField(), EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return {start, end};
}

constexpr int kFindItem = 3;  // "Find" and "Find next" are the third and fourth items of "Menu"
constexpr int kFindNextItem = 4;

class FindScenario : public ProgramTest {
protected:
    // The editor holds text with the selection at [from, to).
    posix::HeadlessScreen &Document(const std::u16string &text, DWORD from = 0, DWORD to = 0) {
        return screen.Then([text, from, to] {
            SetWindowTextW(EditorControl, text.c_str());
            SendMessageW(EditorControl, EM_SETSEL, from, to);
        });
    }
    // Menu, Find, the text typed over whatever the field holds, then the soft key "Find".
    posix::HeadlessScreen &Find(const std::u16string &typed) {
        Menu({kFindItem});
        return screen.Type(typed).Key(VK_TSOFT1);
    }
    posix::HeadlessScreen &FindNext() { return Menu({kFindNextItem}); }
    posix::HeadlessScreen &Note(Range &range) {
        return screen.Then([&range] { range = Selection(); });
    }
    // Reads the screen while a box is up, then answers it.
    posix::HeadlessScreen &ReadBox(std::string &box) {
        return screen.Then([this, &box] { box = screen.Text(); }).Key(VK_RETURN);
    }
};

TEST_F(FindScenario, FindSelectsTheMatchInTheEditorsOwnCaseAndFindsItAgainFromItsStart) {
    Range first, again;
    std::string dialog;
    std::u16string reopenedText;
    Range reopenedSelection;
    bool nextGreyedBefore = false, nextGreyedAfter = true;
    Document(u"alpha beta gamma delta").Then([&] { nextGreyedBefore = MenuItemGrayed(IDM_FIND_NEXT); });
    Menu({kFindItem}).Type(u"GAMMA").Then([&] { dialog = screen.Text(); }).Key(VK_TSOFT1);
    Note(first).Then([&] { nextGreyedAfter = MenuItemGrayed(IDM_FIND_NEXT); });
    Menu({kFindItem}).Then([&] {
        reopenedText = FieldText();
        reopenedSelection = FieldSelection();
    });
    screen.Key(VK_TSOFT1);
    Note(again);
    Run();
    EXPECT_TRUE(nextGreyedBefore);
    EXPECT_FALSE(nextGreyedAfter);
    EXPECT_NE(dialog.find("Search for:"), std::string::npos) << dialog;
    EXPECT_NE(dialog.find("GAMMA"), std::string::npos) << dialog;
    EXPECT_NE(dialog.find(" Find "), std::string::npos) << dialog;
    EXPECT_NE(dialog.find(" Cancel "), std::string::npos) << dialog;
    EXPECT_EQ(first, (Range{11, 16}));
    EXPECT_EQ(reopenedText, u"GAMMA");
    EXPECT_EQ(reopenedSelection, (Range{0, 5})) << "the last text comes back all selected";
    EXPECT_EQ(again, (Range{11, 16})) << "the search starts at the selection's start, inclusive";
    EXPECT_EQ(SearchText, u"GAMMA");
    EXPECT_EQ(EditorText(), u"alpha beta gamma delta");
    EXPECT_EQ(GetFocus(), EditorControl);
}

TEST_F(FindScenario, FindNextFindsOverlappingMatchesAndStopsAtTheEndWithoutWrapping) {
    Range first, second;
    std::string box;
    Range afterBox;
    Document(u"aaa");
    Find(u"aa");
    Note(first);
    FindNext();
    Note(second);
    FindNext();
    ReadBox(box);
    Note(afterBox);
    Run();
    EXPECT_EQ(first, (Range{0, 2}));
    EXPECT_EQ(second, (Range{1, 3})) << "the next match may start inside the last one";
    EXPECT_NE(box.find("Couldn't find string"), std::string::npos) << box;
    EXPECT_NE(box.find("Not found"), std::string::npos) << box;
    EXPECT_EQ(afterBox, (Range{1, 3})) << "the selection stays where it was";
}

TEST_F(FindScenario, AMatchOnlyBeforeTheCaretIsNotFoundAndFindNextIsEnabledAllTheSame) {
    std::string box, boxAtEnd;
    Range after;
    Document(u"needle in the hay", 17, 17);
    Find(u"needle");
    ReadBox(box);
    Note(after);
    FindNext();  // with the caret at the very end
    ReadBox(boxAtEnd);
    Run();
    EXPECT_NE(box.find("Couldn't find string"), std::string::npos) << box;
    EXPECT_EQ(after, (Range{17, 17}));
    EXPECT_FALSE(MenuItemGrayed(IDM_FIND_NEXT));
    EXPECT_NE(boxAtEnd.find("Couldn't find string"), std::string::npos) << boxAtEnd;
}

TEST_F(FindScenario, LetterCaseIsIgnoredForAccentedLettersToo) {
    Range accented, mixed, mixedNext;
    Document(u"Un \u00e9t\u00e9 chaud: ABC aBc");
    Find(u"\u00c9T\u00c9");
    Note(accented);
    screen.Then([] { SendMessageW(EditorControl, EM_SETSEL, 0, 0); });
    Find(u"abc");
    Note(mixed);
    FindNext();
    Note(mixedNext);
    Run();
    EXPECT_EQ(accented, (Range{3, 6}));
    EXPECT_EQ(mixed, (Range{14, 17}));
    EXPECT_EQ(mixedNext, (Range{18, 21}));
    EXPECT_EQ(EditorText(), u"Un \u00e9t\u00e9 chaud: ABC aBc") << "the editor's text keeps its letters";
    EXPECT_EQ(SearchText, u"abc");
}

TEST_F(FindScenario, CancelKeepsTheSearchTextAndTheSelection) {
    Range found, afterCancel;
    std::u16string reopened;
    Document(u"one beta two beta");
    Find(u"beta");
    Note(found);
    Menu({kFindItem}).Type(u"zzz").Key(VK_TSOFT2);
    Note(afterCancel);
    Menu({kFindItem}).Then([&] { reopened = FieldText(); }).Key(VK_TSOFT2);
    Run();
    EXPECT_EQ(found, (Range{4, 8}));
    EXPECT_EQ(afterCancel, (Range{4, 8}));
    EXPECT_EQ(SearchText, u"beta");
    EXPECT_EQ(reopened, u"beta");
}

TEST_F(FindScenario, BackDeletesInTheFieldAndTypingReplacesTheFoundText) {
    Range found;
    Document(u"alpha beta gamma");
    Menu({kFindItem}).Type(u"betax").Key(VK_TBACK).Key(VK_TSOFT1);
    Note(found);
    screen.Type(u"B");
    Run();
    EXPECT_EQ(found, (Range{6, 10}));
    EXPECT_EQ(EditorText(), u"alpha B gamma");
}

TEST_F(FindScenario, AnEmptyEntryForgetsTheTextAndFindNextThenDoesNothing) {
    Range found, afterEmpty, afterNext;
    std::u16string reopened = u"unset";
    int framesWithBox = 0;
    Document(u"beta beta beta");
    Find(u"beta");
    Note(found);
    // The field opens with "beta" all selected: Back takes it all away.
    Menu({kFindItem}).Key(VK_TBACK).Key(VK_TSOFT1);
    Note(afterEmpty);
    FindNext();
    Note(afterNext).Then([&] { framesWithBox = screen.Shows("Not found") ? 1 : 0; });
    Menu({kFindItem}).Then([&] { reopened = FieldText(); }).Key(VK_TSOFT2);
    Run();
    EXPECT_EQ(found, (Range{0, 4}));
    EXPECT_EQ(afterEmpty, found) << "an empty entry searches nothing";
    EXPECT_EQ(afterNext, found) << "Find next without a search text does nothing";
    EXPECT_EQ(framesWithBox, 0);
    EXPECT_TRUE(SearchText.empty());
    EXPECT_EQ(reopened, u"");
    EXPECT_FALSE(MenuItemGrayed(IDM_FIND_NEXT)) << "nothing greys the item again";
}

TEST_F(FindScenario, AnEmptyEditorOpensNoDialog) {
    std::string shown;
    Menu({kFindItem}).Then([&] { shown = screen.Text(); });
    Run();
    EXPECT_EQ(shown.find("Search for:"), std::string::npos) << shown;
    EXPECT_TRUE(MenuItemGrayed(IDM_FIND_NEXT));
}

// ---------------------------------------------------------------------------------------------------
// Failures
// ---------------------------------------------------------------------------------------------------

std::u16string LargeText() {
    std::u16string text(1 << 20, u'x');
    text += u" needle";
    return text;
}

TEST_F(FindScenario, WithoutMemoryForTheCopyTheUserIsToldAndNothingElseChanges) {
    std::u16string text = LargeText();
    std::unique_ptr<testing_support::AllocationBudget> budget;
    bool refusedOnFind = false, refusedOnNext = false;
    std::string findBox, nextBox;
    Range afterFind, afterNext;
    bool nextGreyed = false;
    Document(text, 5, 5);
    // Find: the budget starts just before the soft key confirms, so the copy of the text is what fails.
    Menu({kFindItem}).Type(u"needle").Then([&] {
        budget = std::make_unique<testing_support::AllocationBudget>(512 * 1024);
    });
    screen.Key(VK_TSOFT1).Then([&] {
        findBox = screen.Text();
        refusedOnFind = budget->Refused();
        budget.reset();
    });
    screen.Key(VK_RETURN);
    Note(afterFind).Then([&] { nextGreyed = MenuItemGrayed(IDM_FIND_NEXT); });
    // Find next, called as the menu calls it, with the budget alive while its box is up.
    screen.Then([&] {
        testing_support::AllocationBudget nextBudget(64 * 1024);
        SendMessageW(MainWindow, WM_COMMAND, IDM_FIND_NEXT, 0);
        refusedOnNext = nextBudget.Refused();
    });
    screen.Then([&] { nextBox = screen.Text(); }).Key(VK_RETURN);
    Note(afterNext);
    Run();
    EXPECT_TRUE(refusedOnFind);
    EXPECT_NE(findBox.find("Error"), std::string::npos) << findBox;
    EXPECT_EQ(findBox.find("Couldn't find string"), std::string::npos) << findBox;
    EXPECT_EQ(afterFind, (Range{5, 5}));
    EXPECT_TRUE(nextGreyed) << "a Find that could not search does not enable Find next";
    EXPECT_EQ(SearchText, u"needle") << "the confirmed entry is remembered";
    EXPECT_TRUE(refusedOnNext);
    EXPECT_NE(nextBox.find("Error"), std::string::npos) << nextBox;
    EXPECT_EQ(afterNext, (Range{5, 5}));
    EXPECT_EQ(EditorText(), text);
}

HWND g_refusedDialog = nullptr;
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto *create = reinterpret_cast<CBT_CREATEWNDW *>(lParam);
        LPCWSTR cls = create->lpcs->lpszClass;
        if (cls && !IS_INTRESOURCE(cls) && std::u16string(cls) == u"#32770") {
            g_refusedDialog = (HWND)wParam;
            return 1;
        }
    }
    return 0;
}

TEST_F(FindScenario, ADialogThatCannotBeShownSearchesNothingAndEnablesNothing) {
    g_refusedDialog = nullptr;
    HHOOK hook = nullptr;
    Range after;
    std::string shown;
    Document(u"alpha beta", 2, 2).Then([&] { hook = SetWindowsHookExW(WH_CBT, RefuseDialogs, nullptr, 0); });
    Menu({kFindItem}).Then([&] { shown = screen.Text(); });
    Note(after).Then([&] { UnhookWindowsHookEx(hook); });
    Run();
    EXPECT_NE(g_refusedDialog, nullptr) << "the dialog was asked for";
    EXPECT_EQ(after, (Range{2, 2}));
    EXPECT_TRUE(MenuItemGrayed(IDM_FIND_NEXT));
    EXPECT_EQ(shown.find("Not found"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Error"), std::string::npos) << shown;
}

}  // namespace
