// What the registry calls share with the rest of the platform.
#pragma once

namespace posix {

// Closes every open key and forgets the hive read, so that a test starts clean.
void ResetRegistry();

}  // namespace posix
