// The end of a session: hangup, termination and interrupt signals turned into WM_QUERYENDSESSION and
// WM_ENDSESSION by the message loop, and what a program needs then (its standard error, the documents
// folder).
#include "platform/posix/base/options.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/end_session.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/reset.h"
#include "tests/platform/scratch.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;
std::vector<std::string> g_events;  // what the front end and the windows did, in order
bool g_signalInEndSession = false;

LRESULT CALLBACK EndSessionProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION || message == WM_ENDSESSION) {
        g_seen.push_back({hwnd, message, wParam, lParam});
        g_events.push_back(message == WM_QUERYENDSESSION ? "query" : "end");
    }
    if (message == WM_ENDSESSION && g_signalInEndSession) {
        // The user presses Ctrl+C again, or the terminal hangs up, while the program keeps its work.
        raise(SIGTERM);
        raise(SIGHUP);
        g_events.push_back("end finished");
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class RecordingScreen : public posix::HeadlessScreen {
public:
    void SessionEnding() override { g_events.push_back("ending"); }
    void SessionEnded(int signal) override { g_events.push_back("ended " + std::to_string(signal)); }
};

class EndSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        posix::SetFrontEnd(&screen);
        g_seen.clear();
        g_events.clear();
        g_signalInEndSession = false;
        WNDCLASSW wc = {};
        wc.lpfnWndProc = EndSessionProc;
        wc.lpszClassName = u"EndSessionTest";
        RegisterClassW(&wc);
        first = CreateWindowExW(0, u"EndSessionTest", u"one", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        second = CreateWindowExW(0, u"EndSessionTest", u"two", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        posix::CatchEndSessionSignals();
    }
    void TearDown() override {
        posix::ResetPlatform();
        posix::SetFrontEnd(nullptr);
    }
    std::vector<UINT> MessagesTo(HWND hwnd) const {
        std::vector<UINT> out;
        for (const Seen &s : g_seen)
            if (s.hwnd == hwnd) out.push_back(s.message);
        return out;
    }

    RecordingScreen screen;
    HWND first = nullptr;
    HWND second = nullptr;
};

TEST_F(EndSessionTest, EachSignalAsksEveryWindowThenEndsTheSessionFromTheMessageLoop) {
    for (int signal : {SIGHUP, SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        g_seen.clear();
        g_events.clear();
        posix::ResetEndSession();
        posix::CatchEndSessionSignals();
        raise(signal);
        // The handler only records: no window has heard of it before the loop asks for a message.
        EXPECT_TRUE(g_seen.empty());
        EXPECT_EQ(posix::PendingEndSessionSignal(), signal);
        MSG msg;
        EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
        EXPECT_EQ(msg.message, UINT(WM_QUIT));
        EXPECT_EQ(MessagesTo(first), (std::vector<UINT>{WM_QUERYENDSESSION, WM_ENDSESSION}));
        EXPECT_EQ(MessagesTo(second), (std::vector<UINT>{WM_QUERYENDSESSION, WM_ENDSESSION}));
        EXPECT_EQ(g_events, (std::vector<std::string>{"query", "query", "ending", "end", "end",
                                                      "ended " + std::to_string(signal)}));
        for (const Seen &s : g_seen) {
            EXPECT_EQ(s.lParam, LPARAM(ENDSESSION_CRITICAL | ENDSESSION_LOGOFF));
            if (s.message == WM_ENDSESSION) {
                EXPECT_EQ(s.wParam, WPARAM(TRUE));
            }
        }
        // The session ends once; the loop keeps ending without telling the windows again.
        EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
        EXPECT_EQ(g_seen.size(), 4u);
    }
}

TEST_F(EndSessionTest, SignalsDuringTheEndAreOnlyRecordedAndCutNothingShort) {
    g_signalInEndSession = true;
    raise(SIGINT);
    MSG msg;
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(g_events, (std::vector<std::string>{"query", "query", "ending", "end", "end finished", "end",
                                                  "end finished", "ended " + std::to_string(SIGINT)}));
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(g_seen.size(), 4u);
}

TEST_F(EndSessionTest, PostedWorkWaitsAndNothingHappensWithoutASignal) {
    PostMessageW(first, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    EXPECT_TRUE(g_seen.empty());
    // A front end whose input hung up without a signal ends the session the same way.
    PostMessageW(first, WM_USER, 0, 0);
    posix::RequestEndSession(SIGHUP);
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(MessagesTo(first), (std::vector<UINT>{WM_QUERYENDSESSION, WM_ENDSESSION}));
}

TEST_F(EndSessionTest, DefaultHandlingAgreesToEndTheSession) {
    EXPECT_EQ(DefWindowProcW(first, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
}

TEST(StandardHandleTest, TheStandardErrorHandleWritesWhereTheProcessWritesItsErrors) {
    scratch::TempDir dir;
    posix::ResetPlatform();
    fflush(stderr);
    int saved = dup(2);
    int file = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, 2);
    close(file);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), error);
    DWORD written = 0;
    BOOL ok = WriteFile(error, "one line\n", 9, &written, nullptr);
    dup2(saved, 2);
    close(saved);
    EXPECT_TRUE(ok);
    EXPECT_EQ(written, 9u);
    EXPECT_EQ(dir.Read("err"), "one line\n");
    EXPECT_EQ(GetStdHandle(12345), INVALID_HANDLE_VALUE);
    posix::ResetPlatform();
}

TEST(DocumentsFolderTest, IsTheHomeFolderSeenFromTheDeviceRootAndNothingOutsideIt) {
    scratch::TempDir dir;
    mkdir((dir / "root").c_str(), 0700);
    mkdir((dir / "root/home").c_str(), 0700);
    mkdir((dir / "root/home/ann").c_str(), 0700);
    posix::GetOptions().root = dir / "root";
    const char *oldHome = getenv("HOME");
    std::string keptHome = oldHome ? oldHome : "";
    WCHAR path[MAX_PATH];
    setenv("HOME", (dir / "root/home/ann").c_str(), 1);
    EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, FALSE));
    EXPECT_EQ(std::u16string(path), u"\\home\\ann");
    setenv("HOME", dir.Path().c_str(), 1);
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, FALSE));
    EXPECT_EQ(path[0], 0);
    unsetenv("HOME");
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, FALSE));
    if (oldHome) setenv("HOME", keptHome.c_str(), 1);
    posix::GetOptions().root = "/";
}

}  // namespace
