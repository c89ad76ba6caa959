// The resource loader on any image: every resource the directory lists goes through every call that
// loads one (found by its type and name, its bytes, each string of a string table with buffers of
// every kind, menus, and soft-key bars with their labels), and nothing may be read outside the image.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/resources/resource_loader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;

void Fail(const char *what) {
    std::fprintf(stderr, "resource loader: %s\n", what);
    std::abort();
}

LPCWSTR KeyOf(WORD ordinal, const std::u16string &name) {
    return name.empty() ? MAKEINTRESOURCEW(ordinal) : name.c_str();
}

// A name such as "#12" is read by the loader as the ordinal 12, as on Win32, so no string finds it.
bool ReachableByName(const std::u16string &name) {
    return name.empty() || name[0] != u'#';
}

// Touches every byte the loader hands out, so that a pointer past the image shows at once.
unsigned Touch(const BYTE *data, DWORD size) {
    unsigned sum = 0;
    for (DWORD i = 0; i < size; ++i)
        sum += data[i];
    return sum;
}

void LoadStrings(WORD block) {
    for (UINT id = UINT(block - 1) * 16; id < UINT(block) * 16; ++id) {
        const WCHAR *text = nullptr;
        int length = LoadStringW(kInstance, id, reinterpret_cast<LPWSTR>(&text), 0);
        if (length < 0) Fail("a negative string length");
        if (length > 0) Touch(reinterpret_cast<const BYTE *>(text), DWORD(length) * 2);
        for (int room : {1, 2, 5, 300}) {
            std::vector<WCHAR> buffer(size_t(room) + 1, 0x5A5A);
            int copied = LoadStringW(kInstance, id, buffer.data(), room);
            if (copied < 0 || copied >= room) Fail("a string longer than its buffer");
            // A missing string, and any string in a buffer of one, leave the buffer alone, as on Win32.
            if (text && room > 1 && buffer[size_t(copied)] != 0) Fail("a string without its terminator");
            if (!text && buffer[0] != 0x5A5A) Fail("a missing string wrote to the buffer");
            if (buffer[size_t(room)] != 0x5A5A) Fail("a write past the buffer");
        }
    }
}

void LoadBar(HWND parent, WORD id) {
    SHMENUBARINFO info{};
    info.cbSize = sizeof info;
    info.hwndParent = parent;
    info.nToolBarId = id;
    info.hInstRes = kInstance;
    if (SHCreateMenuBar(&info)) DestroyWindow(info.hwndMB);
}

HWND Parent() {
    static posix::HeadlessScreen screen{40, 12};
    static HWND parent = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"ResourceFuzzHost";
        wc.hInstance = kInstance;
        RegisterClassW(&wc);
        return CreateWindowExW(0, u"ResourceFuzzHost", u"", WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, kInstance,
                               nullptr);
    }();
    return parent;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    HWND parent = Parent();
    // The image in a buffer of exactly its size, so that a read past its end is caught.
    std::vector<unsigned char> image(data, data + size);
    posix::SetResourceImage(posix::ResourceImage{image.data(), image.size()});
    for (const posix::ResourceListing &listed : posix::ListResources()) {
        if (!ReachableByName(listed.typeName) || !ReachableByName(listed.name)) continue;
        LPCWSTR type = KeyOf(listed.typeOrdinal, listed.typeName);
        LPCWSTR name = KeyOf(listed.nameOrdinal, listed.name);
        HRSRC found = FindResourceW(kInstance, name, type);
        // The listing shows an empty string and the ordinal 0 alike: either may be the one.
        bool typeEither = listed.typeOrdinal == 0 && listed.typeName.empty();
        bool nameEither = listed.nameOrdinal == 0 && listed.name.empty();
        for (int form = 1; !found && form < 4; ++form) {
            LPCWSTR t = typeEither && (form & 1) ? u"" : type, n = nameEither && (form & 2) ? u"" : name;
            found = FindResourceW(kInstance, n, t);
            if (found) type = t, name = n;
        }
        if (!found) {
            std::fprintf(stderr, "type %u, name %u, name length %zu:", unsigned(listed.typeOrdinal),
                         unsigned(listed.nameOrdinal), listed.name.size());
            for (char16_t c : listed.name)
                std::fprintf(stderr, " %04x", unsigned(c));
            std::fprintf(stderr, "\n");
            Fail("a listed resource is not found");
        }
        DWORD bytes = SizeofResource(kInstance, found);
        const BYTE *locked = static_cast<const BYTE *>(LockResource(LoadResource(kInstance, found)));
        if (bytes && !locked) Fail("a resource with bytes has no data");
        if (locked) Touch(locked, bytes);
        if (listed.typeOrdinal == 6 && listed.nameOrdinal) LoadStrings(listed.nameOrdinal);  // RT_STRING
        if (listed.typeOrdinal == 4) {                                                       // RT_MENU
            if (HMENU menu = LoadMenuW(kInstance, name)) {
                GetMenuItemCount(menu);
                DestroyMenu(menu);
            }
        }
        if (listed.typeOrdinal == 10 && listed.nameOrdinal) LoadBar(parent, listed.nameOrdinal);  // RT_RCDATA
    }
    posix::SetResourceImage(posix::ResourceImage{});
    return 0;
}
