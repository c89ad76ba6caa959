// Resources: the compiled resource file (.res) the build embeds, read as Win32 reads a module's resources.
//
// A .res file is a sequence of entries, each a RESOURCEHEADER followed by the resource's bytes:
//   DWORD DataSize, DWORD HeaderSize, TYPE, NAME (each an ordinal 0xFFFF + WORD, or a NUL-terminated UTF-16
//   string), padding to a DWORD, DWORD DataVersion, WORD MemoryFlags, WORD LanguageId, DWORD Version,
//   DWORD Characteristics; then DataSize bytes of data, padded to a DWORD.
// The first entry is an empty marker (type 0). The file's bytes may be anything, so every read is checked
// against the image's end; an entry that does not fit ends the directory there.
#include "platform/posix/resources/resource_loader.h"

#include <algorithm>
#include <memory>

namespace posix {
namespace {

// ---------------------------------------------------------------------------------------------------
// Directory
// ---------------------------------------------------------------------------------------------------

// A resource type or name: an ordinal, or a string kept in upper case, since Win32 compares names
// without regard to case.
struct ResourceKey {
    bool isString = false;
    WORD ordinal = 0;
    U16String name;
};

struct ResourceEntry {
    ResourceKey type;
    ResourceKey name;
    WORD language = 0;
    const BYTE *data = nullptr;
    DWORD size = 0;
};

struct ResourceState {
    std::unique_ptr<uint32_t[]> storage;  // the image, copied so that every resource is DWORD-aligned
    size_t size = 0;
    std::vector<ResourceEntry> entries;  // in file order
};

ResourceState &State() {
    static ResourceState state;
    return state;
}

constexpr uintptr_t kInstance = 0x00400000;  // the classic image base of a Win32 program

// Resource handles are indexes into the directory, tagged so that they cannot pass for anything else.
constexpr uintptr_t kResourceTag = 0x00C00004;
constexpr uintptr_t kResourceStep = 16;

char16_t UpperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c;
}

U16String Upper(U16String s) {
    std::transform(s.begin(), s.end(), s.begin(), UpperAscii);
    return s;
}

// Reads little-endian values within [0, size) of an image; every read reports whether it fitted.
class ImageReader {
public:
    ImageReader(const BYTE *data, size_t size) : data_(data), size_(size) {}

    bool Word(size_t at, WORD &out) const {
        if (at > size_ || size_ - at < 2) return false;
        out = WORD(data_[at] | (data_[at + 1] << 8));
        return true;
    }

    bool Dword(size_t at, DWORD &out) const {
        WORD low, high;
        if (!Word(at, low) || !Word(at + 2, high)) return false;
        out = DWORD(low) | (DWORD(high) << 16);
        return true;
    }

    // A TYPE or NAME field ending before limit; moves at past it.
    bool Key(size_t &at, size_t limit, ResourceKey &out) const {
        WORD first;
        if (at + 2 > limit || !Word(at, first)) return false;
        if (first == 0xFFFF) {
            if (at + 4 > limit || !Word(at + 2, out.ordinal)) return false;
            at += 4;
            return true;
        }
        out.isString = true;
        for (WORD c; at + 2 <= limit && Word(at, c); at += 2) {
            if (c == 0) {
                at += 2;
                out.name = Upper(out.name);
                return true;
            }
            out.name += char16_t(c);
        }
        return false;  // no terminator inside the header
    }

private:
    const BYTE *data_;
    size_t size_;
};

size_t AlignDword(size_t n) {
    return (n + 3) & ~size_t(3);
}

// Reads one entry at offset; false when it does not fit, which ends the directory.
bool ReadEntry(const ImageReader &reader, const BYTE *image, size_t imageSize, size_t &offset, ResourceEntry &out) {
    constexpr size_t kFixedTail = 16;  // DataVersion .. Characteristics
    DWORD dataSize, headerSize;
    if (!reader.Dword(offset, dataSize) || !reader.Dword(offset + 4, headerSize)) return false;
    // A header is a whole number of DWORDs, which keeps every resource's data DWORD-aligned.
    if (headerSize < 8 + 4 + 4 + kFixedTail || headerSize % 4 != 0 || headerSize > imageSize - offset) return false;
    size_t headerEnd = offset + headerSize;
    if (dataSize > imageSize - headerEnd) return false;
    size_t at = offset + 8;
    if (!reader.Key(at, headerEnd, out.type) || !reader.Key(at, headerEnd, out.name)) return false;
    at = AlignDword(at);
    if (at + kFixedTail > headerEnd || !reader.Word(at + 6, out.language)) return false;
    out.data = image + headerEnd;
    out.size = dataSize;
    offset = AlignDword(headerEnd + dataSize);
    return true;
}

std::vector<ResourceEntry> ReadDirectory(const BYTE *image, size_t size) {
    std::vector<ResourceEntry> entries;
    ImageReader reader(image, size);
    size_t offset = 0;
    ResourceEntry entry;
    while (offset < size && ReadEntry(reader, image, size, offset, entry)) {
        bool marker = !entry.type.isString && entry.type.ordinal == 0;
        if (!marker) entries.push_back(entry);
        entry = ResourceEntry();
    }
    return entries;
}

// ---------------------------------------------------------------------------------------------------
// Lookup
// ---------------------------------------------------------------------------------------------------

bool ParseDecimal(const WCHAR *s, WORD &out) {
    unsigned value = 0;
    if (!*s) return false;
    for (; *s; ++s) {
        if (*s < u'0' || *s > u'9') return false;
        value = value * 10 + unsigned(*s - u'0');
        if (value > 0xFFFF) return false;
    }
    out = WORD(value);
    return true;
}

// What a caller passes as a type or name: MAKEINTRESOURCE(n), a string, or "#n" for the ordinal n.
ResourceKey KeyFromArgument(LPCWSTR argument) {
    ResourceKey key;
    if (IS_INTRESOURCE(argument)) {
        key.ordinal = WORD((ULONG_PTR)argument);
        return key;
    }
    if (argument[0] == u'#' && ParseDecimal(argument + 1, key.ordinal)) return key;
    key.isString = true;
    key.name = Upper(argument);
    return key;
}

bool SameKey(const ResourceKey &a, const ResourceKey &b) {
    if (a.isString != b.isString) return false;
    return a.isString ? a.name == b.name : a.ordinal == b.ordinal;
}

bool IsOurModule(HMODULE module) {
    return !module || (uintptr_t)module == kInstance;
}

HRSRC HandleOf(size_t index) {
    return (HRSRC)(kResourceTag + index * kResourceStep);
}

const ResourceEntry *EntryOf(HRSRC resource) {
    uintptr_t value = (uintptr_t)resource;
    if (value < kResourceTag || (value - kResourceTag) % kResourceStep != 0) return nullptr;
    size_t index = (value - kResourceTag) / kResourceStep;
    const auto &entries = State().entries;
    return index < entries.size() ? &entries[index] : nullptr;
}

// Among the languages of one resource, the neutral one wins, then the lowest language id: the order in
// which a module's resource directory lists them.
HRSRC FindEntry(const ResourceKey &type, const ResourceKey &name) {
    const auto &entries = State().entries;
    bool typeSeen = false;
    size_t best = entries.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!SameKey(entries[i].type, type)) continue;
        typeSeen = true;
        if (!SameKey(entries[i].name, name)) continue;
        if (best == entries.size() || entries[i].language < entries[best].language) best = i;
    }
    if (best < entries.size()) return HandleOf(best);
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

// The 16-string block holding id: a WORD count followed by that many characters, for each of 16 strings.
bool FindString(HINSTANCE instance, UINT id, const WCHAR *&text, WORD &length) {
    HRSRC block = FindResourceW(instance, MAKEINTRESOURCEW((id >> 4) + 1), RT_STRING);
    const ResourceEntry *entry = EntryOf(block);
    if (!entry) return false;
    ImageReader reader(entry->data, entry->size);
    size_t at = 0;
    for (UINT skip = id & 15; skip > 0; --skip) {
        if (!reader.Word(at, length)) return false;
        at += 2 + size_t(length) * 2;
    }
    if (!reader.Word(at, length) || size_t(length) * 2 > entry->size - at - 2) return false;
    // Blocks start DWORD-aligned in the aligned copy, so every string in them is WCHAR-aligned.
    text = reinterpret_cast<const WCHAR *>(entry->data + at + 2);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Shared with the other modules
// ---------------------------------------------------------------------------------------------------

void SetResourceImage(ResourceImage image) {
    ResourceState &s = State();
    s.entries.clear();
    s.storage.reset();
    s.size = 0;
    if (!image.data || image.size == 0) return;
    s.storage.reset(new uint32_t[(image.size + 3) / 4]());
    std::copy_n(image.data, image.size, reinterpret_cast<BYTE *>(s.storage.get()));
    s.size = image.size;
    s.entries = ReadDirectory(reinterpret_cast<const BYTE *>(s.storage.get()), s.size);
}

HINSTANCE ProcessInstance() {
    return (HINSTANCE)kInstance;
}

std::vector<ResourceListing> ListResources() {
    std::vector<ResourceListing> listing;
    for (const ResourceEntry &e : State().entries) {
        ResourceListing item;
        item.typeOrdinal = e.type.ordinal;
        item.typeName = e.type.name;
        item.nameOrdinal = e.name.ordinal;
        item.name = e.name.name;
        item.language = e.language;
        item.size = e.size;
        listing.push_back(item);
    }
    return listing;
}

}  // namespace posix

using namespace posix;

// ---------------------------------------------------------------------------------------------------
// The Win32 calls
// ---------------------------------------------------------------------------------------------------

HMODULE GetModuleHandleW(LPCWSTR name) {
    if (!name) return ProcessInstance();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (!IsOurModule(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (State().entries.empty()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return FindEntry(KeyFromArgument(type), KeyFromArgument(name));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    const ResourceEntry *entry = IsOurModule(module) ? EntryOf(resource) : nullptr;
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return (HGLOBAL)entry->data;
}

// A loaded resource is its bytes in the image already, as in a mapped module.
LPVOID LockResource(HGLOBAL data) {
    return data;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    const ResourceEntry *entry = IsOurModule(module) ? EntryOf(resource) : nullptr;
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return entry->size;
}

// With maxCount 0 the buffer receives a read-only pointer to the string in the image, which is not
// NUL-terminated, and the result is its length. Otherwise the string is copied, cut to maxCount - 1
// characters and terminated; as in Win32, a buffer of one character is left alone.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int maxCount) {
    if (!buffer || maxCount < 0) return 0;
    const WCHAR *text = nullptr;
    WORD length = 0;
    if (!FindString(instance, id & 0xFFFF, text, length)) return 0;
    if (maxCount == 0) {
        *reinterpret_cast<const WCHAR **>(buffer) = text;
        return length;
    }
    int copied = std::min<int>(maxCount - 1, length);
    std::copy_n(text, copied, buffer);
    if (copied > 0 || maxCount > 1) buffer[copied] = 0;
    return copied;
}
