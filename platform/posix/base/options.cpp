// The configuration a front end sets before the program starts: where the device root and the registry are.
#include "platform/posix/base/options.h"

namespace posix {

Options &GetOptions() {
    static Options options;
    return options;
}

}  // namespace posix
