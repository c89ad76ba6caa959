// The keyboard: key events from the front end become the key state and key messages.
#pragma once

#include "platform/posix/windowing/front_end.h"

namespace posix {

// Turns a key event into the key state and the messages it causes.
void DeliverKey(const InputEvent &event);
void ResetKeyState();

}  // namespace posix
