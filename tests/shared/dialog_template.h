// Dialog templates written in memory as a resource compiler writes them, DLGTEMPLATE or DLGTEMPLATEEX,
// for the dialog tests on both sides.
#pragma once

#include "tests/support/test_platform.h"

#include <cstdint>
#include <cstring>
#include <vector>

constexpr WORD kStaticClass = 0x82, kEditClass = 0x81;
constexpr WORD kFirstEdit = 10, kSecondEdit = 11, kLabel = 12;

struct ItemSpec {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classOrdinal;  // 0 to use className
    WString className;
    WString text;
};

class TemplateBuilder {
public:
    TemplateBuilder(DWORD style, short cx, short cy, bool extended) : style_(style), cx_(cx), cy_(cy), ex_(extended) {}
    TemplateBuilder &Item(const ItemSpec &item) {
        items_.push_back(item);
        return *this;
    }

    // Kept in DWORD storage: templates are DWORD-aligned in a module.
    const DLGTEMPLATE *Build() {
        bytes_.clear();
        DWORD style = style_ | DS_SETFONT;
        if (ex_) {
            Word(1), Word(0xFFFF), Dword(0), Dword(0), Dword(style);
        } else {
            Dword(style), Dword(0);
        }
        Word(WORD(items_.size())), Word(0), Word(0), Word(WORD(cx_)), Word(WORD(cy_));
        Word(0), Word(0), String(WString());  // no menu, the system class, no title
        Word(8);
        if (ex_) Word(400), Byte(0), Byte(1);
        String(TEXT("System"));
        for (const ItemSpec &item : items_) {
            while (bytes_.size() % 4)
                Byte(0);
            if (ex_)
                Dword(0), Dword(0), Dword(item.style);
            else
                Dword(item.style), Dword(0);
            Word(WORD(item.x)), Word(WORD(item.y)), Word(WORD(item.cx)), Word(WORD(item.cy));
            if (ex_)
                Dword(item.id);
            else
                Word(item.id);
            if (item.classOrdinal)
                Word(0xFFFF), Word(item.classOrdinal);
            else
                String(item.className);
            String(item.text);
            Word(0);
        }
        storage_.assign((bytes_.size() + 3) / 4, 0);
        std::memcpy(storage_.data(), bytes_.data(), bytes_.size());
        return reinterpret_cast<const DLGTEMPLATE *>(storage_.data());
    }

private:
    void Byte(uint8_t b) { bytes_.push_back(b); }
    void Word(WORD w) { Byte(uint8_t(w)), Byte(uint8_t(w >> 8)); }
    void Dword(DWORD d) { Word(WORD(d)), Word(WORD(d >> 16)); }
    void String(const WString &s) {
        for (WCHAR c : s)
            Word(WORD(c));
        Word(0);
    }
    DWORD style_;
    short cx_, cy_;
    bool ex_;
    std::vector<ItemSpec> items_;
    std::vector<uint8_t> bytes_;
    std::vector<uint32_t> storage_;
};

// A label, then two edits that are tab stops: the first holds "abc", the second "xyz".
inline TemplateBuilder TwoEdits(bool extended, DWORD style = WS_POPUP | DS_CENTER | DS_MODALFRAME) {
    TemplateBuilder t(style, 98, 40, extended);
    t.Item({WS_CHILD | WS_VISIBLE | SS_LEFT, 1, 1, 58, 8, kLabel, kStaticClass, TEXT(""), TEXT("Label:")})
        .Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 10, 97, 12, kFirstEdit, kEditClass, TEXT(""),
               TEXT("abc")})
        .Item({WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 26, 97, 12, kSecondEdit, kEditClass, TEXT(""),
               TEXT("xyz")});
    return t;
}
