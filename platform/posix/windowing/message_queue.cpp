// The message queue: posting, peeking, translating key presses into characters, and dispatching.
#include "platform/posix/windowing/message_queue.h"
#include "platform/posix/windowing/window.h"

#include <deque>
#include <map>

namespace posix {
namespace {

struct QueueState {
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;
    std::map<DWORD, WCHAR> pendingChars;  // characters of queued key presses, by message time
    DWORD clock = 1;
};

QueueState &State() {
    static QueueState state;
    return state;
}

}  // namespace

void PostKeyMessage(HWND target, UINT message, int vk, LPARAM lParam, WCHAR ch) {
    QueueState &s = State();
    MSG msg{};
    msg.hwnd = target;
    msg.message = message;
    msg.wParam = (WPARAM)vk;
    msg.lParam = lParam;
    msg.time = s.clock++;
    if (ch) s.pendingChars[msg.time] = ch;
    s.queue.push_back(msg);
}

bool TakeQueuedMessage(MSG *msg, bool remove) {
    QueueState &s = State();
    if (s.queue.empty()) return false;
    *msg = s.queue.front();
    if (remove) s.queue.pop_front();
    return true;
}

void MakeQuitMessage(MSG *msg) {
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = (WPARAM)State().quitCode;
}

bool TakeQuitMessage(MSG *msg, bool remove) {
    QueueState &s = State();
    if (!s.quitPosted) return false;
    if (remove) s.quitPosted = false;
    MakeQuitMessage(msg);
    return true;
}

void DropPendingChar(const MSG &msg) {
    if (msg.message == WM_KEYDOWN) State().pendingChars.erase(msg.time);
}

void ResetMessageQueue() {
    QueueState &s = State();
    s.queue.clear();
    s.quitPosted = false;
    s.quitCode = 0;
    s.pendingChars.clear();
}

}  // namespace posix

using namespace posix;

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !FromHandle(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    QueueState &s = State();
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = s.clock++;
    s.queue.push_back(msg);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    State().quitPosted = true;
    State().quitCode = exitCode;
}

BOOL PeekMessageW(LPMSG msg, HWND, UINT, UINT, UINT removeMsg) {
    if (TakeQueuedMessage(msg, removeMsg & PM_REMOVE)) return TRUE;
    return TakeQuitMessage(msg, removeMsg & PM_REMOVE) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG *msg) {
    if (!msg || msg->message != WM_KEYDOWN) return FALSE;
    QueueState &s = State();
    auto it = s.pendingChars.find(msg->time);
    if (it == s.pendingChars.end()) return FALSE;
    WCHAR ch = it->second;
    s.pendingChars.erase(it);
    MSG charMsg = *msg;
    charMsg.message = WM_CHAR;
    charMsg.wParam = ch;
    // The character comes next, before anything else already queued, as Win32 delivers it.
    s.queue.push_front(charMsg);
    return TRUE;
}

LRESULT DispatchMessageW(const MSG *msg) {
    if (!msg || !msg->hwnd) return 0;
    Window *w = FromHandle(msg->hwnd);
    if (!w) return 0;
    return CallWindowProcW(w->proc, w->handle, msg->message, msg->wParam, msg->lParam);
}
