// The dialog manager's window class, "#32770", whose procedure is DefDlgProcW.
#pragma once

namespace posix {

// Registers the dialog class among the platform's own.
void RegisterDialogClass();

}  // namespace posix
