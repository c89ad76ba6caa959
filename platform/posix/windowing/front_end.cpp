// The front end in use, and whether what it shows is out of date.
#include "platform/posix/windowing/front_end.h"

namespace posix {
namespace {

struct FrontEndState {
    FrontEnd *frontEnd = nullptr;
    bool screenDirty = true;
};

FrontEndState &State() {
    static FrontEndState state;
    return state;
}

}  // namespace

void SetFrontEnd(FrontEnd *frontEnd) {
    State().frontEnd = frontEnd;
    State().screenDirty = true;
}

FrontEnd *GetFrontEnd() {
    return State().frontEnd;
}

void InvalidateScreen() {
    State().screenDirty = true;
}

bool TakeScreenInvalidation() {
    bool dirty = State().screenDirty;
    State().screenDirty = false;
    return dirty;
}

}  // namespace posix
