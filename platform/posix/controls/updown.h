// The up-down (spin) control's window class.
#pragma once

namespace posix {

// Registers the "msctls_updown32" class among the platform's own.
void RegisterUpDownClass();

}  // namespace posix
