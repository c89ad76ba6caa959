// Key events from the front ends become the key state and key messages: soft keys and the Back key go
// to the soft-key bar of the active window, the rest to the focus.
//
// A soft key held down belongs to what was in front when it went down: the active window, or the box or
// menu over it. When that is no longer in front, the key counts as released. A terminal cannot report
// releases and emulates the held left soft key, so a press that closed a dialog or a box would otherwise
// stay down and turn the next arrow in another window into a selecting one.
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/message_queue.h"
#include "platform/posix/windowing/overlay.h"
#include "platform/posix/windowing/soft_keys.h"
#include "platform/posix/windowing/window.h"

#include <array>

namespace posix {
namespace {

// What was in front when a key went down.
struct Front {
    HWND window = nullptr;
    Overlay *overlay = nullptr;
    bool operator==(const Front &other) const { return window == other.window && overlay == other.overlay; }
};

struct KeyState {
    bool down = false;
    bool pressedSinceRead = false;  // GetAsyncKeyState's bit 0: went down since the last call asked
    Front front;                    // for the soft keys and Back: where the key went down
};

std::array<KeyState, 256> &Keys() {
    static std::array<KeyState, 256> keys{};
    return keys;
}

bool IsBarKey(int vk) {
    return vk == VK_TSOFT1 || vk == VK_TSOFT2 || vk == VK_TBACK;
}

Front CurrentFront() {
    return Front{ActiveTopLevel(), TopOverlay()};
}

// A soft key held down counts as released once what it went down in is no longer in front.
void EndHoldsLeftBehind() {
    Front now = CurrentFront();
    for (int vk : {VK_TSOFT1, VK_TSOFT2, VK_TBACK}) {
        KeyState &key = Keys()[vk];
        if (key.down && !(key.front == now)) {
            key.down = false;
            InvalidateScreen();  // the held label goes
        }
    }
}

void RecordKey(int vk, bool down) {
    EndHoldsLeftBehind();
    KeyState &key = Keys()[vk];
    key.down = down;
    if (down) key.pressedSinceRead = true;
    if (down && IsBarKey(vk)) key.front = CurrentFront();
}

// Bits of a key message's lParam: repeat count 1, previous state and transition for a release.
LPARAM KeyLParam(bool down) {
    return down ? 1 : LPARAM(0xC0000001u);
}

}  // namespace

void ResetKeyState() {
    Keys().fill(KeyState{});
}

bool KeyIsDown(int vk) {
    if (vk < 0 || vk > 255) return false;
    EndHoldsLeftBehind();
    return Keys()[vk].down;
}

void DeliverKey(const InputEvent &event) {
    int vk = event.vk & 0xFF;
    RecordKey(vk, event.down);
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

namespace {

// A control that keeps a text selection (an edit control) and may be typed into.
bool TakesTypedRuns(HWND hwnd) {
    return (SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) &&
           !(GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY);
}

}  // namespace

void DeliverText(const U16String &text) {
    InvalidateScreen();
    if (TopOverlay()) return;
    HWND target = GetFocus();
    if (!target) target = ActiveTopLevel();
    if (!target) return;
    if (!TakesTypedRuns(target)) {
        // As an input method types: characters without key presses, through the queue, so that dialogs
        // and the program's key filters see them as they see typing.
        for (char16_t ch : text)
            PostMessageW(target, WM_CHAR, WPARAM(ch), 1);
        return;
    }
    // Into an edit control, a run of characters typed one by one ends as the same text, selection and
    // undo step as the run put in at once, which costs a notification a run rather than one a character.
    // A line break is Enter, typed as the character, so that the control breaks the line its own way.
    size_t at = 0;
    while (at < text.size()) {
        HWND focus = GetFocus();
        if (!focus) return;
        if (text[at] == u'\r') {
            SendMessageW(focus, WM_CHAR, WPARAM(u'\r'), 1);
            ++at;
            continue;
        }
        size_t end = text.find(u'\r', at);
        if (end == U16String::npos) end = text.size();
        // What typing would not put in (control characters, and a tab outside a multiline edit) stays out.
        bool tabs = (GetWindowLongW(focus, GWL_STYLE) & ES_MULTILINE) != 0;
        U16String run;
        for (size_t i = at; i < end; ++i)
            if ((text[i] >= 0x20 && text[i] != 0x7F) || (text[i] == u'\t' && tabs)) run += text[i];
        if (TakesTypedRuns(focus)) {
            SendMessageW(focus, EM_REPLACESEL, TRUE, (LPARAM)run.c_str());
        } else {
            for (char16_t ch : run)
                SendMessageW(focus, WM_CHAR, WPARAM(ch), 1);
        }
        at = end;
    }
}

}  // namespace posix

// Bit 15: the key is down now. Bit 0: it went down since the last call asked about it; asking clears it.
SHORT GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    bool down = posix::KeyIsDown(vk);
    posix::KeyState &key = posix::Keys()[vk];
    SHORT state = SHORT((down ? 0x8000 : 0) | (key.pressedSinceRead ? 1 : 0));
    key.pressedSinceRead = false;
    return state;
}

// Only whether the key is down, as Win32 says it: the whole high byte set (the value is negative); reading
// it leaves GetAsyncKeyState's bit 0 alone. Bit 0 here would be the toggle of Caps Lock and the like.
SHORT GetKeyState(int vk) {
    return posix::KeyIsDown(vk) ? SHORT(0xFF80) : SHORT(0);
}
