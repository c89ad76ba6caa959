// The end of the session; see end_session.h.
#include "platform/posix/windowing/end_session.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/window.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace posix {
namespace {

constexpr int kSignals[] = {SIGHUP, SIGTERM, SIGINT};

volatile sig_atomic_t g_signal = 0;
int g_wake[2] = {-1, -1};
bool g_caught = false;
bool g_ended = false;
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

// Only what is safe in a signal handler: the first signal is kept, and the pipe wakes the front end.
void OnSignal(int signal) {
    int saved = errno;
    if (g_signal == 0) g_signal = signal;
    if (g_wake[1] >= 0) {
        char byte = 1;
        ssize_t ignored = write(g_wake[1], &byte, 1);
        (void)ignored;
    }
    errno = saved;
}

bool MakeWakePipe() {
    if (g_wake[0] >= 0) return true;
    if (pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wake[0] = g_wake[1] = -1;
        return false;
    }
    return true;
}

// As Windows at a forced log-off: every window is asked, and every one is told the session ends, whatever
// it answered, since a hangup cannot be refused.
void SendEndSessionMessages() {
    const LPARAM reason = LPARAM(ENDSESSION_CRITICAL | ENDSESSION_LOGOFF);
    for (Window *window : TopLevelWindows())
        if (IsWindow(window->handle)) SendMessageW(window->handle, WM_QUERYENDSESSION, 0, reason);
    if (FrontEnd *frontEnd = GetFrontEnd()) frontEnd->SessionEnding();
    for (Window *window : TopLevelWindows())
        if (IsWindow(window->handle)) SendMessageW(window->handle, WM_ENDSESSION, TRUE, reason);
}

}  // namespace

void CatchEndSessionSignals() {
    if (g_caught) return;
    MakeWakePipe();
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted file calls go on where they were, so that a second signal cannot cut a write short.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
    g_caught = true;
}

void RequestEndSession(int signal) {
    MakeWakePipe();
    OnSignal(signal);
}

int EndSessionWakeFd() {
    return g_wake[0];
}

int PendingEndSessionSignal() {
    return g_signal;
}

bool EndSessionIfAsked() {
    if (g_ended) return true;
    if (g_signal == 0) return false;
    g_ended = true;
    SendEndSessionMessages();
    if (FrontEnd *frontEnd = GetFrontEnd()) frontEnd->SessionEnded(g_signal);
    return true;
}

void ResetEndSession() {
    if (g_caught)
        for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
            sigaction(kSignals[i], &g_previous[i], nullptr);
    g_caught = false;
    g_ended = false;
    g_signal = 0;
    if (g_wake[0] >= 0) {
        char buffer[64];
        while (read(g_wake[0], buffer, sizeof buffer) > 0) {
        }
    }
}

}  // namespace posix
