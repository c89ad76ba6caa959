// The configuration a front end sets before the program's entry runs: where the device root and the
// registry are, and the name of the per-user folders.
#pragma once

#include <string>

namespace posix {

struct Options {
    std::string root = "/";    // Linux folder that stands for the device root "\"
    std::string registryFile;  // the HKEY_CURRENT_USER hive; empty for the per-user default
    // Names the per-user folders kept for the program: its settings folder (holding the default hive) and
    // its runtime folder (named objects, finding another instance's windows).
    std::string programFolder = "win32";
};
Options &GetOptions();

}  // namespace posix
