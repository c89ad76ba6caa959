// The test interface over our own platform.
#include "tests/support/test_platform.h"

#include "platform/posix/windowing/reset.h"

namespace test_platform {

HINSTANCE Instance() {
    return (HINSTANCE)0x400000;
}

void Reset() {
    posix::ResetPlatform();
}

void RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool OnWine() {
    return false;
}

}  // namespace test_platform
