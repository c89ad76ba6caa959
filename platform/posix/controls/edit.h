// The edit control's window class.
#pragma once

namespace posix {

// Registers the "edit" class among the platform's own.
void RegisterEditClass();

}  // namespace posix
