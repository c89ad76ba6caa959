// UTF-16 text as the platform keeps it, the halves of a surrogate pair, and the character they stand for.
#pragma once

#include <string>

namespace posix {

using U16String = std::u16string;

constexpr bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
constexpr bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}
constexpr char32_t CombineSurrogates(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
// The halves of a character beyond U+FFFF.
constexpr char16_t HighSurrogateOf(char32_t ch) {
    return char16_t(0xD800 + ((ch - 0x10000) >> 10));
}
constexpr char16_t LowSurrogateOf(char32_t ch) {
    return char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF));
}

}  // namespace posix
