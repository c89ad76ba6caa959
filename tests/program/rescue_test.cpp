// What the end of a session (a hangup, a termination, an interrupt) keeps of a modified document: its
// text, as Save would write it, in a new file beside it or in the home folder, and one line saying where.
#include "tests/program/harness.h"
#include "platform/posix/windowing/end_session.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class RescueTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        const char *home = getenv("HOME");
        keptHome_ = home ? home : "";
        hadHome_ = home != nullptr;
        fs::create_directories(RootPath("home/ann"));
        setenv("HOME", RootPath("home/ann").c_str(), 1);
        errors_ = RootPath("../errors.txt");
        fflush(stderr);
        savedError_ = dup(2);
        int file = open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(file, 2);
        close(file);
    }
    void TearDown() override {
        fflush(stderr);
        dup2(savedError_, 2);
        close(savedError_);
        if (hadHome_)
            setenv("HOME", keptHome_.c_str(), 1);
        else
            unsetenv("HOME");
        ProgramTest::TearDown();
    }
    // The session ends at this point of the script, as the signal arrives.
    posix::HeadlessScreen &EndWith(int signal) {
        return screen.Then([signal] {
            posix::CatchEndSessionSignals();
            raise(signal);
        });
    }
    std::string ErrorOutput() const {
        fflush(stderr);
        return ReadFile("../errors.txt");
    }

private:
    std::string keptHome_;
    bool hadHome_ = false;
    std::string errors_;
    int savedError_ = -1;
};

TEST_F(RescueTest, AHangupWritesTheEditedTextBesideTheDocumentAndNamesTheFile) {
    fs::create_directories(RootPath("docs"));
    WriteFile("docs/notes.txt", "first line\r\nsecond");
    CaretToEnd().Type(u" \u00E9\u20AC\u4E00");
    EndWith(SIGHUP);
    Run(u"\\docs\\notes.txt");
    EXPECT_EQ(ReadFile("docs/notes.save"), "first line\r\nsecond \xE9\x80?");
    EXPECT_EQ(ReadFile("docs/notes.txt"), "first line\r\nsecond");
    EXPECT_EQ(ErrorOutput(), "Scrivel: the unsaved text of notes.txt was saved in \\docs\\notes.save\n");
}

TEST_F(RescueTest, ATerminationNeverWritesOverAnEarlierRescueOrAnyOtherFile) {
    WriteFile("notes.txt", "old");
    WriteFile("notes.save", "an earlier rescue");
    WriteFile("notes.save.1", "another");
    CaretToEnd().Type(u" and new");
    EndWith(SIGTERM);
    Run(u"\\notes.txt");
    EXPECT_EQ(ReadFile("notes.save"), "an earlier rescue");
    EXPECT_EQ(ReadFile("notes.save.1"), "another");
    EXPECT_EQ(ReadFile("notes.save.2"), "old and new");
    EXPECT_EQ(ErrorOutput(), "Scrivel: the unsaved text of notes.txt was saved in \\notes.save.2\n");
}

TEST_F(RescueTest, AnUntitledDocumentIsRescuedInTheHomeFolder) {
    screen.Type(u"typed, never saved");
    EndWith(SIGINT);
    Run();
    EXPECT_EQ(ReadFile("home/ann/untitled.save"), "typed, never saved");
    EXPECT_EQ(ErrorOutput(), "Scrivel: the unsaved text was saved in \\home\\ann\\untitled.save\n");
}

TEST_F(RescueTest, ADocumentWhoseFolderIsGoneIsRescuedInTheHomeFolder) {
    fs::create_directories(RootPath("stick"));
    WriteFile("stick/list", "milk");
    CaretToEnd().Type(u", eggs").Then([this] { fs::remove_all(RootPath("stick")); });
    EndWith(SIGHUP);
    Run(u"\\stick\\list");
    EXPECT_EQ(ReadFile("home/ann/list.save"), "milk, eggs");
    EXPECT_EQ(ErrorOutput(), "Scrivel: the unsaved text of list was saved in \\home\\ann\\list.save\n");
}

TEST_F(RescueTest, WithNowhereToWriteTheLineSaysTheTextIsLost) {
    screen.Type(u"abc").Then([this] { fs::remove_all(RootPath("home")); });
    EndWith(SIGTERM);
    Run();
    EXPECT_EQ(ErrorOutput(),
              "Scrivel: the unsaved text could not be saved in its folder or in the documents folder; it is lost.\n");
}

TEST_F(RescueTest, ACleanDocumentLeavesNoFileAndNoLine) {
    WriteFile("clean.txt", "as on disk");
    EndWith(SIGHUP);
    Run(u"\\clean.txt");
    EXPECT_FALSE(FileExists("clean.save"));
    EXPECT_EQ(ErrorOutput(), "");
}

TEST_F(RescueTest, ADocumentEmptiedByTheUserKeepsItsFileAndWritesNoRescue) {
    WriteFile("e.txt", "abc");
    CaretToEnd().Key(VK_TBACK).Key(VK_TBACK).Key(VK_TBACK);
    EndWith(SIGHUP);
    Run(u"\\e.txt");
    EXPECT_EQ(EditorText(), u"");
    EXPECT_TRUE(DirtyFlag);
    EXPECT_EQ(ReadFile("e.txt"), "abc");
    EXPECT_FALSE(FileExists("e.save"));
    EXPECT_EQ(ErrorOutput(), "");
}

TEST_F(RescueTest, ADocumentSavedBeforeTheSignalIsNotRescuedAgain) {
    WriteFile("a.txt", "x");
    CaretToEnd().Type(u"y");
    Menu({1, 4});
    EndWith(SIGTERM);
    Run(u"\\a.txt");
    EXPECT_EQ(ReadFile("a.txt"), "xy");
    EXPECT_FALSE(FileExists("a.save"));
    EXPECT_EQ(ErrorOutput(), "");
}

}  // namespace
