// The edit control's text: every UTF-16 unit exactly as it was given, and where its lines start.
//
// The text lives in blocks of a few thousand units, so that an edit anywhere moves at most one block's
// worth of memory and never the whole text. A block keeps one byte a character, through the 8-bit code
// page, while every character in it has a byte there (U+0000 included), and two bytes a character from
// the moment one does not: most text takes half the memory, and none of it is ever changed. Each block lists the line
// starts inside it as 16-bit offsets; two running totals (units and line starts before each block) turn a position into
// a line and back by binary search. Lines break at LF, at CR LF and at a lone CR; nothing in the text is ever
// converted.
#pragma once

#include "platform/posix/system/codepage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace posix::edit {

// Leaves new elements unset, for buffers that are written in full right after they grow.
template <typename T>
struct UnsetAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <typename U>
    UnsetAllocator(const UnsetAllocator<U> &) {}
    template <typename U>
    void construct(U *p) noexcept {
        ::new (static_cast<void *>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U *p, Args &&...args) {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }
};

// The characters of one block: bytes in the code page, or UTF-16 units once a character has no byte.
class BlockChars {
public:
    size_t Size() const { return wide_ ? units_.size() : bytes_.size(); }
    bool Empty() const { return Size() == 0; }
    bool Wide() const { return wide_; }
    char16_t operator[](size_t i) const { return wide_ ? units_[i] : codepage_tables::kWiden[bytes_[i]]; }
    char16_t Front() const { return (*this)[0]; }
    char16_t Back() const { return (*this)[Size() - 1]; }
    const unsigned char *Bytes() const { return wide_ ? nullptr : bytes_.data(); }
    const char16_t *Units() const { return wide_ ? units_.data() : nullptr; }

    void Assign(const char16_t *text, size_t count);
    // Takes units up to the first U+0000 or max of them, whichever comes first; returns how many.
    size_t AssignUntilNul(const char16_t *text, size_t max);
    void Insert(size_t at, const char16_t *text, size_t count);
    void Erase(size_t from, size_t to);
    void Append(const BlockChars &other);
    void Reserve(size_t units);
    size_t Capacity() const { return wide_ ? units_.capacity() : bytes_.capacity(); }
    void CopyOut(size_t from, size_t count, char16_t *out) const;
    size_t BytesHeld() const { return bytes_.capacity() + units_.capacity() * sizeof(char16_t); }

private:
    void Widen();

    std::vector<unsigned char, UnsetAllocator<unsigned char>> bytes_;
    std::vector<char16_t, UnsetAllocator<char16_t>> units_;
    bool wide_ = false;
};

// A stretch of one block: bytes in the code page or UTF-16 units, whichever the block keeps.
struct TextRun {
    const unsigned char *bytes = nullptr;
    const char16_t *units = nullptr;
    size_t count = 0;
};

class TextStore {
public:
    static constexpr size_t kDefaultBlockUnits = 16384;
    enum class Breaks { Lines, None };  // None: a single-line control, where CR and LF are plain characters

    // blockUnits: the most units a block holds before an insertion splits it (at most 65,000, so that
    // offsets fit in 16 bits). Tests use tiny blocks to put boundaries everywhere.
    explicit TextStore(Breaks breaks = Breaks::Lines, size_t blockUnits = kDefaultBlockUnits)
        : breaks_(breaks),
          blockUnits_(blockUnits < 2       ? 2
                      : blockUnits > 65000 ? 65000
                                           : blockUnits) {}

    // --- The characters ---
    void Assign(const char16_t *text, size_t count);
    // The same for a text that ends at its first U+0000, found while the text is taken in.
    void AssignTerminated(const char16_t *text);
    // Replaces [from, to) with count units of text. Positions must be within the text.
    void Replace(size_t from, size_t to, const char16_t *text, size_t count);
    size_t Length() const { return length_; }
    // Sequential reads are cheap: the block of the last read is remembered. 0 past the end.
    char16_t At(size_t pos) const {
        if (lastBlock_ < blocks_.size()) {
            size_t offset = pos - blockStart_[lastBlock_];
            if (pos >= blockStart_[lastBlock_] && offset < blocks_[lastBlock_].chars.Size())
                return blocks_[lastBlock_].chars[offset];
        }
        return AtElsewhere(pos);
    }
    // The characters from pos to the end of the block holding it, for reading long stretches: count is 0
    // at the end of the text. Valid until the text changes.
    TextRun RunAt(size_t pos) const;
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
        BlockChars chars;              // about blockUnits_ at most (a CR keeps its LF)
        std::vector<uint16_t> starts;  // line starts inside the block, as offsets in (0, size]
    };

    char16_t AtElsewhere(size_t pos) const;
    bool ReplaceInOneBlock(size_t from, size_t to, const char16_t *text, size_t count);
    size_t BlockHolding(size_t pos) const;  // the block with pos among its characters
    size_t BlockEnding(size_t pos) const;   // the block whose characters end at or after pos, from the left
    void EraseRange(size_t from, size_t to);
    void InsertAt(size_t pos, const char16_t *text, size_t count);
    void AppendBlocks(size_t index, const char16_t *units, size_t count);
    void AssignBlocks(const char16_t *text, size_t count, bool terminated);
    void Tidy(size_t firstBlock, size_t lastBlock);
    void FindStarts(Block &block) const;
    void Recount();

    Breaks breaks_;
    size_t blockUnits_;                 // most units in a block before an insertion splits it
    std::vector<Block> blocks_;         // never an empty block; no block boundary between a CR and its LF
    std::vector<size_t> blockStart_;    // position of each block's first unit
    std::vector<size_t> startsBefore_;  // line starts recorded in the blocks before each block
    size_t length_ = 0;                 // units in the text
    size_t breakCount_ = 0;             // line breaks in the text
    mutable size_t lastBlock_ = 0;      // block of the last At(), where the next read most likely is
};

// Reads the text forward from a position a block at a time, which a walk along a long line does at the
// cost of a pointer step per unit. Reading past the end gives 0, as At() does.
class TextReader {
public:
    TextReader(const TextStore &text, size_t pos) : text_(text), runStart_(pos) { Refill(); }
    size_t Pos() const { return runStart_ + at_; }
    char16_t Peek() {
        if (at_ == run_.count) Refill();
        if (at_ == run_.count) return 0;
        return run_.bytes ? codepage_tables::kWiden[run_.bytes[at_]] : run_.units[at_];
    }
    char16_t Take() {
        char16_t c = Peek();
        if (at_ < run_.count) ++at_;
        return c;
    }

private:
    void Refill() {
        runStart_ = Pos();
        run_ = text_.RunAt(runStart_);
        at_ = 0;
    }

    const TextStore &text_;
    size_t runStart_;  // position of the run's first character
    TextRun run_;      // the block's characters from runStart_ on
    size_t at_ = 0;    // the next character to read, within the run
};

}  // namespace posix::edit
