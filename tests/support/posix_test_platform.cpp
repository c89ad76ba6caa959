// The test interface over our own platform.
#include "tests/support/test_platform.h"

#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/reset.h"

namespace test_platform {

HINSTANCE Instance() {
    return (HINSTANCE)0x400000;
}

void Reset() {
    posix::ResetPlatform();
    posix::SetResourceImage({});
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

// The process module's resources are the image set last.
HMODULE ModuleWithResources(const std::vector<BYTE> &resFile) {
    posix::SetResourceImage({resFile.data(), resFile.size()});
    return (HMODULE)posix::ProcessInstance();
}

}  // namespace test_platform
