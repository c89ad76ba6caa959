// The built-in control classes the window layer registers before its first lookup of any class.
#include "platform/posix/controls/edit.h"
#include "platform/posix/controls/listbox.h"
#include "platform/posix/controls/shell.h"
#include "platform/posix/controls/static.h"
#include "platform/posix/controls/treeview.h"
#include "platform/posix/controls/updown.h"
#include "platform/posix/windowing/window.h"

namespace posix {

// Called again after every reset of the platform, before the first window is made.
void RegisterControlClasses() {
    RegisterEditClass();
    RegisterStaticClass();
    RegisterListBoxClass();
    RegisterUpDownClass();
    RegisterTreeViewClass();
    ResetShell();
}

}  // namespace posix
