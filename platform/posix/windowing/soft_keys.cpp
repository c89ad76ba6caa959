// The soft-key bars registered by their control, asked on behalf of the keyboard and the screen.
#include "platform/posix/windowing/soft_keys.h"

namespace posix {
namespace {

SoftKeyBars *&Registered() {
    static SoftKeyBars *bars = nullptr;
    return bars;
}

}  // namespace

void RegisterSoftKeyBars(SoftKeyBars *bars) {
    Registered() = bars;
}

HWND SoftKeyBarFor(HWND topLevel) {
    return Registered() ? Registered()->BarFor(topLevel) : nullptr;
}

U16String SoftKeyLabel(HWND bar, int index) {
    return Registered() ? Registered()->Label(bar, index) : U16String();
}

bool SoftKeyOpensMenu(HWND bar, int index) {
    return Registered() && Registered()->OpensMenu(bar, index);
}

bool SoftKeyPress(HWND bar, int vk, bool down) {
    return Registered() && Registered()->Press(bar, vk, down);
}

}  // namespace posix
