// The list box control's window class.
#pragma once

namespace posix {

// Registers the "listbox" class among the platform's own.
void RegisterListBoxClass();

}  // namespace posix
