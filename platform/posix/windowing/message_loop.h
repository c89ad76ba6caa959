// The message loops: GetMessageW waits for input when the queue is empty, and modal loops (popup menus,
// message boxes) pump the same queue.
#pragma once

#include "platform/posix/base/win32_api.h"

#include <functional>

namespace posix {

// Runs a modal loop on the shared queue until done() says so, or the quit message arrives (which is
// posted again for the outer loop). Returns false when it ended because of the quit message. A message
// that filter takes (returns true for) is neither translated nor dispatched by the loop: dialogs pass
// theirs through IsDialogMessageW. idle runs each time the queue is empty, before the loop waits for input.
bool RunModalLoop(const std::function<bool()> &done, const std::function<bool(MSG &)> &filter = nullptr,
                  const std::function<void()> &idle = nullptr);
int ModalDepth();

// Forgets the modal depth and that the input ran out, so that a test starts clean.
void ResetMessageLoop();

}  // namespace posix
