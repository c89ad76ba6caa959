// Builds a small compiled resource image in memory, in the standard .res layout, for platform tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ResBuilder {
public:
    ResBuilder() { Add(0, 0, {}); }  // the empty first entry every .res file starts with

    ResBuilder &Add(uint16_t type, uint16_t name, const std::vector<uint8_t> &data, uint16_t language = 0x0409) {
        std::vector<uint8_t> header;
        Put32(header, uint32_t(data.size()));
        Put32(header, 32);  // header size: sizes, ordinal type and name, the fixed fields
        Put16(header, 0xFFFF);
        Put16(header, type);
        Put16(header, 0xFFFF);
        Put16(header, name);
        Put32(header, 0);  // data version
        Put16(header, 0x1030);
        Put16(header, language);
        Put32(header, 0);
        Put32(header, 0);
        bytes_.insert(bytes_.end(), header.begin(), header.end());
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        while (bytes_.size() % 4)
            bytes_.push_back(0);
        return *this;
    }

    // A normal menu template: items of (flags, id, text); flags as MF_POPUP (0x10), MF_END (0x80).
    struct Item {
        uint16_t flags;
        uint16_t id;
        std::u16string text;
    };
    static std::vector<uint8_t> Menu(const std::vector<Item> &items) {
        std::vector<uint8_t> out;
        Put16(out, 0);
        Put16(out, 0);
        for (const Item &i : items) {
            Put16(out, i.flags);
            if (!(i.flags & 0x10)) Put16(out, i.id);
            for (char16_t ch : i.text)
                Put16(out, ch);
            Put16(out, 0);
        }
        return out;
    }

    // A string-table block: strings for ids block*16-16 ... block*16-1.
    static std::vector<uint8_t> StringBlock(const std::vector<std::u16string> &sixteen) {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < 16; ++i) {
            std::u16string s = i < sixteen.size() ? sixteen[i] : std::u16string();
            Put16(out, uint16_t(s.size()));
            for (char16_t ch : s)
                Put16(out, ch);
        }
        return out;
    }

    static std::vector<uint8_t> Words(const std::vector<uint16_t> &words) {
        std::vector<uint8_t> out;
        for (uint16_t w : words)
            Put16(out, w);
        return out;
    }

    const std::vector<uint8_t> &Bytes() const { return bytes_; }

private:
    static void Put16(std::vector<uint8_t> &v, uint16_t x) {
        v.push_back(uint8_t(x));
        v.push_back(uint8_t(x >> 8));
    }
    static void Put32(std::vector<uint8_t> &v, uint32_t x) {
        Put16(v, uint16_t(x));
        Put16(v, uint16_t(x >> 16));
    }
    std::vector<uint8_t> bytes_;
};
