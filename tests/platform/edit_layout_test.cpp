// The edit control's layout on long lines, where it keeps checkpoints: after any sequence of edits, the
// rows and columns it gives must be those a layout that never saw an edit works out for the same text.
#include "platform/posix/controls/edit_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using posix::edit::Layout;
using posix::edit::Row;
using posix::edit::Spot;
using posix::edit::TextStore;

std::string Describe(const Row &row) {
    return std::to_string(row.line) + ":" + std::to_string(row.start) + "-" + std::to_string(row.end) +
           (row.last ? " last" : "");
}

std::string Describe(const Spot &spot) {
    return std::to_string(spot.pos) + "@" + std::to_string(spot.column);
}

// Pieces of text whose widths differ and whose columns depend on what stands before them: words and
// blanks for wrap, tabs, double-width characters, surrogate pairs and their lone halves (which pair up
// when an edit puts them side by side), combining marks, and now and then a line break.
std::u16string RandomPiece(std::mt19937 &rng, size_t count, int breakOneIn) {
    static const char16_t *const kPieces[] = {u"word",   u"of",     u"longerword",   u" ",          u" ",       u"  ",
                                              u"\t",     u"\u4E2D", u"\u6587\u5B57", u"\U0001F600", u"e\u0301", u"x",
                                              u"ab cd ", u"\xD83D", u"\xDE00"};  // lone halves of a surrogate pair
    std::uniform_int_distribution<size_t> pick(0, sizeof kPieces / sizeof kPieces[0] - 1);
    std::uniform_int_distribution<int> lineBreak(0, breakOneIn - 1);
    static const char16_t *const kBreaks[] = {u"\r\n", u"\n", u"\r"};
    std::u16string text;
    while (text.size() < count) {
        if (breakOneIn > 0 && lineBreak(rng) == 0) {
            text += kBreaks[rng() % 3];
        } else {
            text += kPieces[pick(rng)];
        }
    }
    return text;
}

class EditLayoutTest : public ::testing::Test {
protected:
    // Compares the rows and columns around each position with those of the same text in a layout that
    // has measured nothing before.
    void CompareWithFresh(const std::vector<size_t> &positions, int columnOffset = 0) {
        TextStore freshText;
        Layout fresh(freshText);
        fresh.SetWrapColumns(wrap);
        fresh.Assign(text.data(), text.size());
        ASSERT_EQ(store.Length(), text.size());
        for (size_t pos : positions) {
            Compare(fresh, std::min(pos, text.size()), columnOffset);
            if (HasFatalFailure()) return;
        }
    }

    void Compare(const Layout &fresh, size_t pos, int columnOffset) {
        for (bool afterWrap : {false, true}) {
            Row row = layout.RowHolding(pos, afterWrap), expected = fresh.RowHolding(pos, afterWrap);
            ASSERT_EQ(Describe(row), Describe(expected)) << "row holding " << pos << " afterWrap " << afterWrap;
            ASSERT_EQ(layout.ColumnOf(row, pos), fresh.ColumnOf(expected, pos)) << "column of " << pos;
            int column = std::max(fresh.ColumnOf(expected, pos) + columnOffset, 0);
            ASSERT_EQ(Describe(layout.SpotAt(row, column)), Describe(fresh.SpotAt(expected, column)))
                << "spot at column " << column << " of " << Describe(row);
            Row above = row, expectedAbove = expected;
            ASSERT_EQ(layout.Previous(above), fresh.Previous(expectedAbove));
            ASSERT_EQ(Describe(above), Describe(expectedAbove)) << "row above " << Describe(row);
            size_t moved = 0, expectedMoved = 0;
            ASSERT_EQ(Describe(layout.Up(row, 7, &moved)), Describe(fresh.Up(expected, 7, &expectedMoved)));
            ASSERT_EQ(moved, expectedMoved);
        }
        Row row = layout.RowHolding(pos, false);
        ASSERT_EQ(Describe(layout.LastRowOf(row.line)), Describe(fresh.LastRowOf(row.line)));
    }

    void Edit(size_t from, size_t to, const std::u16string &inserted) {
        layout.Replace(from, to, inserted.data(), inserted.size());
        text.replace(from, to - from, inserted);
    }

    // Random edits, each followed by questions about the places around it and far from it, so that the
    // layout has checkpoints before, inside and after every edit.
    void RunRandomEdits(int wrapColumns, unsigned seed, int steps, const std::u16string &start = u"") {
        std::mt19937 rng(seed);
        wrap = wrapColumns;
        layout.SetWrapColumns(wrap);
        text = start.empty() ? RandomPiece(rng, 30000, 6000) : start;
        layout.Assign(text.data(), text.size());
        for (int step = 0; step < steps; ++step) {
            std::uniform_int_distribution<size_t> at(0, text.size());
            size_t from = at(rng);
            size_t to = std::min(text.size(), from + std::uniform_int_distribution<size_t>(0, 4)(rng));
            std::u16string inserted = RandomPiece(rng, std::uniform_int_distribution<size_t>(0, 3)(rng), 50);
            if (step % 37 == 0)
                inserted = RandomPiece(rng, 5000, 0);  // a paste longer than the distance between checkpoints
            if (step % 41 == 0) to = std::min(text.size(), from + 3000);
            Edit(from, to, inserted);
            size_t end = from + inserted.size();
            CompareWithFresh({from, end, end + 9, at(rng), at(rng), text.size()},
                             std::uniform_int_distribution<int>(-12, 12)(rng));
            if (HasFatalFailure()) {
                ADD_FAILURE() << "after step " << step << ": [" << from << ", " << to << ") became " << inserted.size()
                              << " units";
                return;
            }
        }
    }

    TextStore store;
    Layout layout{store};
    std::u16string text;
    int wrap = 0;
};

TEST_F(EditLayoutTest, ColumnsOnLongLinesSurviveEditsBeforeAndAfterTheirCheckpoints) {
    RunRandomEdits(0, 17, 400);
}

TEST_F(EditLayoutTest, WrappedRowsOfLongLinesSurviveEditsBeforeAndAfterTheirCheckpoints) {
    RunRandomEdits(13, 23, 400);
}

TEST_F(EditLayoutTest, RowsNarrowerThanAWideCharacterSurviveEdits) {
    RunRandomEdits(1, 29, 150);
}

// A line that repeats itself: an edit that pairs its words differently moves every row after it, and
// wrap never falls back into the old rows. What a change leaves unsettled is settled (or not) later.
TEST_F(EditLayoutTest, RowsOfALineThatRepeatsItselfSurviveEdits) {
    std::u16string start;
    for (int i = 0; i < 6000; ++i)
        start += u"aaaa bbbb ";
    RunRandomEdits(10, 31, 120, start);
}

// With every word one row wide, a word put in at the start moves every row after it: no row start after
// the edit is one there was before, and the rows at the far end must still come out right.
TEST_F(EditLayoutTest, WordPutInAtTheStartMovesEveryRowOfTheLine) {
    wrap = 10;
    layout.SetWrapColumns(wrap);
    for (int i = 0; i < 1000; ++i)
        text += i % 2 ? u"bbbb " : u"aaaa ";
    layout.Assign(text.data(), text.size());
    CompareWithFresh({text.size()});
    Edit(0, 0, u"cccc ");
    CompareWithFresh({text.size()});
    EXPECT_EQ(Describe(layout.LastRowOf(0)), "0:5000-5005 last");
    Edit(0, 5, u"");
    CompareWithFresh({text.size()});
    EXPECT_EQ(Describe(layout.LastRowOf(0)), "0:4990-5000 last");
}

// A word longer than a row starts a row wherever the rows before it stood: a change that moved every row
// of a long stretch before it is settled there, far beyond the walk the change itself makes.
TEST_F(EditLayoutTest, RowsSettleAtAWordLongerThanARowFarAfterTheChange) {
    wrap = 10;
    layout.SetWrapColumns(wrap);
    for (int i = 0; i < 8000; ++i)
        text += u"aaaa bbbb ";
    text += std::u16string(25, u'z') + u" ";
    for (int i = 0; i < 2000; ++i)
        text += u"aaaa bbbb ";
    layout.Assign(text.data(), text.size());
    CompareWithFresh({text.size(), 40000, 80010});
    Edit(0, 0, u"cccc ");
    CompareWithFresh({text.size(), 70000, 40000, 80030, 81000, 5});
    Edit(60000, 60000, u"dddd ");  // in the stretch the first change left unsettled
    CompareWithFresh({100000, text.size(), 60000, 80035});
    Edit(0, 5, u"");
    CompareWithFresh({text.size(), 100000, 0});
    // Two changes with nothing asked in between: the second is in the stretch the first left unsettled,
    // after the long word, and moves the rows after it again.
    Edit(0, 0, u"cccc ");
    Edit(90031, 90031, u"cccc ");  // where a row starts
    CompareWithFresh({text.size(), 90031, 85000, 40000});
}

// A run of blanks longer than a row: the blank that reaches the edge hangs past it, and the rest of the
// run falls into rows like a long word, so that no row is much longer than the width. A few blanks after
// a word still hang past the edge, and a tab that starts at the edge hangs too.
TEST_F(EditLayoutTest, LongRunOfBlanksFallsIntoRowsOfTheWidth) {
    wrap = 10;
    layout.SetWrapColumns(wrap);
    auto rowsOf = [this](const std::u16string &t) {
        text = t;
        layout.Assign(text.data(), text.size());
        std::vector<std::string> rows;
        Row row = layout.FirstRowOf(0);
        do {
            rows.push_back(Describe(row));
        } while (layout.Next(row) && rows.size() < 100);
        return rows;
    };
    using Rows = std::vector<std::string>;
    EXPECT_EQ(rowsOf(u"a" + std::u16string(45, u' ') + u"b"),
              (Rows{"0:0-11", "0:11-22", "0:22-33", "0:33-44", "0:44-47 last"}));
    EXPECT_EQ(rowsOf(u"abcdefghij  klm"), (Rows{"0:0-11", "0:11-15 last"}));
    EXPECT_EQ(rowsOf(u"abcdefgh  klm"), (Rows{"0:0-10", "0:10-13 last"}));
    EXPECT_EQ(rowsOf(u"abcdefghij\t\tx"), (Rows{"0:0-11", "0:11-13 last"}));
    EXPECT_EQ(rowsOf(std::u16string(30, u'\t')),
              (Rows{"0:0-2", "0:2-4", "0:4-6", "0:6-8", "0:8-10", "0:10-12", "0:12-14", "0:14-16", "0:16-18", "0:18-20",
                    "0:20-22", "0:22-24", "0:24-26", "0:26-28", "0:28-30 last"}));
    // Deep in a long run every row holds the width and one blank more.
    text = u"a" + std::u16string(100000, u' ') + u"b";
    layout.Assign(text.data(), text.size());
    Row row = layout.RowHolding(50000, false);
    EXPECT_EQ(Describe(row), "0:49995-50006");
    EXPECT_LE(layout.ColumnOf(row, row.end), wrap + 1);
    EXPECT_EQ(Describe(layout.LastRowOf(0)), "0:100001-100002 last");
}

// Edits in and around long runs of blanks, which now break into rows in the middle of the run: an edit
// that moves where the run starts moves every row of it.
TEST_F(EditLayoutTest, RowsOfLongRunsOfBlanksSurviveEdits) {
    std::u16string start;
    for (int i = 0; i < 6; ++i)
        start += u"word " + std::u16string(3000 + 7 * i, u' ') + u"x\t";
    RunRandomEdits(10, 37, 150, start);
}

}  // namespace
