// VerQueryValueW: reading a version resource (VS_VERSIONINFO) by the path of its blocks.
//
// Every block is WORD wLength, WORD wValueLength, WORD wType (0 binary, 1 text), a NUL-terminated UTF-16
// key, padding to a DWORD, the value (wValueLength bytes, or characters for text), padding to a DWORD,
// then the child blocks, each DWORD-aligned. Offsets are reckoned from the start of the whole resource,
// and nothing is read beyond the length the outermost block gives itself.
#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

namespace posix {
namespace {

struct VersionBlock {
    size_t start = 0;  // offsets into the resource
    size_t end = 0;
    U16String key;
    WORD type = 0;
    WORD valueLength = 0;  // bytes, or characters for text
    size_t value = 0;
    size_t children = 0;
};

size_t AlignDword(size_t offset) {
    return (offset + 3) & ~size_t(3);
}

WORD ReadWord(const BYTE *base, size_t offset) {
    return WORD(base[offset] | (base[offset + 1] << 8));
}

// The block at offset, if it lies whole before limit.
bool ReadBlock(const BYTE *base, size_t offset, size_t limit, VersionBlock &block) {
    if (offset + 6 > limit) return false;
    WORD length = ReadWord(base, offset);
    if (length < 6 || offset + length > limit) return false;
    block = VersionBlock{};
    block.start = offset;
    block.end = offset + length;
    block.valueLength = ReadWord(base, offset + 2);
    block.type = ReadWord(base, offset + 4);
    size_t at = offset + 6;
    for (;; at += 2) {
        if (at + 2 > block.end) return false;
        WCHAR ch = ReadWord(base, at);
        if (ch == 0) break;
        block.key += ch;
    }
    block.value = AlignDword(at + 2);
    size_t valueBytes = block.type == 1 ? size_t(block.valueLength) * 2 : block.valueLength;
    if (block.value + valueBytes > block.end) return false;
    block.children = AlignDword(block.value + valueBytes);
    return true;
}

bool FindChild(const BYTE *base, const VersionBlock &parent, const U16String &key, VersionBlock &found) {
    for (size_t at = parent.children; at < parent.end; at = AlignDword(found.end)) {
        if (!ReadBlock(base, at, parent.end, found)) return false;
        if (lstrcmpiW(found.key.c_str(), key.c_str()) == 0) return true;
    }
    return false;
}

}  // namespace
}  // namespace posix

using namespace posix;

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID *buffer, PUINT length) {
    if (!block || !subBlock || !buffer || !length) return FALSE;
    const BYTE *base = static_cast<const BYTE *>(block);
    VersionBlock current;
    if (!ReadBlock(base, 0, ReadWord(base, 0), current)) return FALSE;
    U16String path = subBlock;
    for (size_t at = 0; at < path.size();) {
        size_t slash = path.find(u'\\', at);
        if (slash == U16String::npos) slash = path.size();
        if (slash > at) {
            VersionBlock child;
            if (!FindChild(base, current, path.substr(at, slash - at), child)) return FALSE;
            current = child;
        }
        at = slash + 1;
    }
    // A block with no value is still found; its length says there is nothing in it.
    *buffer = const_cast<BYTE *>(base + current.value);
    *length = current.valueLength;
    return TRUE;
}
