// The stack of overlays over the windows; the top one takes the keys.
#include "platform/posix/windowing/overlay.h"

#include <algorithm>

namespace posix {
namespace {

std::vector<Overlay *> &Stack() {
    static std::vector<Overlay *> overlays;
    return overlays;
}

}  // namespace

void PushOverlay(Overlay *overlay) {
    Stack().push_back(overlay);
    InvalidateScreen();
}

void PopOverlay(Overlay *overlay) {
    auto &o = Stack();
    auto it = std::find(o.begin(), o.end(), overlay);
    if (it != o.end()) o.erase(it);
    InvalidateScreen();
}

Overlay *TopOverlay() {
    return Stack().empty() ? nullptr : Stack().back();
}

std::vector<Overlay *> Overlays() {
    return Stack();
}

void ResetOverlays() {
    Stack().clear();
}

}  // namespace posix
