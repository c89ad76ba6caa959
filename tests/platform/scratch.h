// Throw-away folders, files and environment variables for the system-service tests. Each test makes its
// own and leaves nothing behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <grp.h>
#include <ftw.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/base/options.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/system/file.h"

namespace scratch {

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/platform-test-XXXXXX";
        if (mkdtemp(name)) path_ = name;
    }
    ~TempDir() {
        if (path_.empty()) return;
        nftw(
            path_.c_str(), [](const char *file, const struct stat *, int, FTW *) { return remove(file); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &Path() const { return path_; }
    std::string operator/(const std::string &relative) const { return path_ + "/" + relative; }

    void Write(const std::string &relative, const std::string &content) const {
        std::ofstream out(*this / relative, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::string Read(const std::string &relative) const { return ReadFile(*this / relative); }
    bool Exists(const std::string &relative) const { return access((*this / relative).c_str(), F_OK) == 0; }

    static std::string ReadFile(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

private:
    std::string path_;
};

// Sets (or with no value, unsets) an environment variable for the life of the object.
class EnvVar {
public:
    explicit EnvVar(const char *name) : name_(name) {
        Save();
        unsetenv(name);
    }
    EnvVar(const char *name, const std::string &value) : name_(name) {
        Save();
        setenv(name, value.c_str(), 1);
    }
    ~EnvVar() {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    EnvVar(const EnvVar &) = delete;
    EnvVar &operator=(const EnvVar &) = delete;

private:
    void Save() {
        const char *old = getenv(name_.c_str());
        had_ = old != nullptr;
        if (had_) old_ = old;
    }
    std::string name_;
    std::string old_;
    bool had_ = false;
};

// Runs body in a child process and returns its exit status (or -1 if it did not exit normally). The
// child leaves with _exit, so nothing of the test framework runs twice.
template <class Body>
int RunInChild(Body body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Runs body as a user who owns nothing in the test folders: root may write anything, so read-only
// attributes can only be seen by someone else.
template <class Body>
int RunAsAnotherUser(Body body) {
    return RunInChild([&] {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) return 100;
        return body();
    });
}

// A test whose device root is a throw-away folder of its own.
class DeviceRootTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedRoot_ = posix::GetOptions().root;
        posix::GetOptions().root = root_.Path();
    }
    void TearDown() override {
        posix::ResetFiles();
        posix::GetOptions().root = savedRoot_;
    }
    TempDir root_;

private:
    std::string savedRoot_;
};

}  // namespace scratch
