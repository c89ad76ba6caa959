// The edit control's text store: blocks of UTF-16 units with the line starts inside each.
#include "platform/posix/controls/edit_text.h"

#include <algorithm>
#include <new>

namespace posix::edit {

namespace {

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

// The units a block of the given size is cut into when count units are packed: equal pieces, none
// over the most a block holds.
size_t PieceSize(size_t count, size_t most) {
    size_t pieces = (count + most - 1) / most;
    return (count + pieces - 1) / pieces;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------------

size_t TextStore::BlockHolding(size_t pos) const {
    auto it = std::upper_bound(blockStart_.begin(), blockStart_.end(), pos);
    return size_t(it - blockStart_.begin()) - 1;
}

size_t TextStore::BlockEnding(size_t pos) const {
    return pos == 0 ? 0 : BlockHolding(pos - 1);
}

char16_t TextStore::AtElsewhere(size_t pos) const {
    if (pos >= length_) return 0;
    size_t b = lastBlock_ + 1;
    if (b >= blocks_.size() || pos < blockStart_[b] || pos - blockStart_[b] >= blocks_[b].chars.size())
        b = BlockHolding(pos);
    lastBlock_ = b;
    return blocks_[b].chars[pos - blockStart_[b]];
}

const char16_t *TextStore::RunAt(size_t pos, size_t *count) const {
    *count = 0;
    if (pos >= length_) return nullptr;
    size_t b = BlockHolding(pos);
    size_t offset = pos - blockStart_[b];
    *count = blocks_[b].chars.size() - offset;
    return blocks_[b].chars.data() + offset;
}

void TextStore::CopyOut(size_t from, size_t to, char16_t *out) const {
    to = std::min(to, length_);
    if (from >= to) return;
    size_t b = BlockHolding(from);
    size_t offset = from - blockStart_[b];
    while (from < to) {
        const std::vector<char16_t> &chars = blocks_[b].chars;
        size_t n = std::min(to - from, chars.size() - offset);
        out = std::copy_n(chars.data() + offset, n, out);
        from += n;
        ++b;
        offset = 0;
    }
}

std::u16string TextStore::Slice(size_t from, size_t to) const {
    to = std::min(to, length_);
    if (from >= to) return std::u16string();
    std::u16string out(to - from, u'\0');
    CopyOut(from, to, out.data());
    return out;
}

size_t TextStore::LineStart(size_t line) const {
    if (line == 0 || blocks_.empty()) return 0;
    if (line > breakCount_) return length_;
    size_t k = line - 1;  // the k-th start recorded in the blocks
    auto it = std::upper_bound(startsBefore_.begin(), startsBefore_.end(), k);
    size_t b = size_t(it - startsBefore_.begin()) - 1;
    return blockStart_[b] + blocks_[b].starts[k - startsBefore_[b]];
}

size_t TextStore::LineContentEnd(size_t line) const {
    if (line + 1 >= LineCount()) return length_;
    size_t next = LineStart(line + 1);
    if (At(next - 1) == kLF && next >= 2 && At(next - 2) == kCR) return next - 2;
    return next - 1;
}

size_t TextStore::LineOf(size_t pos) const {
    pos = std::min(pos, length_);
    if (pos == 0 || blocks_.empty()) return 0;
    // The last block that starts before pos records every line start up to pos.
    auto it = std::lower_bound(blockStart_.begin(), blockStart_.end(), pos);
    size_t b = size_t(it - blockStart_.begin()) - 1;
    const std::vector<uint16_t> &starts = blocks_[b].starts;
    size_t offset = pos - blockStart_[b];
    auto within = std::upper_bound(starts.begin(), starts.end(), offset,
                                   [](size_t value, uint16_t start) { return value < start; });
    return startsBefore_[b] + size_t(within - starts.begin());
}

size_t TextStore::BytesHeld() const {
    size_t bytes = blocks_.capacity() * sizeof(Block);
    for (const Block &b : blocks_)
        bytes += b.chars.capacity() * sizeof(char16_t) + b.starts.capacity() * sizeof(uint16_t);
    bytes += (blockStart_.capacity() + startsBefore_.capacity()) * sizeof(size_t);
    return bytes;
}

// ---------------------------------------------------------------------------------------------------
// Changing
// ---------------------------------------------------------------------------------------------------

// A text too large to hold leaves the old one in place (and std::bad_alloc to the caller).
void TextStore::Assign(const char16_t *text, size_t count) {
    std::vector<Block> previous;
    previous.swap(blocks_);
    try {
        blocks_.reserve((count + blockUnits_ - 1) / blockUnits_);
        AppendBlocks(0, text, count);
        for (Block &b : blocks_)
            FindStarts(b);
        Recount();
    } catch (const std::bad_alloc &) {
        blocks_.swap(previous);
        Recount();  // only shrinks or keeps the tables, so it needs no memory
        throw;
    }
}

void TextStore::Replace(size_t from, size_t to, const char16_t *text, size_t count) {
    to = std::min(to, length_);
    from = std::min(from, to);
    if (ReplaceInOneBlock(from, to, text, count)) return;
    EraseRange(from, to);
    InsertAt(from, text, count);
    if (blocks_.empty()) return;
    // Only the blocks around the change can have changed, and their neighbours' shared boundaries.
    size_t first = BlockHolding(from == 0 ? 0 : std::min(from - 1, length_ - 1));
    size_t last = BlockHolding(std::min(from + count, length_ - 1));
    Tidy(first == 0 ? 0 : first - 1, std::min(last + 1, blocks_.size() - 1));
}

// Typing and deleting a few characters: the change stays inside one block, and only the line starts
// around it are found again; the others move by the change in length. Anything that would empty or
// overfill the block, or meet a CR and LF across its edges, takes the general way.
bool TextStore::ReplaceInOneBlock(size_t from, size_t to, const char16_t *text, size_t count) {
    if (blocks_.empty()) return false;
    size_t b = to > from ? BlockHolding(from) : BlockEnding(from);
    Block &block = blocks_[b];
    std::vector<char16_t> &chars = block.chars;
    size_t offset = from - blockStart_[b], removed = to - from, size = chars.size();
    if (offset + removed > size) return false;
    size_t newSize = size - removed + count;
    if (newSize == 0 || newSize > blockUnits_) return false;
    bool atStart = offset == 0, atEnd = offset + removed == size;
    char16_t newFirst = !atStart ? chars[0] : count ? text[0] : chars[removed];
    char16_t newLast = !atEnd ? chars.back() : count ? text[count - 1] : chars[offset - 1];
    if (atStart && b > 0 && blocks_[b - 1].chars.back() == kCR && newFirst == kLF) return false;
    if (atEnd && b + 1 < blocks_.size() && newLast == kCR && blocks_[b + 1].chars.front() == kLF) return false;

    if (chars.capacity() < newSize) chars.reserve(blockUnits_);
    chars.erase(chars.begin() + offset, chars.begin() + offset + removed);
    chars.insert(chars.begin() + offset, text, text + count);

    // Starts up to the change stay; those it covered are found again; those after it move.
    std::vector<uint16_t> &starts = block.starts;
    auto first = std::lower_bound(starts.begin(), starts.end(), offset);
    auto after = std::upper_bound(starts.begin(), starts.end(), offset + removed);
    size_t keptBefore = size_t(first - starts.begin());
    std::vector<uint16_t> moved(after, starts.end());
    starts.resize(keptBefore);
    if (breaks_ == Breaks::Lines) {
        for (size_t i = offset == 0 ? 0 : offset - 1; i < offset + count; ++i) {
            bool endsLine = chars[i] == kLF || (chars[i] == kCR && (i + 1 == newSize || chars[i + 1] != kLF));
            if (endsLine) starts.push_back(uint16_t(i + 1));
        }
    }
    for (uint16_t start : moved)
        starts.push_back(uint16_t(start - removed + count));

    size_t breaksBefore = startsBefore_[b] + starts.size();
    for (size_t i = b + 1; i < blocks_.size(); ++i) {
        blockStart_[i] = blockStart_[i] - removed + count;
        startsBefore_[i] = breaksBefore;
        breaksBefore += blocks_[i].starts.size();
    }
    length_ = length_ - removed + count;
    breakCount_ = breaksBefore;
    return true;
}

void TextStore::EraseRange(size_t from, size_t to) {
    if (from >= to) return;
    size_t first = BlockHolding(from), last = BlockHolding(to - 1);
    std::vector<char16_t> &head = blocks_[first].chars;
    size_t headFrom = from - blockStart_[first];
    if (first == last) {
        head.erase(head.begin() + headFrom, head.begin() + (to - blockStart_[first]));
        if (head.empty()) blocks_.erase(blocks_.begin() + first);
        Recount();
        return;
    }
    std::vector<char16_t> &tail = blocks_[last].chars;
    tail.erase(tail.begin(), tail.begin() + (to - blockStart_[last]));
    head.erase(head.begin() + headFrom, head.end());
    // Whole blocks in between go at once; emptied ends go after them, the later one first.
    if (tail.empty()) ++last;
    blocks_.erase(blocks_.begin() + first + 1, blocks_.begin() + last);
    if (blocks_[first].chars.empty()) blocks_.erase(blocks_.begin() + first);
    Recount();
}

void TextStore::InsertAt(size_t pos, const char16_t *text, size_t count) {
    if (count == 0) return;
    if (blocks_.empty()) {
        AppendBlocks(0, text, count);
        Recount();
        return;
    }
    // At a boundary the text joins the end of the block before it.
    size_t b = BlockEnding(pos);
    std::vector<char16_t> &chars = blocks_[b].chars;
    size_t offset = pos - blockStart_[b];
    if (chars.size() + count <= blockUnits_) {
        // One allocation of a whole block's room, so that further typing here allocates nothing.
        if (chars.capacity() < chars.size() + count) chars.reserve(blockUnits_);
        chars.insert(chars.begin() + offset, text, text + count);
    } else {
        std::u16string units;
        units.reserve(chars.size() + count);
        units.append(chars.data(), offset);
        units.append(text, count);
        units.append(chars.data() + offset, chars.size() - offset);
        blocks_.erase(blocks_.begin() + b);
        AppendBlocks(b, units.data(), units.size());
    }
    Recount();
}

// Packs units into new blocks placed at index, never parting a CR from the LF after it.
void TextStore::AppendBlocks(size_t index, const char16_t *units, size_t count) {
    if (count == 0) return;
    size_t piece = PieceSize(count, blockUnits_);
    std::vector<Block> fresh;
    fresh.reserve((count + piece - 1) / piece);
    for (size_t pos = 0; pos < count;) {
        size_t n = std::min(piece, count - pos);
        if (pos + n < count && units[pos + n - 1] == kCR && units[pos + n] == kLF) ++n;
        Block block;
        block.chars.assign(units + pos, units + pos + n);
        fresh.push_back(std::move(block));
        pos += n;
    }
    blocks_.insert(blocks_.begin() + index, std::make_move_iterator(fresh.begin()),
                   std::make_move_iterator(fresh.end()));
}

// Restores the blocks' rules between first and last (inclusive) and finds their line starts again.
void TextStore::Tidy(size_t first, size_t last) {
    // Small neighbours merge, so that many edits cannot fragment the text into tiny blocks.
    for (size_t i = first; i < last && i + 1 < blocks_.size();) {
        std::vector<char16_t> &a = blocks_[i].chars, &b = blocks_[i + 1].chars;
        if (a.size() + b.size() > blockUnits_ / 2) {
            ++i;
            continue;
        }
        a.insert(a.end(), b.begin(), b.end());
        blocks_.erase(blocks_.begin() + i + 1);
        --last;
    }
    // A CR and its LF stay in one block, so that each block's line starts depend on it alone.
    for (size_t i = first; i < last && i + 1 < blocks_.size(); ++i) {
        std::vector<char16_t> &a = blocks_[i].chars, &b = blocks_[i + 1].chars;
        if (a.back() != kCR || b.front() != kLF) continue;
        a.push_back(kLF);
        b.erase(b.begin());
        if (b.empty()) {
            blocks_.erase(blocks_.begin() + i + 1);
            --last;
        }
    }
    last = std::min(last, blocks_.size() - 1);
    for (size_t i = first; i <= last; ++i)
        FindStarts(blocks_[i]);
    Recount();
}

void TextStore::FindStarts(Block &block) const {
    std::vector<uint16_t> starts;
    if (breaks_ == Breaks::Lines) {
        const std::vector<char16_t> &c = block.chars;
        size_t n = c.size();
        auto endsLine = [&c, n](size_t i) { return c[i] == kLF || (c[i] == kCR && (i + 1 == n || c[i + 1] != kLF)); };
        size_t count = 0;
        for (size_t i = 0; i < n; ++i)
            count += endsLine(i);
        starts.reserve(count);
        for (size_t i = 0; i < n; ++i)
            if (endsLine(i)) starts.push_back(uint16_t(i + 1));
    }
    block.starts.swap(starts);
}

void TextStore::Recount() {
    size_t n = blocks_.size();
    blockStart_.resize(n);
    startsBefore_.resize(n);
    size_t units = 0, breaks = 0;
    for (size_t i = 0; i < n; ++i) {
        blockStart_[i] = units;
        startsBefore_[i] = breaks;
        units += blocks_[i].chars.size();
        breaks += blocks_[i].starts.size();
    }
    length_ = units;
    breakCount_ = breaks;
    if (lastBlock_ >= n) lastBlock_ = 0;
}

}  // namespace posix::edit
