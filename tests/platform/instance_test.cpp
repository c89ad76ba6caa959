// Named mutexes across processes, and finding another process's window class and asking it to come
// forward, with the per-user run-time folder behind both.
#include <gtest/gtest.h>

#include "platform/posix/base/options.h"
#include "platform/posix/system/instance.h"
#include "tests/platform/scratch.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using U16 = std::u16string;

// A pipe for telling a forked process when to go on.
class Signal {
public:
    Signal() {
        if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    }
    ~Signal() {
        close(fds_[0]);
        close(fds_[1]);
    }
    void Give() const {
        if (write(fds_[1], "!", 1) != 1) ADD_FAILURE() << "pipe write failed";
    }
    bool Wait() const {
        char c;
        return read(fds_[0], &c, 1) == 1;
    }

private:
    int fds_[2];
};

// Waits until fd is readable. The signal that makes it readable also interrupts poll, so go round again.
// The long limit only guards against hanging when nothing ever comes.
bool WaitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        int n = poll(&p, 1, 60000);
        if (n == 1) return true;
        if (n == 0 || errno != EINTR) return false;
    }
}

int ExitStatus(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    if (WIFSIGNALED(status)) return 1000 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

class Instances : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetInstances();
        savedFolder_ = posix::GetOptions().programFolder;
        posix::GetOptions().programFolder = "example";
    }
    void TearDown() override {
        posix::ResetInstances();
        posix::GetOptions().programFolder = savedFolder_;
    }

    static DWORD CreateError(const WCHAR *name, HANDLE *handle = nullptr) {
        SetLastError(12345);
        HANDLE h = CreateMutexW(nullptr, FALSE, name);
        if (handle) *handle = h;
        return h ? GetLastError() : DWORD(-1);
    }
    std::vector<std::string> RuntimeFiles(const std::string &prefix) const {
        std::vector<std::string> names;
        if (DIR *dir = opendir((runtime_ / "example").c_str())) {
            while (dirent *entry = readdir(dir))
                if (std::string(entry->d_name).rfind(prefix, 0) == 0) names.push_back(entry->d_name);
            closedir(dir);
        }
        return names;
    }

    std::string savedFolder_;
    scratch::TempDir runtime_;
    scratch::EnvVar runtimeVariable_{"XDG_RUNTIME_DIR", runtime_.Path()};
};

TEST_F(Instances, TheRuntimeFolderIsPrivate) {
    std::string folder = posix::RuntimeDirectory();
    EXPECT_EQ(folder, runtime_ / "example");
    struct stat st;
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    chmod(folder.c_str(), 0755);  // loosened by someone: tightened again
    EXPECT_EQ(posix::RuntimeDirectory(), folder);
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    scratch::EnvVar unset("XDG_RUNTIME_DIR");
    std::string fallback = "/tmp/example-" + std::to_string(geteuid());
    bool existed = access(fallback.c_str(), F_OK) == 0;
    EXPECT_EQ(posix::RuntimeDirectory(), fallback);
    if (!existed) rmdir(fallback.c_str());
}

TEST_F(Instances, AFolderThatIsNotOursIsRefused) {
    rmdir((runtime_ / "example").c_str());
    ASSERT_EQ(symlink(runtime_.Path().c_str(), (runtime_ / "example").c_str()), 0);
    EXPECT_EQ(posix::RuntimeDirectory(), "");
    // The program still starts: the mutex then only knows this process.
    HANDLE h = nullptr;
    EXPECT_EQ(CreateError(u"Refused", &h), 0u);
    EXPECT_NE(h, nullptr);
    EXPECT_EQ(CreateError(u"Refused"), DWORD(ERROR_ALREADY_EXISTS));

    unlink((runtime_ / "example").c_str());
    mkdir((runtime_ / "example").c_str(), 0700);
    if (geteuid() != 0) GTEST_SKIP() << "only root can give the folder to someone else";
    ASSERT_EQ(chown((runtime_ / "example").c_str(), 65534, 65534), 0);
    EXPECT_EQ(posix::RuntimeDirectory(), "");
}

TEST_F(Instances, ASecondCreateOfTheSameNameSaysItExists) {
    HANDLE first = nullptr, second = nullptr;
    EXPECT_EQ(CreateError(u"Example", &first), 0u);
    EXPECT_EQ(CreateError(u"Example", &second), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_NE(first, second);
    EXPECT_EQ(CreateError(u"example"), 0u);  // object names keep their case
    EXPECT_EQ(CreateError(u"Global\\Other name"), 0u);
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_EQ(CreateError(u"Example"), DWORD(ERROR_ALREADY_EXISTS));  // the second handle still holds it
    EXPECT_TRUE(CloseHandle(second));
    posix::ResetInstances();
    EXPECT_EQ(CreateError(u"Example"), 0u);
}

TEST_F(Instances, OwnershipIsGivenBackWithReleaseMutex) {
    HANDLE owned = CreateMutexW(nullptr, TRUE, u"Owned");
    ASSERT_NE(owned, nullptr);
    EXPECT_TRUE(ReleaseMutex(owned));
    EXPECT_FALSE(ReleaseMutex(owned));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_OWNER));
    HANDLE existing = CreateMutexW(nullptr, TRUE, u"Owned");  // an existing mutex is not taken over
    EXPECT_FALSE(ReleaseMutex(existing));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_OWNER));
    EXPECT_FALSE(ReleaseMutex(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(owned));
    EXPECT_FALSE(CloseHandle(owned));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(Instances, AMutexHeldByAnotherProcessExistsUntilItGoes) {
    Signal created, check, done;
    pid_t holder = fork();
    if (holder == 0) {
        HANDLE h = CreateMutexW(nullptr, FALSE, u"Example");
        if (!h || GetLastError() != 0) _exit(1);
        created.Give();
        done.Wait();
        _exit(CloseHandle(h) ? 0 : 2);
    }
    ASSERT_TRUE(created.Wait());
    HANDLE mine = nullptr;
    EXPECT_EQ(CreateError(u"Example", &mine), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_NE(mine, nullptr);
    EXPECT_TRUE(CloseHandle(mine));
    done.Give();
    EXPECT_EQ(ExitStatus(holder), 0);
    posix::ResetInstances();
    EXPECT_EQ(CreateError(u"Example"), 0u);

    // A second process finds this one's mutex too, and a process that dies lets go of its mutex.
    int status = scratch::RunInChild([] {
        posix::ResetInstances();  // what the parent knew is not this process's
        SetLastError(0);
        HANDLE h = CreateMutexW(nullptr, FALSE, u"Example");
        return h && GetLastError() == ERROR_ALREADY_EXISTS ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    posix::ResetInstances();
    pid_t killed = fork();
    if (killed == 0) {
        CreateMutexW(nullptr, FALSE, u"Doomed");
        created.Give();
        pause();
        _exit(0);
    }
    ASSERT_TRUE(created.Wait());
    EXPECT_EQ(CreateError(u"Doomed"), DWORD(ERROR_ALREADY_EXISTS));
    posix::ResetInstances();
    kill(killed, SIGKILL);
    EXPECT_EQ(ExitStatus(killed), 1000 + SIGKILL);
    EXPECT_EQ(CreateError(u"Doomed"), 0u);
}

TEST_F(Instances, AnotherProcessFindsTheAnnouncedClassAndBringsItForward) {
    Signal published, finished;
    pid_t window = fork();
    if (window == 0) {
        posix::PublishWindowClass(u"Example");
        published.Give();
        if (!WaitReadable(posix::ForegroundRequestFd())) _exit(1);
        if (!posix::TakeForegroundRequest()) _exit(2);
        if (posix::TakeForegroundRequest()) _exit(3);
        finished.Wait();
        _exit(0);
    }
    ASSERT_TRUE(published.Wait());
    EXPECT_EQ(posix::FindRemoteWindowClass(u"EXAMPLE"), window);  // class names ignore case
    EXPECT_EQ(posix::FindRemoteWindowClass(u"Other"), 0);
    EXPECT_EQ(posix::FindRemoteWindowClass(u"Exam"), 0);
    EXPECT_FALSE(posix::HandedForegroundToAnother());
    EXPECT_TRUE(posix::AskRemoteToForeground(window));
    EXPECT_TRUE(posix::HandedForegroundToAnother());  // for the launcher to say so
    finished.Give();
    EXPECT_EQ(ExitStatus(window), 0);

    // Gone without removing its announcement: it is found no more, and the file is cleaned up.
    EXPECT_EQ(RuntimeFiles("window-").size(), 1u);
    EXPECT_EQ(posix::FindRemoteWindowClass(u"Example"), 0);
    EXPECT_FALSE(posix::AskRemoteToForeground(window));
    EXPECT_TRUE(RuntimeFiles("window-").empty());
}

TEST_F(Instances, AClassWhoseNameExtendsAnotherWithADashIsNotTakenForIt) {
    Signal published, finished;
    pid_t window = fork();
    if (window == 0) {
        posix::PublishWindowClass(u"Example-x");
        published.Give();
        finished.Wait();
        _exit(0);
    }
    ASSERT_TRUE(published.Wait());
    EXPECT_EQ(posix::FindRemoteWindowClass(u"Example"), 0);
    EXPECT_EQ(posix::FindRemoteWindowClass(u"Example-X"), window);
    finished.Give();
    EXPECT_EQ(ExitStatus(window), 0);
}

TEST_F(Instances, ThisProcessTakesRequestsOncePerRequest) {
    posix::PublishWindowClass(u"Example");
    posix::PublishWindowClass(u"Example");  // announced once however often it is shown
    EXPECT_EQ(RuntimeFiles("window-").size(), 1u);
    EXPECT_EQ(posix::FindRemoteWindowClass(u"Example"), 0);  // never this process itself

    int status = scratch::RunInChild([] {
        int parent = getppid();
        if (posix::FindRemoteWindowClass(u"Example") != parent) return 1;
        if (!posix::AskRemoteToForeground(parent) || !posix::AskRemoteToForeground(parent)) return 2;
        return 0;
    });
    ASSERT_EQ(status, 0);
    // Ordinary signals may merge in flight: at least one request arrives, each taken once.
    ASSERT_TRUE(WaitReadable(posix::ForegroundRequestFd()));
    int taken = 0;
    while (posix::TakeForegroundRequest())
        ++taken;
    EXPECT_GE(taken, 1);
    EXPECT_LE(taken, 2);
    pollfd fd{posix::ForegroundRequestFd(), POLLIN, 0};
    EXPECT_EQ(poll(&fd, 1, 0), 0);  // nothing left to wake a front end

    posix::UnpublishWindowClass(u"Example");
    EXPECT_TRUE(RuntimeFiles("window-").empty());
}

TEST_F(Instances, AnAnnouncementOfAnotherProcessIsNeverTrustedBlindly) {
    Signal ready, finished;
    pid_t stranger = fork();
    if (stranger == 0) {
        // A process that never announced anything and has no handler: SIGUSR1 would end it.
        ready.Give();
        finished.Wait();
        _exit(0);
    }
    ASSERT_TRUE(ready.Wait());
    std::string folder = posix::RuntimeDirectory();
    // A stale file naming the stranger's (reused) pid with another start time.
    std::ofstream(folder + "/window-EXAMPLE-" + std::to_string(stranger)) << stranger << " 1\nExample\n";
    EXPECT_EQ(posix::FindRemoteWindowClass(u"Example"), 0);
    EXPECT_FALSE(posix::AskRemoteToForeground(stranger));
    EXPECT_FALSE(posix::AskRemoteToForeground(getppid()));  // nor anyone who announced nothing
    finished.Give();
    EXPECT_EQ(ExitStatus(stranger), 0);  // not killed by a stray SIGUSR1
    EXPECT_TRUE(RuntimeFiles("window-").empty());
}

}  // namespace
