#include "tests/program/harness.h"
#include "platform/posix/base/options.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/reset.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string Utf8(const std::u16string &text) {
    std::string out;
    for (char16_t ch : text) {
        if (ch < 0x80) {
            out += char(ch);
        } else if (ch < 0x800) {
            out += char(0xC0 | (ch >> 6));
            out += char(0x80 | (ch & 0x3F));
        } else {
            out += char(0xE0 | (ch >> 12));
            out += char(0x80 | ((ch >> 6) & 0x3F));
            out += char(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

void ProgramTest::SetUp() {
    char pattern[] = "/tmp/scrivel-test-XXXXXX";
    temp_ = mkdtemp(pattern);
    root_ = temp_ + "/root";
    registry_ = temp_ + "/registry.reg";
    fs::create_directories(root_);
    fs::create_directories(temp_ + "/run");
    setenv("XDG_RUNTIME_DIR", (temp_ + "/run").c_str(), 1);
    posix::ResetPlatform();
    ResetProgramState();
    posix::SetFrontEnd(&screen);
    posix::GetOptions().programFolder = "scrivel";
    posix::GetOptions().root = root_;
    posix::GetOptions().registryFile = registry_;
    posix::SetResourceImage(posix::ResourceImage{kScrivelResources, kScrivelResourcesSize});
}

void ProgramTest::TearDown() {
    EXPECT_EQ(screen.Failure(), "");
    posix::ResetPlatform();
    ResetProgramState();
    posix::SetFrontEnd(nullptr);
    std::error_code ignored;
    fs::remove_all(temp_, ignored);
}

int ProgramTest::Run(const std::u16string &commandLine) {
    std::u16string line = commandLine;
    return wWinMain(GetModuleHandleW(nullptr), nullptr, line.data(), SW_SHOW);
}

void ProgramTest::WriteFile(const std::string &relative, const std::string &bytes) const {
    fs::create_directories(fs::path(RootPath(relative)).parent_path());
    std::ofstream out(RootPath(relative), std::ios::binary);
    out << bytes;
}

std::string ProgramTest::ReadFile(const std::string &relative) const {
    std::ifstream in(RootPath(relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool ProgramTest::FileExists(const std::string &relative) const {
    return fs::exists(RootPath(relative));
}

std::string ProgramTest::RegistryText() const {
    std::ifstream in(registry_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::u16string ProgramTest::EditorText() const {
    int n = GetWindowTextLengthW(EditorControl);
    std::u16string text(n + 1, u'\0');
    n = GetWindowTextW(EditorControl, text.data(), n + 1);
    text.resize(n);
    return text;
}

std::u16string ProgramTest::Title() const {
    WCHAR title[512] = {};
    GetWindowTextW(MainWindow, title, 512);
    return title;
}

posix::HeadlessScreen &ProgramTest::Menu(std::initializer_list<int> numbers) {
    screen.Key(VK_TSOFT2);
    for (int n : numbers)
        screen.Key('0' + n, char16_t(u'0' + n));
    return screen;
}

bool ProgramTest::MenuItemGrayed(UINT command) const {
    return (GetMenuState(MainMenu, command, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

bool ProgramTest::MenuItemChecked(UINT command) const {
    return (GetMenuState(MainMenu, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

posix::HeadlessScreen &ProgramTest::CaretToEnd() {
    return screen.Press(VK_CONTROL).Key(VK_END).Release(VK_CONTROL);
}
