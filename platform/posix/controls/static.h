// The static control's window class.
#pragma once

namespace posix {

// Registers the "static" class among the platform's own.
void RegisterStaticClass();

}  // namespace posix
