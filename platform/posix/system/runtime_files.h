// Names of the files that processes of one user share under RuntimeDirectory().
#pragma once

#include "platform/posix/base/utf16.h"

#include <string>

namespace posix {

// A file name for an object name of any text: letters, digits, '.', '_' and '-' are kept, every other byte
// of its UTF-8 form is written as %XX, and a long name is cut and given a hash of the whole, so that the
// result is always a valid file name and different object names give different file names.
std::string EncodeObjectName(const U16String &name);

// Closes every mutex handle (mutex.cpp), for ResetInstances.
void ResetMutexes();

}  // namespace posix
