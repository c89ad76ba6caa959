// The message queue and loop, modal loops, the idle redraw, and the front end the input comes from.
#include "platform/posix/internal.h"

#include <deque>
#include <map>

namespace posix {

void ResizeTopLevelWindows();  // window.cpp
void DestroyAllWindows();      // window.cpp

namespace {

struct MessageState {
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;
    bool inputClosed = false;  // the front end had no more input; the next GetMessageW ends its loop
    bool screenDirty = true;
    int modalDepth = 0;
    FrontEnd *frontEnd = nullptr;
    std::vector<Overlay *> overlays;
    std::map<DWORD, WCHAR> pendingChars;  // characters of queued key presses, by message time
    DWORD clock = 1;
};

MessageState &State() {
    static MessageState state;
    return state;
}

void Present() {
    MessageState &s = State();
    if (!s.frontEnd || !s.screenDirty) return;
    s.screenDirty = false;
    CellGrid grid(s.frontEnd->Cols(), s.frontEnd->Rows());
    RenderScreen(grid);
    s.frontEnd->Present(grid);
}

void HandleInput(const InputEvent &event) {
    switch (event.kind) {
        case InputEvent::Resize: ResizeTopLevelWindows(); break;
        case InputEvent::Wake: break;
        case InputEvent::Key: DeliverKey(event); break;
    }
}

// Waits for something to happen when the queue is empty: redraws, then takes one input event.
void WaitForInput() {
    MessageState &s = State();
    if (TakeForegroundRequest()) {
        if (HWND active = ActiveTopLevel()) SetForegroundWindow(active);
        if (s.frontEnd) s.frontEnd->BringToFront();
    }
    Present();
    InputEvent event;
    if (!s.frontEnd || !s.frontEnd->NextInput(event)) {
        s.inputClosed = true;
        return;
    }
    HandleInput(event);
}

bool TakeQueued(MSG *msg, bool remove) {
    MessageState &s = State();
    if (s.queue.empty()) return false;
    *msg = s.queue.front();
    if (remove) s.queue.pop_front();
    return true;
}

void MakeQuit(MSG *msg) {
    MessageState &s = State();
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = (WPARAM)s.quitCode;
}

}  // namespace

void InvalidateScreen() {
    State().screenDirty = true;
}
int ModalDepth() {
    return State().modalDepth;
}
void SetFrontEnd(FrontEnd *frontEnd) {
    State().frontEnd = frontEnd;
    State().screenDirty = true;
}
FrontEnd *GetFrontEnd() {
    return State().frontEnd;
}

void PushOverlay(Overlay *overlay) {
    State().overlays.push_back(overlay);
    InvalidateScreen();
}

void PopOverlay(Overlay *overlay) {
    auto &o = State().overlays;
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (*it == overlay) {
            o.erase(it);
            break;
        }
    }
    InvalidateScreen();
}

Overlay *TopOverlay() {
    return State().overlays.empty() ? nullptr : State().overlays.back();
}
std::vector<Overlay *> Overlays() {
    return State().overlays;
}

bool RunModalLoop(const std::function<bool()> &done) {
    MessageState &s = State();
    ++s.modalDepth;
    bool ended = true;
    MSG msg;
    while (!done()) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            // The outer loop must see the quit message too.
            PostQuitMessage((int)msg.wParam);
            ended = false;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    --s.modalDepth;
    InvalidateScreen();
    return ended;
}

void PostKeyMessage(HWND target, UINT message, int vk, LPARAM lParam, WCHAR ch) {
    MessageState &s = State();
    MSG msg{};
    msg.hwnd = target;
    msg.message = message;
    msg.wParam = (WPARAM)vk;
    msg.lParam = lParam;
    msg.time = s.clock++;
    if (ch) s.pendingChars[msg.time] = ch;
    s.queue.push_back(msg);
}

void ResetMessages() {
    MessageState &s = State();
    s.queue.clear();
    s.quitPosted = false;
    s.quitCode = 0;
    s.inputClosed = false;
    s.screenDirty = true;
    s.modalDepth = 0;
    s.overlays.clear();
    s.pendingChars.clear();
}

void ResetPlatform() {
    // Destroying the windows lets every control free its own state, as at the end of a program.
    DestroyAllWindows();
    ResetMessages();
    ResetWindows();
    ResetMenus();
    ResetKeyState();
    ResetFiles();
    ResetRegistry();
    ResetInstances();
    ResetGdi();
}

}  // namespace posix

using namespace posix;

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !FromHandle(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    MessageState &s = State();
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

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *w = FromHandle(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindowProcW(w->proc, w->handle, message, wParam, lParam);
}

BOOL GetMessageW(LPMSG msg, HWND, UINT, UINT) {
    MessageState &s = State();
    for (;;) {
        if (TakeQueued(msg, true)) return msg->message != WM_QUIT;
        // As in Win32, the quit message comes only once the posted messages are handled.
        if (s.quitPosted) {
            s.quitPosted = false;
            MakeQuit(msg);
            return FALSE;
        }
        // No more input: the loop ends as if told to quit. A test may add keys and loop again.
        if (s.inputClosed) {
            s.inputClosed = false;
            MakeQuit(msg);
            return FALSE;
        }
        WaitForInput();
    }
}

BOOL PeekMessageW(LPMSG msg, HWND, UINT, UINT, UINT removeMsg) {
    if (TakeQueued(msg, removeMsg & PM_REMOVE)) return TRUE;
    MessageState &s = State();
    if (s.quitPosted) {
        if (removeMsg & PM_REMOVE) s.quitPosted = false;
        MakeQuit(msg);
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG *msg) {
    if (!msg || msg->message != WM_KEYDOWN) return FALSE;
    MessageState &s = State();
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
