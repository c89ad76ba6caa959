// The launcher: reads the command line, checks the terminal, sets up the device root and the registry
// file, and starts the program through its Win32 entry with the terminal as its screen. Whatever it
// refuses, it refuses in one line and with code 2 before the program starts.
#include "app/app.h"
#include "platform/posix/system/codepage.h"
#include "platform/posix/base/options.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/system/instance.h"
#include "platform/posix/terminal/terminal.h"
#include "platform/posix/terminal/terminal_type.h"
#include "platform/posix/windowing/front_end.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#if defined(__GLIBC__)
#include <sys/auxv.h>
#endif

#undef sprintf

extern const unsigned char kScrivelResources[];
extern const size_t kScrivelResourcesSize;

namespace {

constexpr const char *kUsage =
    "Usage: scrivel [--root DIR] [--registry FILE] [FILE]\n"
    "A plain-text editor for the phone, shown in this terminal.\n"
    "\n"
    "  --root DIR       the folder that stands for the device root (default /, or $SCRIVEL_ROOT)\n"
    "  --registry FILE  the settings file (default $XDG_CONFIG_HOME/scrivel/registry.reg)\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Keys: F1 left soft key (held until the next key that is not an arrow), F2 right soft key (Menu),\n"
    "Backspace the Back key, Enter the action key, Shift+arrows select. Esc closes a menu, box or dialog.\n";

int Fail(const std::string &message) {
    std::fprintf(stderr, "scrivel: %s\n", message.c_str());
    return 2;
}

// The absolute form of a path, with "." and ".." worked out, whether or not it exists.
std::string Absolute(const std::string &path) {
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) return std::string();
        full = std::string(cwd) + "/" + path;
    }
    std::string out;
    size_t i = 0;
    while (i < full.size()) {
        size_t j = full.find('/', i);
        if (j == std::string::npos) j = full.size();
        std::string part = full.substr(i, j - i);
        if (part == "..") {
            size_t cut = out.rfind('/');
            out.erase(cut == std::string::npos ? 0 : cut);
        } else if (!part.empty() && part != ".") {
            out += "/" + part;
        }
        i = j + 1;
    }
    return out.empty() ? "/" : out;
}

// Follows every link in a folder's path, so that the root compares with the files under it.
std::string ResolvedFolder(const std::string &absolute) {
    char buffer[PATH_MAX];
    return realpath(absolute.c_str(), buffer) ? std::string(buffer) : absolute;
}

// Follows links in the folders of a file's path, not the file itself: a file that is a link keeps the
// name it was given, under the folder it was named in.
std::string ResolvedFile(const std::string &absolute) {
    size_t slash = absolute.rfind('/');
    if (slash == std::string::npos || slash + 1 == absolute.size()) return ResolvedFolder(absolute);
    std::string folder = ResolvedFolder(slash == 0 ? "/" : absolute.substr(0, slash));
    return (folder == "/" ? "" : folder) + absolute.substr(slash);
}

// "/root/a/b.txt" under root "/root" is the device path "\a\b.txt"; false when it lies outside.
bool ToDevicePath(const std::string &linuxPath, const std::string &root, std::u16string &device) {
    std::string r = ResolvedFolder(Absolute(root));
    std::string p = ResolvedFile(Absolute(linuxPath));
    std::string rest;
    if (r == "/") {
        rest = p;
    } else if (p.compare(0, r.size(), r) == 0 && (p.size() == r.size() || p[r.size()] == '/')) {
        rest = p.substr(r.size());
    } else {
        return false;
    }
    if (rest.empty()) rest = "/";
    std::u16string wide = posix::LinuxNameToU16(rest);
    for (char16_t &ch : wide)
        if (ch == u'/') ch = u'\\';
    device = wide;
    return true;
}

std::string Narrow(const WString &text) {
    std::string out(text.size() * 3 + 1, '\0');
    int n =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), out.data(), (int)out.size(), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

struct Arguments {
    std::string root;
    std::string registry;
    std::string file;
    bool haveFile = false;
};

// Returns -1 to go on, or the exit code.
int ParseArguments(int argc, char **argv, Arguments &args) {
    const char *envRoot = std::getenv("SCRIVEL_ROOT");
    args.root = envRoot && *envRoot ? envRoot : "/";
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (a == "--help" || a == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!optionsEnded && a == "--version") {
            std::printf("Scrivel %s\n", Narrow(ProgramVersion(GetModuleHandleW(nullptr))).c_str());
            return 0;
        } else if (!optionsEnded && (a == "--root" || a == "--registry")) {
            if (i + 1 >= argc) return Fail(a + " needs a value (see --help)");
            (a == "--root" ? args.root : args.registry) = argv[++i];
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            return Fail("unknown option " + a + " (see --help)");
        } else if (args.haveFile) {
            return Fail("only one file can be opened at a time");
        } else {
            args.file = a;
            args.haveFile = true;
        }
    }
    return -1;
}

// Large allocations (a document's text and its copies on the way to and from a file) are backed by huge
// pages where the kernel offers them on request: a page fault for each 2 MB instead of each 4 KB makes
// reading and writing a large file several times faster. The C library takes this setting only as a
// process starts, so the launcher starts itself again, once, with it. A setting the user made is kept.
void AskForHugePages(char **argv) {
#if defined(__GLIBC__)
    static const char kSetting[] = "glibc.malloc.hugetlb=1";
    const char *current = std::getenv("GLIBC_TUNABLES");
    if (current && std::strstr(current, "glibc.malloc.hugetlb")) return;
    // A privileged start drops the setting, which would start the launcher again and again.
    if (getauxval(AT_SECURE) != 0) return;
    std::string value = current && *current ? std::string(current) + ":" + kSetting : kSetting;
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
    // Started by its own path, not /proc/self/exe, the process keeps its name for ps, pgrep and killall.
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return;
    self[length] = '\0';
    execv(self, argv);
    // Starting again failed: this process goes on without the setting.
#else
    (void)argv;
#endif
}

}  // namespace

int main(int argc, char **argv) {
    AskForHugePages(argv);
    posix::SetResourceImage(posix::ResourceImage{kScrivelResources, kScrivelResourcesSize});
    Arguments args;
    int code = ParseArguments(argc, argv, args);
    if (code >= 0) return code;

    std::u16string commandLine;
    if (args.haveFile && !ToDevicePath(args.file, args.root, commandLine))
        return Fail(args.file + " is outside the device root " + args.root);
    if (commandLine.size() >= MAX_PATH) return Fail(args.file + ": the path is too long for the device");
    // A terminal that cannot show the screen is refused before the program takes its single-instance
    // lock or reads its settings. Without any terminal the program still starts: a second start hands
    // over to the running editor without drawing anything, and otherwise it is refused at its first frame.
    if (posix::HasTerminal()) {
        std::string problem = posix::TerminalTypeProblem();
        if (!problem.empty()) return Fail(problem);
    }

    posix::GetOptions().programFolder = "scrivel";
    posix::GetOptions().root = ResolvedFolder(Absolute(args.root));
    posix::GetOptions().registryFile = args.registry.empty() ? std::string() : Absolute(args.registry);

    posix::TerminalScreen screen;
    posix::SetFrontEnd(&screen);
    int result = wWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOW);
    posix::SetFrontEnd(nullptr);
    posix::TerminalScreen::Restore();
    // The program hands over to the running editor without a word; a shell user is told in one line,
    // since the running one may be in another terminal.
    if (posix::HandedForegroundToAnother()) {
        std::string line = "another instance is already running and was brought to the front";
        if (args.haveFile) line += "; " + args.file + " was not opened";
        std::fprintf(stderr, "scrivel: %s\n", line.c_str());
    }
    return result;
}
