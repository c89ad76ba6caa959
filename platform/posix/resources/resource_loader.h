// What the resource loader shares with the front ends and tests: the compiled resource file a process
// runs with, and its instance handle.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

#include <cstddef>
#include <vector>

namespace posix {

// The compiled resource file the program was built with, as the build embeds it.
struct ResourceImage {
    const unsigned char *data = nullptr;
    size_t size = 0;
};
void SetResourceImage(ResourceImage image);

// The instance handle of the process: what GetModuleHandleW(nullptr) returns and what the program's entry
// receives. It names the module whose resources are the image above.
HINSTANCE ProcessInstance();

// One resource of the image, for tests that look at a whole resource file. A type or name is either an
// ordinal, or (when its ordinal is 0) a string, kept in upper case as Win32 compares names.
struct ResourceListing {
    WORD typeOrdinal = 0;
    U16String typeName;
    WORD nameOrdinal = 0;
    U16String name;
    WORD language = 0;
    DWORD size = 0;  // bytes of data
};
std::vector<ResourceListing> ListResources();  // in file order, without the file's empty first entry

}  // namespace posix
