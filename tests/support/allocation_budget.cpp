#include "tests/support/allocation_budget.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> armed{false};
std::atomic<bool> refused{false};
std::atomic<size_t> remaining{0};

// False when this allocation is the one to refuse.
bool Admit(size_t bytes) {
    if (!armed.load()) return true;
    size_t left = remaining.load();
    if (bytes <= left) {
        remaining -= bytes;
        return true;
    }
    armed = false;
    refused = true;
    return false;
}

void *Allocate(size_t bytes) {
    if (!Admit(bytes)) return nullptr;
    return std::malloc(bytes ? bytes : 1);
}

}  // namespace

namespace testing_support {

AllocationBudget::AllocationBudget(size_t bytes) {
    refused = false;
    remaining = bytes;
    armed = true;
}

AllocationBudget::~AllocationBudget() {
    armed = false;
}

bool AllocationBudget::Refused() const {
    return refused.load();
}

}  // namespace testing_support

void *operator new(size_t bytes) {
    if (void *p = Allocate(bytes)) return p;
    throw std::bad_alloc();
}
void *operator new[](size_t bytes) {
    return operator new(bytes);
}
void *operator new(size_t bytes, const std::nothrow_t &) noexcept {
    return Allocate(bytes);
}
void *operator new[](size_t bytes, const std::nothrow_t &) noexcept {
    return Allocate(bytes);
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete[](void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void *p, size_t) noexcept {
    std::free(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
