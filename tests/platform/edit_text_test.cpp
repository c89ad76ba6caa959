// The edit control's text store against a plain string: the characters and the line starts must agree
// after any sequence of edits, wherever the store's block boundaries fall.
#include "platform/posix/controls/edit_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using posix::edit::TextStore;

// Line starts of a plain string: after LF, after CR LF, after a lone CR.
std::vector<size_t> LineStartsOf(const std::u16string &text) {
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            starts.push_back(i + 1);
    }
    return starts;
}

size_t ContentEndOf(const std::u16string &text, const std::vector<size_t> &starts, size_t line) {
    if (line + 1 == starts.size()) return text.size();
    size_t next = starts[line + 1];
    return next >= 2 && text[next - 1] == u'\n' && text[next - 2] == u'\r' ? next - 2 : next - 1;
}

void ExpectSame(const TextStore &store, const std::u16string &text) {
    ASSERT_EQ(store.Length(), text.size());
    ASSERT_EQ(store.Slice(0, store.Length()), text);
    std::vector<size_t> starts = LineStartsOf(text);
    ASSERT_EQ(store.LineCount(), starts.size());
    for (size_t line = 0; line < starts.size(); ++line) {
        ASSERT_EQ(store.LineStart(line), starts[line]) << "line " << line;
        ASSERT_EQ(store.LineContentEnd(line), ContentEndOf(text, starts, line)) << "line " << line;
    }
    size_t line = 0;
    for (size_t pos = 0; pos <= text.size(); ++pos) {
        while (line + 1 < starts.size() && starts[line + 1] <= pos)
            ++line;
        ASSERT_EQ(store.LineOf(pos), line) << "position " << pos;
        if (pos < text.size()) {
            ASSERT_EQ(store.At(pos), text[pos]) << "position " << pos;
        }
    }
}

std::u16string RandomText(std::mt19937 &rng, size_t length) {
    static const char16_t kAlphabet[] = u"ab \r\n\r\n\t";
    std::uniform_int_distribution<size_t> pick(0, 7);
    std::u16string text;
    for (size_t i = 0; i < length; ++i)
        text += kAlphabet[pick(rng)];
    return text;
}

// Mostly the code page's characters (its upper half and its five C1 stand-ins among them), now and then
// one it lacks: U+0080 and U+0098, whose bytes mean other characters, a CJK character, a lone surrogate
// and U+0000.
std::u16string MixedText(std::mt19937 &rng, size_t length) {
    static const char16_t kAlphabet[] = u"ab\r\n\u00e9\u20ac\u0081\u009d\u00ff";
    static const char16_t kOutside[] = {0x0080, 0x0098, 0x4E00, 0xD800, 0x0000};
    std::uniform_int_distribution<size_t> pick(0, 8), outside(0, 4), rare(0, 40);
    std::u16string text;
    for (size_t i = 0; i < length; ++i)
        text += rare(rng) == 0 ? kOutside[outside(rng)] : kAlphabet[pick(rng)];
    return text;
}

TEST(EditTextStore, EmptyTextHasOneEmptyLine) {
    TextStore store;
    ExpectSame(store, u"");
    store.Assign(u"x", 1);
    store.Replace(0, 1, nullptr, 0);
    ExpectSame(store, u"");
}

TEST(EditTextStore, BreaksAtLfCrLfAndLoneCr) {
    TextStore store;
    std::u16string text = u"a\nb\r\nc\rd\r\r\ne\r";
    store.Assign(text.data(), text.size());
    ExpectSame(store, text);
    EXPECT_EQ(store.LineCount(), 7u);
    // A position between CR and LF belongs to the line the pair ends.
    EXPECT_EQ(store.LineOf(4), 1u);
}

TEST(EditTextStore, JoiningAndSplittingCrLfChangesTheLines) {
    TextStore store(TextStore::Breaks::Lines, 4);
    std::u16string text = u"abc\rdef";
    store.Assign(text.data(), text.size());
    // An LF typed after a lone CR makes one break of the two.
    store.Replace(4, 4, u"\n", 1);
    text.insert(4, u"\n");
    ExpectSame(store, text);
    // Typing between CR and LF makes two breaks of one.
    store.Replace(4, 4, u"x", 1);
    text.insert(4, u"x");
    ExpectSame(store, text);
    // Deleting what stood between them joins them again.
    store.Replace(4, 5, nullptr, 0);
    text.erase(4, 1);
    ExpectSame(store, text);
}

TEST(EditTextStore, SingleLineStoreSeesNoBreaks) {
    TextStore store(TextStore::Breaks::None);
    std::u16string text = u"a\r\nb\nc";
    store.Assign(text.data(), text.size());
    EXPECT_EQ(store.LineCount(), 1u);
    EXPECT_EQ(store.LineContentEnd(0), text.size());
    EXPECT_EQ(store.LineOf(5), 0u);
}

// Random edits on tiny blocks: every boundary case (CR at one block's end, LF at the next one's start,
// emptied blocks, merged blocks) comes up many times.
TEST(EditTextStore, RandomEditsAgreeWithPlainString) {
    for (size_t blockUnits : {2u, 3u, 8u, 64u}) {
        std::mt19937 rng(unsigned(blockUnits) * 7919u);
        TextStore store(TextStore::Breaks::Lines, blockUnits);
        std::u16string text = RandomText(rng, 300);
        store.Assign(text.data(), text.size());
        ExpectSame(store, text);
        for (int step = 0; step < 1500; ++step) {
            std::uniform_int_distribution<size_t> at(0, text.size());
            size_t from = at(rng);
            size_t to = std::min(text.size(), from + std::uniform_int_distribution<size_t>(0, 12)(rng));
            std::u16string inserted = RandomText(rng, std::uniform_int_distribution<size_t>(0, 10)(rng));
            // Now and then a large paste or cut, spanning many blocks.
            if (step % 97 == 0) inserted = RandomText(rng, 200);
            if (step % 89 == 0) to = std::min(text.size(), from + 150);
            store.Replace(from, to, inserted.data(), inserted.size());
            text.replace(from, to - from, inserted);
            if (step % 25 == 0) ExpectSame(store, text);
            ASSERT_EQ(store.Length(), text.size());
        }
        ExpectSame(store, text);
    }
}

// Blocks keep a byte a character until a character without a byte arrives, and then two; either way
// the text reads back exactly as it was given.
TEST(EditTextStore, RandomEditsWithCharactersOutsideTheCodePageAgree) {
    for (size_t blockUnits : {3u, 16u, 200u}) {
        std::mt19937 rng(unsigned(blockUnits) * 104729u);
        TextStore store(TextStore::Breaks::Lines, blockUnits);
        std::u16string text = MixedText(rng, 400);
        store.Assign(text.data(), text.size());
        ExpectSame(store, text);
        for (int step = 0; step < 1200; ++step) {
            std::uniform_int_distribution<size_t> at(0, text.size());
            size_t from = at(rng);
            size_t to = std::min(text.size(), from + std::uniform_int_distribution<size_t>(0, 12)(rng));
            std::u16string inserted = MixedText(rng, std::uniform_int_distribution<size_t>(0, 10)(rng));
            if (step % 97 == 0) inserted = MixedText(rng, 300);
            if (step % 89 == 0) to = std::min(text.size(), from + 250);
            store.Replace(from, to, inserted.data(), inserted.size());
            text.replace(from, to - from, inserted);
            if (step % 25 == 0) ExpectSame(store, text);
        }
        ExpectSame(store, text);
    }
}

TEST(EditTextStore, CodePageTextTakesOneByteACharacterAndOtherTextTwoOnlyInItsBlock) {
    std::u16string text;
    for (size_t i = 0; text.size() < (1u << 20); ++i)
        text += char16_t(i % 7 == 0 ? u'\n' : i % 5 == 0 ? u'\u20ac' : u'a' + i % 26);
    TextStore store;
    store.Assign(text.data(), text.size());
    size_t oneByte = store.BytesHeld();
    EXPECT_LT(oneByte, text.size() * 13 / 10);
    EXPECT_GE(oneByte, text.size());
    // One character outside the code page widens its own block, not the text.
    text[text.size() / 2] = u'\u4e00';
    store.Assign(text.data(), text.size());
    EXPECT_LT(store.BytesHeld(), oneByte + 2 * TextStore::kDefaultBlockUnits + 1024);
    EXPECT_GT(store.BytesHeld(), oneByte + TextStore::kDefaultBlockUnits / 2);
    ExpectSame(store, text);
    // Typing such a character into a one-byte block keeps every other character as it was.
    store.Replace(10, 10, u"\u0080", 1);
    text.insert(10, u"\u0080");
    EXPECT_EQ(store.Slice(0, 40), text.substr(0, 40));
    EXPECT_EQ(store.At(10), u'\u0080');
}

// A text given with its terminator ends at its first U+0000, and a CR LF at a block's edge stays whole.
TEST(EditTextStore, TerminatedTextEndsAtItsFirstNul) {
    for (size_t blockUnits : {2u, 4u, 5u, 64u}) {
        TextStore store(TextStore::Breaks::Lines, blockUnits);
        std::u16string text = u"abc\r\nde\u4e00f\r\n\r\ngh\u00e9\r";
        std::u16string given = text + u'\0' + u"after";
        store.AssignTerminated(given.c_str());
        ExpectSame(store, text);
        store.AssignTerminated(u"");
        ExpectSame(store, u"");
    }
    // Long enough for whole groups of characters, with the terminator at every place in a group, in
    // blocks of bytes and in blocks of units (a character outside the code page at each block's start).
    for (char16_t first : {u'x', u'\u4e00'})
        for (size_t length = 60; length < 100; ++length) {
            std::u16string text(length, u'x');
            text[length / 2] = u'\n';
            for (size_t at = 0; at < length; at += 32)
                text[at] = first;
            TextStore store(TextStore::Breaks::Lines, 32);
            store.AssignTerminated(text.c_str());
            ExpectSame(store, text);
        }
}

}  // namespace
