// The message queue of the one thread: what the message loops and the keyboard take from it and put in.
#pragma once

#include "platform/posix/base/win32_api.h"

namespace posix {

// Queues a key message; ch is the character TranslateMessage makes of it (0 for none).
void PostKeyMessage(HWND target, UINT message, int vk, LPARAM lParam, WCHAR ch);

// The next queued message, taken off the queue when remove says so. False when the queue is empty.
bool TakeQueuedMessage(MSG *msg, bool remove);
// The quit message, once PostQuitMessage asked for it and the queue is empty; consumed when remove says so.
bool TakeQuitMessage(MSG *msg, bool remove);
// A quit message as GetMessageW returns it when the input has run out.
void MakeQuitMessage(MSG *msg);

// Forgets the character a queued key press would have typed, for a key that was used up before
// TranslateMessage saw it (Tab or Enter taken by a dialog).
void DropPendingChar(const MSG &msg);

// Empties the queue and forgets a quit request, so that a test starts clean.
void ResetMessageQueue();

}  // namespace posix
