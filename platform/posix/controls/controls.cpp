// The built-in control classes the window layer registers before its first lookup of any class.
#include "platform/posix/controls/edit.h"
#include "platform/posix/controls/static.h"
#include "platform/posix/windowing/window.h"

namespace posix {

void RegisterControlClasses() {
    RegisterEditClass();
    RegisterStaticClass();
}

}  // namespace posix
