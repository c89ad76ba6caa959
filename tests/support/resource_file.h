// Resource files in the compiled .res layout, written in memory for the resource tests: each entry a
// header (sizes, type, name, language) and its data, after the empty entry every .res file starts with.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

namespace resource_file {

using Bytes = std::vector<BYTE>;

// A resource type or name: an ordinal, or a string when name is not empty.
struct Key {
    WORD ordinal = 0;
    WString name;
};
inline Key Ordinal(WORD n) {
    return Key{n, {}};
}
inline Key Named(const WString &name) {
    return Key{0, name};
}

inline void PutWord(Bytes &out, WORD w) {
    out.push_back(BYTE(w));
    out.push_back(BYTE(w >> 8));
}
inline void PutDword(Bytes &out, DWORD d) {
    PutWord(out, WORD(d));
    PutWord(out, WORD(d >> 16));
}

class ImageWriter {
public:
    ImageWriter() { Add(Ordinal(0), Ordinal(0), 0, {}); }  // the empty entry every .res starts with

    // Returns where the entry's data ends: an image cut anywhere before that lacks the entry.
    size_t Add(const Key &type, const Key &name, WORD language, const Bytes &data) {
        Bytes header;
        PutKey(header, type);
        PutKey(header, name);
        while (header.size() % 4 != 0)
            header.push_back(0);
        PutDword(header, 0);    // DataVersion
        PutWord(header, 0x30);  // MemoryFlags
        PutWord(header, language);
        PutDword(header, 0);  // Version
        PutDword(header, 0);  // Characteristics
        PutDword(bytes, DWORD(data.size()));
        PutDword(bytes, DWORD(header.size() + 8));
        bytes.insert(bytes.end(), header.begin(), header.end());
        bytes.insert(bytes.end(), data.begin(), data.end());
        size_t end = bytes.size();
        while (bytes.size() % 4 != 0)
            bytes.push_back(0);
        return end;
    }

    Bytes bytes;

private:
    static void PutKey(Bytes &out, const Key &key) {
        if (key.name.empty()) {
            PutWord(out, 0xFFFF);
            PutWord(out, key.ordinal);
            return;
        }
        for (WCHAR c : key.name)
            PutWord(out, WORD(c));
        PutWord(out, 0);
    }
};

// A string-table block: 16 counted strings, the missing ones empty.
inline Bytes StringBlock(const std::vector<std::pair<int, WString>> &strings) {
    WString texts[16];
    for (const auto &[index, text] : strings)
        texts[index] = text;
    Bytes out;
    for (const WString &text : texts) {
        PutWord(out, WORD(text.size()));
        for (WCHAR c : text)
            PutWord(out, WORD(c));
    }
    return out;
}

inline Bytes Words(std::initializer_list<WORD> words) {
    Bytes out;
    for (WORD w : words)
        PutWord(out, w);
    return out;
}

// A menu template with one popup "P" holding item 5 "x", then item 6 "y".
inline Bytes SmallMenu() {
    return Words({0, 0, MF_POPUP, 'P', 0, MF_END, 5, 'x', 0, MF_END, 6, 'y', 0});
}

// One block of a version resource: its key, its value (text when it is a string), and its children.
inline Bytes VersionBlock(const WString &key, const Bytes &value, bool text, const std::vector<Bytes> &children) {
    Bytes out(6, 0);
    for (WCHAR ch : key + WCHAR(0))
        PutWord(out, WORD(ch));
    while (out.size() % 4)
        out.push_back(0);
    out.insert(out.end(), value.begin(), value.end());
    for (const Bytes &child : children) {
        while (out.size() % 4)
            out.push_back(0);
        out.insert(out.end(), child.begin(), child.end());
    }
    size_t valueLength = text ? value.size() / 2 : value.size();
    out[0] = BYTE(out.size()), out[1] = BYTE(out.size() >> 8);
    out[2] = BYTE(valueLength), out[3] = BYTE(valueLength >> 8);
    out[4] = text ? 1 : 0;
    return out;
}

inline Bytes TextValue(const WString &text) {
    Bytes out;
    for (WCHAR ch : text + WCHAR(0))
        PutWord(out, WORD(ch));
    return out;
}

// A version resource of file version 3.1.4.15 and one string table with a product name.
inline Bytes SampleVersion() {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwFileVersionMS = 0x00030001;
    fixed.dwFileVersionLS = 0x0004000F;
    Bytes fixedBytes(reinterpret_cast<BYTE *>(&fixed), reinterpret_cast<BYTE *>(&fixed) + sizeof fixed);
    Bytes name = VersionBlock(TEXT("ProductName"), TextValue(TEXT("Sample")), true, {});
    Bytes table = VersionBlock(TEXT("040904B0"), {}, true, {name});
    Bytes strings = VersionBlock(TEXT("StringFileInfo"), {}, true, {table});
    return VersionBlock(TEXT("VS_VERSION_INFO"), fixedBytes, false, {strings});
}

constexpr WORD kData = 10;    // RT_RCDATA
constexpr WORD kMenu = 4;     // RT_MENU
constexpr WORD kStrings = 6;  // RT_STRING

}  // namespace resource_file
