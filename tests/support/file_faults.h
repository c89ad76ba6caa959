// Fails one of the platform's file-writing calls on purpose, as a disk does: the call numbered target
// (from 0, counting every open for writing, write, flush, truncate, rename and close) fails with EIO or
// ENOSPC, or, for a write, stops after some bytes so that the write after it finds the disk full. Or the
// process ends there, as a kill would end it: before the call, or half-way through a write. Every call is
// recorded, so a clean run first tells a test how many calls there are to fail in turn.
#pragma once

#include "platform/posix/system/file_io.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>
#include <vector>

namespace faults {

using posix::FileCall;
using posix::FileFault;

enum class Failure { kIoError, kDiskFull, kHalfWrite, kKill, kKillMidWrite };

inline const char *CallName(FileCall call) {
    switch (call) {
        case FileCall::kOpen: return "open";
        case FileCall::kWrite: return "write";
        case FileCall::kFlush: return "flush";
        case FileCall::kTruncate: return "truncate";
        case FileCall::kRename: return "rename";
        case FileCall::kClose: return "close";
    }
    return "?";
}

inline const char *FailureName(Failure failure) {
    switch (failure) {
        case Failure::kIoError: return "EIO";
        case Failure::kDiskFull: return "ENOSPC";
        case Failure::kHalfWrite: return "half write";
        case Failure::kKill: return "a kill before it";
        case Failure::kKillMidWrite: return "a kill half-way";
    }
    return "?";
}

constexpr size_t kNoTarget = SIZE_MAX;

class Injector {
public:
    Injector(size_t target, Failure failure, size_t halfSize = 700)
        : target_(target), failure_(failure), halfSize_(halfSize) {
        posix::SetFileFaultHook([this](FileCall call) { return Next(call); });
    }
    ~Injector() { posix::SetFileFaultHook(nullptr); }
    Injector(const Injector &) = delete;
    Injector &operator=(const Injector &) = delete;

    const std::vector<FileCall> &Calls() const { return calls_; }
    bool Fired() const { return fired_; }

private:
    FileFault Next(FileCall call) {
        size_t index = calls_.size();
        calls_.push_back(call);
        if (halfWritten_ && failure_ == Failure::kKillMidWrite) _exit(0);
        if (halfWritten_ && call == FileCall::kWrite) {
            halfWritten_ = false;
            return FileFault{ENOSPC};
        }
        if (index != target_) return FileFault();
        fired_ = true;
        if (failure_ == Failure::kKill) _exit(0);
        if (failure_ == Failure::kHalfWrite || failure_ == Failure::kKillMidWrite) {
            if (call != FileCall::kWrite) return FileFault{EIO};
            halfWritten_ = true;
            return FileFault{0, halfSize_};
        }
        return FileFault{failure_ == Failure::kIoError ? EIO : ENOSPC};
    }

    size_t target_;
    Failure failure_;
    size_t halfSize_;  // bytes of a half write that reach the disk
    std::vector<FileCall> calls_;
    bool fired_ = false;
    bool halfWritten_ = false;
};

}  // namespace faults
