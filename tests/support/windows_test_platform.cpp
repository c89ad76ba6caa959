// The test interface over the real Win32, and a time limit on every test: a test that hangs (a modal
// loop waiting for input that never comes) ends the run with its name instead of stalling it.
#include "tests/support/test_platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace test_platform {

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

namespace {

BOOL CALLBACK DestroyOne(HWND window, LPARAM) {
    DestroyWindow(window);
    return TRUE;
}

}  // namespace

void Reset() {
    EnumThreadWindows(GetCurrentThreadId(), DestroyOne, 0);
    RunPendingMessages();
    SetLastError(0);
}

void RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool OnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace test_platform

namespace {

// Ends the process when one test runs longer than the limit.
class TimeLimit : public ::testing::EmptyTestEventListener {
public:
    explicit TimeLimit(std::chrono::seconds limit) : limit_(limit), watcher_([this] { Watch(); }) {}
    ~TimeLimit() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        watcher_.join();
    }

private:
    void OnTestStart(const ::testing::TestInfo &info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        name_ = std::string(info.test_suite_name()) + "." + info.name();
        ++started_;
        changed_.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo &) override {
        std::lock_guard<std::mutex> lock(mutex_);
        name_.clear();
        changed_.notify_all();
    }
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            if (name_.empty()) {
                changed_.wait(lock);
                continue;
            }
            long seen = started_;
            if (!changed_.wait_for(lock, limit_, [&] { return stopping_ || started_ != seen || name_.empty(); })) {
                std::fprintf(stderr, "\n[  TIMEOUT ] %s ran longer than %lld s\n", name_.c_str(),
                             static_cast<long long>(limit_.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }

    std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string name_;
    long started_ = 0;
    bool stopping_ = false;
    std::thread watcher_;
};

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char *limit = std::getenv("TEST_TIME_LIMIT");
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new TimeLimit(std::chrono::seconds(limit ? std::atoi(limit) : 60)));
    return RUN_ALL_TESTS();
}
