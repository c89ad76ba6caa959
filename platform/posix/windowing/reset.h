// Clearing the whole platform between tests.
#pragma once

namespace posix {

// Clears every window, class, menu, message, handle and key state, so that a test starts clean.
void ResetPlatform();

}  // namespace posix
