// The message loop and modal loops: when the queue is empty, the screen is brought up to date and the
// front end's next input event is turned into messages.
#include "platform/posix/windowing/message_loop.h"
#include "platform/posix/windowing/end_session.h"
#include "platform/posix/system/instance.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/message_queue.h"
#include "platform/posix/windowing/screen.h"
#include "platform/posix/windowing/window.h"

namespace posix {
namespace {

struct LoopState {
    bool inputClosed = false;  // the front end had no more input; the next GetMessageW ends its loop
    int modalDepth = 0;
};

LoopState &State() {
    static LoopState state;
    return state;
}

void HandleInput(const InputEvent &event) {
    switch (event.kind) {
        case InputEvent::Resize: ResizeTopLevelWindows(); break;
        case InputEvent::Wake: break;
        case InputEvent::Key: DeliverKey(event); break;
        case InputEvent::Text: DeliverText(event.text); break;
    }
}

// Waits for something to happen when the queue is empty: redraws, then takes one input event.
void WaitForInput() {
    FrontEnd *frontEnd = GetFrontEnd();
    if (TakeForegroundRequest()) {
        if (HWND active = ActiveTopLevel()) SetForegroundWindow(active);
        if (frontEnd) frontEnd->BringToFront();
    }
    // Keys that came together (a burst of typing) are all taken before the screen is drawn once.
    if (!frontEnd || !frontEnd->InputWaiting()) PresentFrame();
    InputEvent event;
    if (!frontEnd || !frontEnd->NextInput(event)) {
        State().inputClosed = true;
        return;
    }
    HandleInput(event);
}

}  // namespace

int ModalDepth() {
    return State().modalDepth;
}

bool RunModalLoop(const std::function<bool()> &done, const std::function<bool(MSG &)> &filter,
                  const std::function<void()> &idle) {
    LoopState &s = State();
    ++s.modalDepth;
    bool ended = true;
    MSG msg;
    while (!done()) {
        if (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            idle();
            if (done()) break;
        }
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            // The outer loop must see the quit message too.
            PostQuitMessage((int)msg.wParam);
            ended = false;
            break;
        }
        if (filter && filter(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    --s.modalDepth;
    InvalidateScreen();
    return ended;
}

void ResetMessageLoop() {
    State().inputClosed = false;
    State().modalDepth = 0;
}

}  // namespace posix

using namespace posix;

BOOL GetMessageW(LPMSG msg, HWND, UINT, UINT) {
    LoopState &s = State();
    for (;;) {
        // As Windows sends the end of the session to a thread whenever it asks for a message.
        if (EndSessionIfAsked()) {
            MakeQuitMessage(msg);
            return FALSE;
        }
        if (TakeQueuedMessage(msg, true)) return msg->message != WM_QUIT;
        // As in Win32, the quit message comes only once the posted messages are handled.
        if (TakeQuitMessage(msg, true)) return FALSE;
        // No more input: the loop ends as if told to quit. A test may add keys and loop again.
        if (s.inputClosed) {
            s.inputClosed = false;
            MakeQuitMessage(msg);
            return FALSE;
        }
        WaitForInput();
    }
}
