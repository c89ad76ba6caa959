// Key events from the front ends become the key state and key messages: soft keys and the Back key go
// to the soft-key bar of the active window, the rest to the focus.
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/message_queue.h"
#include "platform/posix/windowing/overlay.h"
#include "platform/posix/windowing/soft_keys.h"
#include "platform/posix/windowing/window.h"

#include <array>

namespace posix {
namespace {

std::array<bool, 256> &KeysDown() {
    static std::array<bool, 256> down{};
    return down;
}

bool IsBarKey(int vk) {
    return vk == VK_TSOFT1 || vk == VK_TSOFT2 || vk == VK_TBACK;
}

// Bits of a key message's lParam: repeat count 1, previous state and transition for a release.
LPARAM KeyLParam(bool down) {
    return down ? 1 : LPARAM(0xC0000001u);
}

}  // namespace

void ResetKeyState() {
    KeysDown().fill(false);
}

void DeliverKey(const InputEvent &event) {
    int vk = event.vk & 0xFF;
    KeysDown()[vk] = event.down;
    InvalidateScreen();
    if (Overlay *overlay = TopOverlay()) {
        overlay->HandleKey(event);
        // Wakes the modal loop that waits for the overlay.
        PostMessageW(nullptr, WM_NULL, 0, 0);
        return;
    }
    HWND active = ActiveTopLevel();
    if (IsBarKey(vk))
        if (HWND bar = SoftKeyBarFor(active))
            if (SoftKeyPress(bar, vk, event.down)) return;
    HWND target = GetFocus();
    if (!target) target = active;
    if (!target) return;
    PostKeyMessage(target, event.down ? WM_KEYDOWN : WM_KEYUP, vk, KeyLParam(event.down), event.down ? event.ch : 0);
}

}  // namespace posix

SHORT GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return posix::KeysDown()[vk] ? SHORT(0x8000) : SHORT(0);
}

SHORT GetKeyState(int vk) {
    return GetAsyncKeyState(vk);
}
