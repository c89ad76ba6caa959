// Selecting with the Mark key held, Cut, Copy and Paste through the program's own clipboard, and Undo.
#include "document/textfile.h"
#include "editing/mark.h"
#include "tests/program/harness.h"
#include "tests/support/allocation_budget.h"

namespace {

using MarkTest = ProgramTest;

constexpr int kEdit = 2;
constexpr int kUndo = 1, kCut = 2, kCopy = 3, kPaste = 4;

using Range = std::pair<DWORD, DWORD>;

Range Selection() {
    DWORD start = 0, end = 0;
    SendMessageW(EditorControl, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return {start, end};
}

std::u16string Clipboard() {
    return ClipboardText ? std::u16string(ClipboardText.get()) : u"(none)";
}

// The text shown in reverse video on a screen row: the selection, as the user sees it.
std::string ReversedOn(const posix::CellGrid &grid, int row) {
    std::string out;
    for (int col = 0; col < grid.Cols(); ++col)
        if (grid.At(col, row).attr & posix::kAttrReverse) out += char(grid.At(col, row).ch);
    return out;
}

class MarkScript {
public:
    explicit MarkScript(posix::HeadlessScreen &screen) : screen_(screen) {}

    // The editor holds text, with the caret at pos and nothing selected.
    MarkScript &Text(const std::u16string &text, DWORD pos) {
        screen_.Then([text, pos] {
            SetWindowTextW(EditorControl, text.c_str());
            SendMessageW(EditorControl, EM_SETSEL, pos, pos);
        });
        return *this;
    }
    MarkScript &Select(DWORD from, DWORD to) {
        screen_.Then([from, to] { SendMessageW(EditorControl, EM_SETSEL, from, to); });
        return *this;
    }
    MarkScript &MarkDown() {
        screen_.Press(VK_TSOFT1);
        return *this;
    }
    MarkScript &MarkUp() {
        screen_.Release(VK_TSOFT1);
        return *this;
    }
    MarkScript &Arrow(int vk, int times = 1) {
        for (int i = 0; i < times; ++i)
            screen_.Key(vk);
        return *this;
    }
    // Menu, Edit, then the item.
    MarkScript &Edit(int item) {
        screen_.Key(VK_TSOFT2).Key('0' + kEdit, char16_t(u'0' + kEdit)).Key('0' + item, char16_t(u'0' + item));
        return *this;
    }
    // Records the selection and both marks at this point of the script.
    MarkScript &Note(Range &selection, LONG *anchor = nullptr, LONG *caret = nullptr) {
        screen_.Then([&selection, anchor, caret] {
            selection = Selection();
            if (anchor) *anchor = MarkAnchor;
            if (caret) *caret = MarkCaret;
        });
        return *this;
    }

private:
    posix::HeadlessScreen &screen_;
};

// ---------------------------------------------------------------------------------------------------
// Selecting with Mark held
// ---------------------------------------------------------------------------------------------------

TEST_F(MarkTest, ArrowsWithMarkHeldSelectFromTheAnchorInEitherDirection) {
    Range afterRight{}, afterLeft{};
    LONG caretAfterRight = -1, anchorAfterLeft = -1, caretAfterLeft = -1;
    std::string shownAfterRight;
    MarkScript(screen)
        .Text(u"0123456789abcdefghij", 10)
        .MarkDown()
        .Arrow(VK_RIGHT, 3)
        .Note(afterRight, nullptr, &caretAfterRight);
    screen.Then([&] { shownAfterRight = ReversedOn(screen.Screen(), 1); });
    MarkScript(screen).Arrow(VK_LEFT, 5).Note(afterLeft, &anchorAfterLeft, &caretAfterLeft).MarkUp();
    Run();
    EXPECT_EQ(afterRight, (Range{10, 13}));
    EXPECT_EQ(caretAfterRight, 13);
    EXPECT_EQ(shownAfterRight, "abc") << "the selection shows in reverse video";
    EXPECT_EQ(afterLeft, (Range{8, 10}));
    EXPECT_EQ(anchorAfterLeft, 10);
    EXPECT_EQ(caretAfterLeft, 8);
    EXPECT_EQ(ReversedOn(screen.Screen(), 1), "89") << "the selection stays after Mark goes up";
}

TEST_F(MarkTest, DownAndUpWithMarkHeldSelectWholeLinesAsTheCaretMoves) {
    Range afterDown{}, afterDownAgain{}, afterUp{};
    // Lines start at 0, 12 and 17; the second is short, so the caret keeps aiming for column 7.
    MarkScript(screen)
        .Text(u"first line\r\nmid\r\nthird line", 7)
        .MarkDown()
        .Arrow(VK_DOWN)
        .Note(afterDown)
        .Arrow(VK_DOWN)
        .Note(afterDownAgain)
        .Arrow(VK_UP, 2)
        .Note(afterUp)
        .MarkUp();
    Run();
    EXPECT_EQ(afterDown, (Range{7, 15})) << "to the end of the short line";
    EXPECT_EQ(afterDownAgain, (Range{7, 24}));
    EXPECT_EQ(afterUp, (Range{7, 7})) << "back at the anchor: nothing selected";
}

TEST_F(MarkTest, AnArrowThatCannotMoveKeepsTheSelection) {
    Range atEnd{}, atStart{};
    MarkScript(screen)
        .Text(u"hello", 2)
        .MarkDown()
        .Arrow(VK_RIGHT, 4)
        .Note(atEnd)
        .MarkUp()
        .Select(2, 2)
        .MarkDown()
        .Arrow(VK_LEFT, 3)
        .Arrow(VK_UP)
        .Note(atStart)
        .MarkUp();
    Run();
    EXPECT_EQ(atEnd, (Range{2, 5}));
    EXPECT_EQ(atStart, (Range{0, 2}));
}

TEST_F(MarkTest, ArrowsWithMarkUpDropTheSelectionAndLeaveTheMarks) {
    Range afterPlainArrow{};
    MarkScript(screen)
        .Text(u"some words here", 5)
        .MarkDown()
        .Arrow(VK_RIGHT, 5)
        .MarkUp()
        .Arrow(VK_RIGHT)
        .Note(afterPlainArrow);
    Run();
    EXPECT_EQ(afterPlainArrow.first, afterPlainArrow.second) << "nothing selected";
    EXPECT_NE(afterPlainArrow.first, 5u) << "the caret moved";
    // The release of Mark placed both marks at the selection's start; the plain arrow left them.
    EXPECT_EQ(MarkAnchor, 5);
    EXPECT_EQ(MarkCaret, 5);
}

TEST_F(MarkTest, MarkPressedOverASelectionAnchorsAtItsStartAndKeepsItUntilAnArrow) {
    Range whilePressed{}, afterArrow{};
    LONG anchor = -1, caret = -1;
    MarkScript(screen)
        .Text(u"select from the middle", 12)
        .Select(12, 7)
        .MarkDown()
        .Note(whilePressed, &anchor, &caret)
        .Arrow(VK_RIGHT, 2)
        .Note(afterArrow)
        .MarkUp();
    Run();
    EXPECT_EQ(whilePressed, (Range{7, 12})) << "the old selection stays on screen";
    EXPECT_EQ(anchor, 7);
    EXPECT_EQ(caret, 7);
    EXPECT_EQ(afterArrow, (Range{7, 9}));
}

TEST_F(MarkTest, APressInAMessageBoxLeavesNoHoldBehind) {
    // The left soft key answers the About box while going down; its release never comes. The arrow that
    // follows in the editor is a plain one.
    Range afterArrow{};
    MarkScript(screen).Text(u"plain arrows only", 3);
    Menu({5, 3}).Press(VK_TSOFT1);
    MarkScript(screen).Arrow(VK_RIGHT, 2).Note(afterArrow);
    Run();
    EXPECT_EQ(afterArrow, (Range{5, 5}));
}

TEST_F(MarkTest, ALeftSoftKeyThatClosesADialogLeavesNoHoldBehind) {
    // "Find", the dialog's left soft key, goes down and closes the dialog; its release never comes.
    Range afterFind{}, afterArrow{};
    MarkScript(screen).Text(u"alpha beta gamma", 0);
    Menu({3}).Type(u"beta").Press(VK_TSOFT1);
    MarkScript(screen).Note(afterFind).Arrow(VK_RIGHT).Note(afterArrow);
    Run();
    EXPECT_EQ(afterFind, (Range{6, 10}));
    EXPECT_EQ(afterArrow.first, afterArrow.second) << "a plain arrow drops the selection";
}

// ---------------------------------------------------------------------------------------------------
// Cut, Copy and Paste
// ---------------------------------------------------------------------------------------------------

TEST_F(MarkTest, PasteBeforeAnyCopyAndCopyWithoutASelectionDoNothing) {
    std::u16string clipboardAfterEmptyCopy;
    MarkScript(screen).Text(u"untouched", 4).Edit(kPaste).Edit(kCopy).Edit(kCut);
    screen.Then([&] { clipboardAfterEmptyCopy = Clipboard(); });
    MarkScript(screen).Edit(kPaste);
    Run();
    EXPECT_EQ(EditorText(), u"untouched");
    EXPECT_EQ(clipboardAfterEmptyCopy, u"(none)");
    EXPECT_EQ(Selection(), (Range{4, 4}));
    EXPECT_FALSE(DirtyFlag);
    EXPECT_EQ(Title(), u"Scrivel - untitled");
}

TEST_F(MarkTest, CopiedTextPastesAgainAndAgainAndSurvivesACopyOfNothing) {
    MarkScript(screen)
        .Text(u"alpha beta gamma", 6)
        .MarkDown()
        .Arrow(VK_RIGHT, 4)
        .MarkUp()
        .Edit(kCopy)
        .Select(16, 16)
        .Edit(kPaste)
        .Select(0, 0)
        .Edit(kCopy)  // nothing selected: the clipboard keeps "beta"
        .Edit(kPaste);
    Run();
    EXPECT_EQ(EditorText(), u"betaalpha beta gammabeta");
    EXPECT_EQ(Clipboard(), u"beta");
    EXPECT_EQ(Selection(), (Range{4, 4})) << "the caret after the pasted text";
}

TEST_F(MarkTest, PasteReplacesTheSelectionAndALineBreakComesAlong) {
    MarkScript(screen)
        .Text(u"one\r\ntwo\r\nthree", 1)
        .Select(1, 7)  // "ne\r\ntw"
        .Edit(kCopy)
        .Select(10, 15)  // "three"
        .Edit(kPaste);
    Run();
    EXPECT_EQ(Clipboard(), u"ne\r\ntw");
    EXPECT_EQ(EditorText(), u"one\r\ntwo\r\nne\r\ntw");
    EXPECT_NE(screen.Text().find("tw"), std::string::npos);
}

TEST_F(MarkTest, CutMovesTextAndCannotBeUndone) {
    bool undoGreyedAfterCut = false;
    std::u16string textAfterUndo;
    MarkScript(screen).Text(u"keep cut keep", 5).Select(5, 9).Edit(kCut);
    screen.Key(VK_TSOFT2).Key('0' + kEdit, u'0' + kEdit).Then([&] {
        undoGreyedAfterCut = MenuItemGrayed(IDM_EDIT_UNDO);
    });
    screen.Key(VK_TSOFT2).Then([&] {
        UndoEdit();  // even asked directly, the editor has nothing to take back
        textAfterUndo = EditorText();
    });
    MarkScript(screen).Select(0, 0).Edit(kPaste);
    Run();
    EXPECT_TRUE(undoGreyedAfterCut);
    EXPECT_EQ(textAfterUndo, u"keep keep");
    EXPECT_EQ(EditorText(), u"cut keep keep");
    EXPECT_EQ(Clipboard(), u"cut ");
}

// Each edit through the menu counts as a change to the document, as typing does; Copy does not.
TEST_F(MarkTest, CutPasteAndUndoMarkTheDocumentModifiedAndCopyDoesNot) {
    WriteFile("doc.txt", "some saved text");
    struct Step {
        int item;
        bool dirty;
        std::u16string title;
    };
    Step steps[] = {{kCopy, false, u""}, {kCut, false, u""}, {kPaste, false, u""}, {kUndo, false, u""}};
    for (Step &step : steps) {
        screen.Then([] {
            OpenDocument(u"\\doc.txt");
            SendMessageW(EditorControl, EM_SETSEL, 0, 5);
        });
        // For Undo: typed and saved, so that only the Undo itself changes the document.
        if (step.item == kUndo) screen.Type(u"x").Then([] { SaveDocument(); });
        Menu({kEdit, step.item}).Then([&step, this] {
            step.dirty = DirtyFlag;
            step.title = Title();
        });
    }
    Run();
    EXPECT_FALSE(steps[0].dirty);
    EXPECT_EQ(steps[0].title, u"Scrivel - doc.txt ");
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(steps[i].dirty) << "item " << steps[i].item;
        EXPECT_EQ(steps[i].title, u"Scrivel - doc.txt *") << "item " << steps[i].item;
    }
}

TEST_F(MarkTest, UndoIsOfferedAsOfTheMomentTheMenuOpens) {
    bool greyedAtStart = false, greyedAfterTyping = true, greyedAfterToggle = false;
    std::u16string afterUndo;
    Menu({kEdit}).Then([&] { greyedAtStart = MenuItemGrayed(IDM_EDIT_UNDO); }).Key(VK_TSOFT2);
    screen.Type(u"typed");
    Menu({kEdit}).Then([&] { greyedAfterTyping = MenuItemGrayed(IDM_EDIT_UNDO); }).Key(VK_TSOFT2);
    Menu({kEdit, kUndo}).Then([&] { afterUndo = EditorText(); });
    screen.Type(u"again");
    Menu({5, 1});  // a new editor has nothing to undo
    Menu({kEdit}).Then([&] { greyedAfterToggle = MenuItemGrayed(IDM_EDIT_UNDO); }).Key(VK_TSOFT2);
    Run();
    EXPECT_TRUE(greyedAtStart);
    EXPECT_FALSE(greyedAfterTyping);
    EXPECT_EQ(afterUndo, u"");
    EXPECT_TRUE(greyedAfterToggle);
    EXPECT_EQ(EditorText(), u"again");
}

// ---------------------------------------------------------------------------------------------------
// Copy and Cut without memory for the copy
// ---------------------------------------------------------------------------------------------------

struct NoMemoryCase {
    const char *name;
    bool cut;
    size_t budget;  // bytes allowed before the refusal: 0 refuses the clipboard's own buffer
};

void PrintTo(const NoMemoryCase &c, std::ostream *out) {
    *out << c.name;
}

class NoMemoryTest : public ProgramTest, public ::testing::WithParamInterface<NoMemoryCase> {};

TEST_P(NoMemoryTest, TheUserIsToldAndClipboardAndDocumentStayAsTheyWere) {
    NoMemoryCase c = GetParam();
    const std::u16string text = u"the old text " + std::u16string(5000, u'y');
    bool refused = false;
    std::string box;
    std::u16string clipboardAfter, textAfter;
    Range selectionAfter{};
    MarkScript(screen).Text(u"old clipboard text", 0).Select(0, 3).Edit(kCopy).Text(text, 0).Select(3990, 3998);
    screen.Then([&] {
        // The 8 selected characters fit in 100 bytes; the text up to them does not.
        testing_support::AllocationBudget budget(c.budget);
        CopySelection(c.cut);
        refused = budget.Refused();
    });
    screen.Then([&] {
        box = screen.Text();
        clipboardAfter = Clipboard();
        textAfter = EditorText();
        selectionAfter = Selection();
    });
    screen.Key(VK_TSOFT1);
    Run();
    EXPECT_TRUE(refused);
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_NE(box.find("not enough memory"), std::string::npos) << box;
    EXPECT_EQ(clipboardAfter, u"old");
    EXPECT_EQ(textAfter, text);
    EXPECT_EQ(selectionAfter, (Range{3990, 3998}));
    EXPECT_EQ(Clipboard(), u"old");
}

INSTANTIATE_TEST_SUITE_P(ClipboardBufferOrTextCopy, NoMemoryTest,
                         ::testing::Values(NoMemoryCase{"CopyWithoutRoomForTheClipboard", false, 0},
                                           NoMemoryCase{"CutWithoutRoomForTheClipboard", true, 0},
                                           NoMemoryCase{"CopyWithoutRoomForTheText", false, 100},
                                           NoMemoryCase{"CutWithoutRoomForTheText", true, 100}),
                         [](const ::testing::TestParamInfo<NoMemoryCase> &info) { return info.param.name; });

}  // namespace
