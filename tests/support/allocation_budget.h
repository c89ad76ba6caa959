// Lets a test run short of memory: while an AllocationBudget is alive, the allocation that takes the
// bytes allocated since past its budget fails (std::bad_alloc, or null for the nothrow forms). Only that
// one fails; later allocations succeed again, as they would once memory was freed.
#pragma once

#include <cstddef>

namespace testing_support {

class AllocationBudget {
public:
    explicit AllocationBudget(size_t bytes);
    ~AllocationBudget();
    AllocationBudget(const AllocationBudget &) = delete;
    AllocationBudget &operator=(const AllocationBudget &) = delete;

    // Whether an allocation has been refused.
    bool Refused() const;
};

}  // namespace testing_support
