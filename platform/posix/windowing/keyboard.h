// The keyboard: key events from the front end become the key state and key messages.
#pragma once

#include "platform/posix/windowing/front_end.h"

namespace posix {

// Turns a key event into the key state and the messages it causes.
void DeliverKey(const InputEvent &event);
// Characters typed all at once (a paste) go to the focus as characters, a CR as Enter types it. A box or
// menu in front takes no text.
void DeliverText(const U16String &text);
void ResetKeyState();
// Whether the key is down, without clearing GetAsyncKeyState's "pressed since" bit. A soft key held in a
// window, box or menu that is no longer in front is not down.
bool KeyIsDown(int vk);

}  // namespace posix
