// The edit control's text: every UTF-16 unit exactly as it was given, and where its lines start.
//
// The text lives in blocks of a few thousand units, so that an edit anywhere moves at most one block's
// worth of memory and never the whole text. Each block lists the line starts inside it as 16-bit offsets;
// two running totals (units and line starts before each block) turn a position into a line and back by
// binary search. Lines break at LF, at CR LF and at a lone CR; nothing in the text is ever converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace posix {

class TextStore {
public:
    enum class Breaks { Lines, None };  // None: a single-line control, where CR and LF are plain characters

    explicit TextStore(Breaks breaks = Breaks::Lines) : breaks_(breaks) {}

    // --- The characters ---
    void Assign(const char16_t *text, size_t count);
    // Replaces [from, to) with count units of text. Positions must be within the text.
    void Replace(size_t from, size_t to, const char16_t *text, size_t count);
    size_t Length() const { return length_; }
    char16_t At(size_t pos) const;  // sequential reads are cheap: the last block used is remembered
    void CopyOut(size_t from, size_t to, char16_t *out) const;
    std::u16string Slice(size_t from, size_t to) const;

    // --- Lines, as the text breaks them (a text ending in a break has an empty last line) ---
    size_t LineCount() const { return breakCount_ + 1; }
    size_t LineStart(size_t line) const;
    // Where the line's break characters begin; the text's length for the last line.
    size_t LineContentEnd(size_t line) const;
    // The line holding pos; a position between CR and LF belongs to the line they end.
    size_t LineOf(size_t pos) const;

    // Bytes the store holds on the heap, for measurements.
    size_t BytesHeld() const;

private:
    struct Block {
        std::vector<char16_t> chars;  // at most a little over kBlockUnits
        std::vector<uint16_t> starts; // line starts inside the block, as offsets in (0, size]
    };

    // A block holds at most this many units before an insertion splits it; offsets fit in 16 bits.
    static constexpr size_t kBlockUnits = 16384;

    size_t BlockHolding(size_t pos) const;  // the block with pos among its characters
    size_t BlockEnding(size_t pos) const;   // the block whose characters end at or after pos, from the left
    void EraseRange(size_t from, size_t to);
    void InsertAt(size_t pos, const char16_t *text, size_t count);
    void AppendBlocks(size_t index, const char16_t *units, size_t count);
    void Tidy(size_t firstBlock, size_t lastBlock);
    void FindStarts(Block &block) const;
    void Recount();

    Breaks breaks_;
    std::vector<Block> blocks_;         // never an empty block; no block boundary between a CR and its LF
    std::vector<size_t> blockStart_;    // position of each block's first unit
    std::vector<size_t> startsBefore_;  // line starts recorded in the blocks before each block
    size_t length_ = 0;                 // units in the text
    size_t breakCount_ = 0;             // line breaks in the text
    mutable size_t lastBlock_ = 0;      // block of the last At(), where the next read most likely is
};

}  // namespace posix
