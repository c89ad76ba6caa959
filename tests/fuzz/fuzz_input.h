// Reads a fuzzer's bytes as a stream of small decisions: numbers in a range, strings, choices. Past the
// end every read gives zero, so a short input is simply a short run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t Word() { return uint16_t(Byte() | (Byte() << 8)); }
    uint32_t Dword() { return uint32_t(Word()) | (uint32_t(Word()) << 16); }
    // A number in [0, count).
    size_t Below(size_t count) { return count ? (count <= 256 ? Byte() % count : Dword() % count) : 0; }
    // Up to maxLength 16-bit units, each drawn by unit().
    template <class Unit>
    std::u16string Text(size_t maxLength, Unit unit) {
        std::u16string text(Below(maxLength + 1), u'\0');
        for (char16_t &c : text)
            c = unit();
        return text;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};
