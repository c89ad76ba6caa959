// What the file calls share with the rest of the platform.
#pragma once

namespace posix {

// Closes every file handle and directory search, so that a test starts clean.
void ResetFiles();

}  // namespace posix
