// The tree view control's window class.
#pragma once

namespace posix {

// Registers the "SysTreeView32" class among the platform's own.
void RegisterTreeViewClass();

}  // namespace posix
