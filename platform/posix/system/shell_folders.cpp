// The shell's special folders: the documents folder is the user's home folder, seen from the device root.
#include "platform/posix/base/options.h"
#include "platform/posix/base/win32_api.h"

#include <climits>
#include <cstdlib>
#include <string>

namespace {

// The device path of a Linux folder under the root; false when it lies outside it.
bool DevicePathOf(const std::string &folder, LPWSTR path) {
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved)) return false;
    std::string root = posix::GetOptions().root, full = resolved, rest;
    if (root.empty() || root == "/") {
        rest = full;
    } else if (full.compare(0, root.size(), root) == 0 && (full.size() == root.size() || full[root.size()] == '/')) {
        rest = full.substr(root.size());
    } else {
        return false;
    }
    if (rest.empty()) rest.push_back('/');
    int n = MultiByteToWideChar(CP_UTF8, 0, rest.c_str(), int(rest.size()), path, MAX_PATH - 1);
    if (n <= 0) return false;
    path[n] = 0;
    for (int i = 0; i < n; ++i)
        if (path[i] == u'/') path[i] = u'\\';
    return true;
}

}  // namespace

BOOL SHGetSpecialFolderPathW(HWND, LPWSTR path, int folder, BOOL) {
    if (!path) return FALSE;
    path[0] = 0;
    if (folder != CSIDL_PERSONAL) return FALSE;
    const char *home = std::getenv("HOME");
    return home && *home && DevicePathOf(home, path);
}
