// Runs the whole program through its real entry on the headless screen, in a temporary device root with
// its own registry file, and lets a test press keys as a person would.
#pragma once

#include "app/app.h"
#include "document/document.h"
#include "editing/editor.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

extern const unsigned char kScrivelResources[];
extern const size_t kScrivelResourcesSize;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program with this command line and runs it until the script is used up or it quits.
    // Returns the entry's exit code.
    int Run(const std::u16string &commandLine = u"");
    bool Running() const { return IsWindow(MainWindow) != FALSE; }

    // Files under the device root, by their Linux path relative to it.
    std::string RootPath(const std::string &relative) const { return root_ + "/" + relative; }
    void WriteFile(const std::string &relative, const std::string &bytes) const;
    std::string ReadFile(const std::string &relative) const;
    bool FileExists(const std::string &relative) const;
    std::string RegistryText() const;
    std::string registryFile() const { return registry_; }

    // The editor's whole text, and the title of MainWindow.
    std::u16string EditorText() const;
    std::u16string Title() const;
    // Menu, then the items by their numbers on screen (1 to 9), e.g. Menu({1, 2}) for File, New.
    posix::HeadlessScreen &Menu(std::initializer_list<int> numbers);
    bool MenuItemGrayed(UINT command) const;
    // Puts the caret after the last character, as Ctrl+End does.
    posix::HeadlessScreen &CaretToEnd();
    bool MenuItemChecked(UINT command) const;

    posix::HeadlessScreen screen{80, 24};

private:
    std::string temp_;
    std::string root_;
    std::string registry_;
};

// "abc" as UTF-8 for comparing with what the screen shows.
std::string Utf8(const std::u16string &text);
