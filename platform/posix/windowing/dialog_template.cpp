#include "platform/posix/windowing/dialog_template.h"

#include <algorithm>
#include <cstring>

namespace posix {

namespace {

constexpr WORD kExtendedSignature = 0xFFFF;

// Walks a template: little-endian fields, as the resource compiler writes them.
class TemplateReader {
public:
    explicit TemplateReader(const void *data) : start_(static_cast<const BYTE *>(data)), p_(start_) {}

    WORD Word() {
        WORD v;
        std::memcpy(&v, p_, sizeof v);
        p_ += sizeof v;
        return v;
    }
    DWORD Dword() {
        DWORD v;
        std::memcpy(&v, p_, sizeof v);
        p_ += sizeof v;
        return v;
    }
    short Short() { return short(Word()); }
    BYTE Byte() { return *p_++; }

    U16String String() {
        U16String s;
        for (WORD c = Word(); c; c = Word())
            s += char16_t(c);
        return s;
    }

    // 0x0000: nothing; 0xFFFF: an ordinal follows; anything else starts a string.
    TemplateName Name() {
        TemplateName name;
        WORD first = Word();
        if (first == 0xFFFF) {
            name.isOrdinal = true;
            name.ordinal = Word();
        } else if (first != 0) {
            name.text += char16_t(first);
            name.text += String();
        }
        return name;
    }

    void AlignDword() {
        size_t offset = size_t(p_ - start_);
        p_ = start_ + ((offset + 3) & ~size_t(3));
    }
    const BYTE *Here() const { return p_; }
    void Skip(size_t bytes) { p_ += bytes; }

private:
    const BYTE *start_;
    const BYTE *p_;
};

void ReadHeader(TemplateReader &r, DialogTemplate &t) {
    WORD version = r.Word();
    WORD signature = r.Word();
    t.extended = version == 1 && signature == kExtendedSignature;
    WORD count;
    if (t.extended) {
        r.Dword();  // help id
        t.exStyle = r.Dword();
        t.style = r.Dword();
    } else {
        t.style = DWORD(version) | (DWORD(signature) << 16);
        t.exStyle = r.Dword();
    }
    count = r.Word();
    t.x = r.Short();
    t.y = r.Short();
    t.cx = r.Short();
    t.cy = r.Short();
    t.menu = r.Name();
    TemplateName cls = r.Name();
    t.className = cls.isOrdinal ? U16String() : cls.text;
    t.title = r.String();
    if (t.style & DS_SETFONT) {
        t.hasFont = true;
        t.pointSize = r.Word();
        if (t.extended) {
            t.weight = r.Word();
            t.italic = r.Byte() != 0;
            r.Byte();  // character set
        }
        t.typeface = r.String();
    }
    t.items.resize(count);
}

void ReadItem(TemplateReader &r, bool extended, DialogItemTemplate &item) {
    r.AlignDword();
    if (extended) {
        r.Dword();  // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
    } else {
        item.style = r.Dword();
        item.exStyle = r.Dword();
    }
    item.x = r.Short();
    item.y = r.Short();
    item.cx = r.Short();
    item.cy = r.Short();
    item.id = extended ? r.Dword() : r.Word();
    TemplateName cls = r.Name();
    item.className = cls.isOrdinal ? PredefinedClassName(cls.ordinal) : cls.text;
    item.text = r.Name();
    // The creation data handed to WM_CREATE starts with its size; the extended form counts the bytes
    // after the size, the older one counts the size too.
    WORD extra = r.Word();
    if (extra) {
        item.data = r.Here() - sizeof(WORD);
        r.Skip(extended ? extra : extra - std::min<WORD>(extra, sizeof(WORD)));
    }
}

}  // namespace

U16String PredefinedClassName(WORD ordinal) {
    switch (ordinal) {
        case 0x80: return u"button";
        case 0x81: return u"edit";
        case 0x82: return u"static";
        case 0x83: return u"listbox";
        case 0x84: return u"scrollbar";
        case 0x85: return u"combobox";
        default: return U16String();
    }
}

DialogTemplate ReadDialogTemplate(const void *data) {
    DialogTemplate t;
    TemplateReader r(data);
    ReadHeader(r, t);
    for (DialogItemTemplate &item : t.items)
        ReadItem(r, t.extended, item);
    return t;
}

}  // namespace posix
