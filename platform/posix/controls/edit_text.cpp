// The edit control's text store: blocks of characters with the line starts inside each.
#include "platform/posix/base/overread.h"
#include "platform/posix/controls/edit_text.h"

#include <algorithm>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

bool EndsLine(const BlockChars &c, size_t i, size_t n) {
    return c[i] == kLF || (c[i] == kCR && (i + 1 == n || c[i + 1] != kLF));
}

// The line starts in a block kept as bytes, written to starts (room for one a character); returns how
// many. Sixteen bytes are searched for CR and LF at a time; nothing in the loop calls out, so that the
// search stays in registers.
size_t FindStartsInBytes(const unsigned char *c, size_t n, uint16_t *starts) {
    size_t found = 0;
    auto add = [c, n, starts, &found](size_t i) {
        if (c[i] == kLF || (i + 1 == n || c[i + 1] != kLF)) starts[found++] = uint16_t(i + 1);
    };
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8(char(kLF)), cr = _mm_set1_epi8(char(kCR));
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(c + i));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))));
        for (; mask != 0; mask &= mask - 1)
            add(i + size_t(__builtin_ctz(mask)));
    }
#endif
    for (; i < n; ++i)
        if (c[i] == kLF || c[i] == kCR) add(i);
    return found;
}

// The same in a block kept as units, sixteen at a time: the two halves' matches packed into one mask.
size_t FindStartsInUnits(const char16_t *c, size_t n, uint16_t *starts) {
    size_t found = 0;
    auto add = [c, n, starts, &found](size_t i) {
        if (c[i] == kLF || (i + 1 == n || c[i + 1] != kLF)) starts[found++] = uint16_t(i + 1);
    };
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16(short(kLF)), cr = _mm_set1_epi16(short(kCR));
    auto matches = [lf, cr](const char16_t *at) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        return _mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr));
    };
    for (; i + 16 <= n; i += 16) {
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_packs_epi16(matches(c + i), matches(c + i + 8))));
        for (; mask != 0; mask &= mask - 1)
            add(i + size_t(__builtin_ctz(mask)));
    }
#endif
    for (; i < n; ++i)
        if (c[i] == kLF || c[i] == kCR) add(i);
    return found;
}

// Copies units up to the first U+0000 or max of them, whichever comes first, in one pass; returns how
// many. Reads nothing past the terminator (aligned groups never cross a page).
size_t CopyUntilNul(const char16_t *text, size_t max, char16_t *out) {
    size_t i = 0;
#if defined(__SSE2__) && ALIGNED_GROUP_OVERREAD
    for (; i < max && (reinterpret_cast<uintptr_t>(text + i) & 15) != 0; ++i) {
        if (text[i] == 0) return i;
        out[i] = text[i];
    }
    if ((reinterpret_cast<uintptr_t>(text + i) & 15) == 0) {
        for (; max - i >= 8; i += 8) {
            __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(text + i));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_setzero_si128())) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), v);
        }
    }
#endif
    for (; i < max; ++i) {
        if (text[i] == 0) return i;
        out[i] = text[i];
    }
    return max;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// A block's characters
// ---------------------------------------------------------------------------------------------------

void BlockChars::Assign(const char16_t *text, size_t count) {
    units_ = {};
    wide_ = false;
    bytes_.resize(count);
    if (NarrowWhileInCodePage(text, count, reinterpret_cast<char *>(bytes_.data())) == count) {
        bytes_.shrink_to_fit();
        return;
    }
    bytes_ = {};
    wide_ = true;
    units_.assign(text, text + count);
}

size_t BlockChars::AssignUntilNul(const char16_t *text, size_t max) {
    units_ = {};
    wide_ = false;
    bytes_.resize(max);
    size_t n = NarrowWhileInCodePageUntilNul(text, max, reinterpret_cast<char *>(bytes_.data()));
    if (n == max || text[n] == 0) {
        bytes_.resize(n);
        bytes_.shrink_to_fit();
        return n;
    }
    // A character with no byte: the block keeps units, up to the end or the terminator.
    bytes_ = {};
    wide_ = true;
    units_.resize(max);
    std::copy_n(text, n, units_.data());
    size_t end = n + CopyUntilNul(text + n, max - n, units_.data() + n);
    units_.resize(end);
    if (end < max) units_.shrink_to_fit();
    return end;
}

void BlockChars::Widen() {
    if (wide_) return;
    decltype(units_) units;
    units.reserve(bytes_.capacity());
    units.resize(bytes_.size());
    WidenBytes(reinterpret_cast<const char *>(bytes_.data()), bytes_.size(), units.data());
    units_.swap(units);
    bytes_ = {};
    wide_ = true;
}

void BlockChars::Insert(size_t at, const char16_t *text, size_t count) {
    if (count == 0) return;
    if (!wide_) {
        size_t size = bytes_.size();
        if (bytes_.capacity() < size + count) bytes_.reserve(size + count);
        bytes_.resize(size + count);
        unsigned char *b = bytes_.data();
        std::memmove(b + at + count, b + at, size - at);
        if (NarrowWhileInCodePage(text, count, reinterpret_cast<char *>(b + at)) == count) return;
        // Back as it was, and on in units.
        std::memmove(b + at, b + at + count, size - at);
        bytes_.resize(size);
        Widen();
    }
    units_.insert(units_.begin() + ptrdiff_t(at), text, text + count);
}

void BlockChars::Erase(size_t from, size_t to) {
    if (wide_)
        units_.erase(units_.begin() + ptrdiff_t(from), units_.begin() + ptrdiff_t(to));
    else
        bytes_.erase(bytes_.begin() + ptrdiff_t(from), bytes_.begin() + ptrdiff_t(to));
}

void BlockChars::Append(const BlockChars &other) {
    if (other.wide_) Widen();
    if (!wide_) {
        bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
        return;
    }
    size_t size = units_.size(), count = other.Size();
    units_.resize(size + count);
    other.CopyOut(0, count, units_.data() + size);
}

void BlockChars::Reserve(size_t units) {
    if (wide_)
        units_.reserve(units);
    else
        bytes_.reserve(units);
}

void BlockChars::CopyOut(size_t from, size_t count, char16_t *out) const {
    if (wide_)
        std::copy_n(units_.data() + from, count, out);
    else
        WidenBytes(reinterpret_cast<const char *>(bytes_.data()) + from, count, out);
}

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
    if (b >= blocks_.size() || pos < blockStart_[b] || pos - blockStart_[b] >= blocks_[b].chars.Size())
        b = BlockHolding(pos);
    lastBlock_ = b;
    return blocks_[b].chars[pos - blockStart_[b]];
}

TextRun TextStore::RunAt(size_t pos) const {
    TextRun run;
    if (pos >= length_) return run;
    size_t b = BlockHolding(pos);
    size_t offset = pos - blockStart_[b];
    const BlockChars &chars = blocks_[b].chars;
    run.count = chars.Size() - offset;
    if (chars.Wide())
        run.units = chars.Units() + offset;
    else
        run.bytes = chars.Bytes() + offset;
    return run;
}

void TextStore::CopyOut(size_t from, size_t to, char16_t *out) const {
    to = std::min(to, length_);
    if (from >= to) return;
    size_t b = BlockHolding(from);
    size_t offset = from - blockStart_[b];
    while (from < to) {
        const BlockChars &chars = blocks_[b].chars;
        size_t n = std::min(to - from, chars.Size() - offset);
        chars.CopyOut(offset, n, out);
        out += n;
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
        bytes += b.chars.BytesHeld() + b.starts.capacity() * sizeof(uint16_t);
    bytes += (blockStart_.capacity() + startsBefore_.capacity()) * sizeof(size_t);
    return bytes;
}

// ---------------------------------------------------------------------------------------------------
// Changing
// ---------------------------------------------------------------------------------------------------

// A text too large to hold leaves the old one in place (and std::bad_alloc to the caller).
void TextStore::Assign(const char16_t *text, size_t count) {
    AssignBlocks(text, count, false);
}

void TextStore::AssignTerminated(const char16_t *text) {
    AssignBlocks(text, SIZE_MAX, true);
}

// Each block is filled and its line starts found while its characters are still at hand.
void TextStore::AssignBlocks(const char16_t *text, size_t count, bool terminated) {
    std::vector<Block> previous;
    previous.swap(blocks_);
    try {
        if (terminated) {
            for (size_t pos = 0;;) {
                Block block;
                size_t n = block.chars.AssignUntilNul(text + pos, blockUnits_);
                if (n == 0) break;
                // text[pos + n] is readable: it is a character or the terminator.
                if (block.chars.Back() == kCR && text[pos + n] == kLF) {
                    char16_t lf = kLF;
                    block.chars.Insert(n++, &lf, 1);
                }
                FindStarts(block);
                blocks_.push_back(std::move(block));
                pos += n;
            }
        } else {
            blocks_.reserve((count + blockUnits_ - 1) / blockUnits_);
            AppendBlocks(0, text, count);
        }
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
    BlockChars &chars = block.chars;
    size_t offset = from - blockStart_[b], removed = to - from, size = chars.Size();
    if (offset + removed > size) return false;
    size_t newSize = size - removed + count;
    if (newSize == 0 || newSize > blockUnits_) return false;
    bool atStart = offset == 0, atEnd = offset + removed == size;
    char16_t newFirst = !atStart ? chars[0] : count ? text[0] : chars[removed];
    char16_t newLast = !atEnd ? chars.Back() : count ? text[count - 1] : chars[offset - 1];
    if (atStart && b > 0 && blocks_[b - 1].chars.Back() == kCR && newFirst == kLF) return false;
    if (atEnd && b + 1 < blocks_.size() && newLast == kCR && blocks_[b + 1].chars.Front() == kLF) return false;

    if (chars.Capacity() < newSize) chars.Reserve(blockUnits_);
    chars.Erase(offset, offset + removed);
    chars.Insert(offset, text, count);

    // Starts up to the change stay; those it covered are found again; those after it move.
    std::vector<uint16_t> &starts = block.starts;
    auto first = std::lower_bound(starts.begin(), starts.end(), offset);
    auto after = std::upper_bound(starts.begin(), starts.end(), offset + removed);
    size_t keptBefore = size_t(first - starts.begin());
    std::vector<uint16_t> moved(after, starts.end());
    starts.resize(keptBefore);
    if (breaks_ == Breaks::Lines) {
        for (size_t i = offset == 0 ? 0 : offset - 1; i < offset + count; ++i)
            if (EndsLine(chars, i, newSize)) starts.push_back(uint16_t(i + 1));
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
    BlockChars &head = blocks_[first].chars;
    size_t headFrom = from - blockStart_[first];
    if (first == last) {
        head.Erase(headFrom, to - blockStart_[first]);
        if (head.Empty()) blocks_.erase(blocks_.begin() + first);
        Recount();
        return;
    }
    BlockChars &tail = blocks_[last].chars;
    tail.Erase(0, to - blockStart_[last]);
    head.Erase(headFrom, head.Size());
    // Whole blocks in between go at once; emptied ends go after them, the later one first.
    if (tail.Empty()) ++last;
    blocks_.erase(blocks_.begin() + first + 1, blocks_.begin() + last);
    if (blocks_[first].chars.Empty()) blocks_.erase(blocks_.begin() + first);
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
    BlockChars &chars = blocks_[b].chars;
    size_t offset = pos - blockStart_[b], size = chars.Size();
    if (size + count <= blockUnits_) {
        // One allocation of a whole block's room, so that further typing here allocates nothing.
        if (chars.Capacity() < size + count) chars.Reserve(blockUnits_);
        chars.Insert(offset, text, count);
    } else {
        std::u16string units(size + count, u'\0');
        chars.CopyOut(0, offset, units.data());
        std::copy_n(text, count, units.data() + offset);
        chars.CopyOut(offset, size - offset, units.data() + offset + count);
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
        block.chars.Assign(units + pos, n);
        FindStarts(block);
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
        BlockChars &a = blocks_[i].chars, &b = blocks_[i + 1].chars;
        if (a.Size() + b.Size() > blockUnits_ / 2) {
            ++i;
            continue;
        }
        a.Append(b);
        blocks_.erase(blocks_.begin() + i + 1);
        --last;
    }
    // A CR and its LF stay in one block, so that each block's line starts depend on it alone.
    for (size_t i = first; i < last && i + 1 < blocks_.size(); ++i) {
        BlockChars &a = blocks_[i].chars, &b = blocks_[i + 1].chars;
        if (a.Back() != kCR || b.Front() != kLF) continue;
        char16_t lf = kLF;
        a.Insert(a.Size(), &lf, 1);
        b.Erase(0, 1);
        if (b.Empty()) {
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
        // Found into room kept from block to block, then kept at their exact size.
        static thread_local std::vector<uint16_t> found;
        const BlockChars &c = block.chars;
        size_t n = c.Size();
        if (found.size() < n) found.resize(n);
        size_t count =
            c.Wide() ? FindStartsInUnits(c.Units(), n, found.data()) : FindStartsInBytes(c.Bytes(), n, found.data());
        starts.assign(found.begin(), found.begin() + ptrdiff_t(count));
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
        units += blocks_[i].chars.Size();
        breaks += blocks_[i].starts.size();
    }
    length_ = units;
    breakCount_ = breaks;
    if (lastBlock_ >= n) lastBlock_ = 0;
}

}  // namespace posix::edit
