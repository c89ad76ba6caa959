// The Smartphone shell's dialog call, as tests reach it.
#pragma once

namespace posix {

// Makes the next SHInitDialog fail, as it does on a device short of memory, for tests of the callers.
void FailNextShellInitDialog();
// Forgets a failure asked for and not yet met; the control classes call it as a reset registers them anew.
void ResetShell();

}  // namespace posix
