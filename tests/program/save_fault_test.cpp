// Save and Save As under failing disks: every open, write, flush, truncate, rename and close they make
// fails in turn (EIO, ENOSPC, a write that stops half-way), for a file replaced through a new file beside
// it, for a file with a second name that is overwritten where it stands, and for a new name. Whatever
// fails, the file holds its old bytes or its new bytes whole, or the box names a whole copy of the new
// ones; the box tells which, and the document stays modified unless the save succeeded. Then what a save
// keeps of the file (permissions, owner, links), and the question before overwriting another program's
// change.
#include "document/textfile.h"
#include "tests/program/harness.h"
#include "tests/support/file_faults.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/reset.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using faults::CallName;
using faults::Failure;
using faults::FailureName;
using faults::FileCall;
using faults::Injector;
using faults::kNoTarget;
namespace fs = std::filesystem;

// Text of about size bytes in short lines, different for each seed.
std::string Pattern(int seed, size_t size) {
    std::string text;
    for (size_t i = 0; text.size() < size; ++i) {
        text += char('a' + (i * 7 + size_t(seed)) % 26);
        if (i % 60 == 59) text += "\r\n";
    }
    return text;
}

std::u16string Wide(const std::string &ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

enum class How { kSave, kSaveAs };

// What one save under one injected failure left, and what the user was told.
struct Attempt {
    std::vector<FileCall> calls;
    bool fired = false;
    bool dirty = false;
    std::string box;  // the screen while the box showed; empty when none did
};

class SaveFaults : public ProgramTest {
protected:
    // Opens \doc.txt, replaces its text by newText and saves it (to target for Save As) with the call
    // numbered failAt failing as failure says.
    Attempt SaveOnce(How how, const std::u16string &target, const std::string &newText, size_t failAt,
                     Failure failure) {
        posix::ResetPlatform();
        ResetProgramState();
        posix::SetFrontEnd(&screen);
        Attempt attempt;
        screen.Then([&] {
            SetWindowTextW(EditorControl, Wide(newText).c_str());
            MarkDocumentModified();
            Injector injector(failAt, failure);
            if (how == How::kSave)
                SaveDocument();
            else
                SaveDocumentAs(target.c_str());
            attempt.calls = injector.Calls();
            attempt.fired = injector.Fired();
            attempt.dirty = DirtyFlag;
        });
        // Runs inside the box when there is one; otherwise in the main loop, where the soft key is harmless.
        screen.Then([&] {
            if (screen.Shows("Error")) attempt.box = screen.Text();
        });
        screen.Key(VK_TSOFT1);
        Run(u"\\doc.txt");
        return attempt;
    }

    // Each run starts from an empty root: what an earlier one left (a half-written new file after a
    // kill, a copy after a failure) would move the next run's calls.
    void Prepare(const std::function<void()> &prepare) {
        for (const std::string &name : Names())
            fs::remove(RootPath(name));
        prepare();
    }

    // The names in the root other than the ones a test made: what a save left behind.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(RootPath("")))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Every call of a clean save failing in turn, each way it can. file is the name written; way says
    // whether the clean save renames a new file into place or overwrites the file where it stands.
    enum class Way { kRename, kInPlace };
    void FailEveryCall(How how, const std::string &file, const std::string &oldText, const std::string &newText,
                       Way way, const std::function<void()> &prepare) {
        Prepare(prepare);
        Attempt clean = SaveOnce(how, u"\\" + Wide(file), newText, kNoTarget, Failure::kIoError);
        ASSERT_EQ(clean.box, "");
        ASSERT_FALSE(clean.dirty);
        ASSERT_EQ(ReadFile(file), newText);
        std::set<FileCall> kinds(clean.calls.begin(), clean.calls.end());
        for (FileCall needed : {FileCall::kOpen, FileCall::kWrite, FileCall::kFlush, FileCall::kClose})
            EXPECT_TRUE(kinds.count(needed)) << CallName(needed) << " is not made through the platform's calls";
        EXPECT_EQ(kinds.count(FileCall::kRename), way == Way::kRename ? 1u : 0u);
        EXPECT_EQ(kinds.count(FileCall::kTruncate), way == Way::kInPlace ? 1u : 0u);

        int failed = 0;
        for (size_t target = 0; target < clean.calls.size(); ++target) {
            for (Failure failure : {Failure::kIoError, Failure::kDiskFull, Failure::kHalfWrite}) {
                if (failure == Failure::kHalfWrite && clean.calls[target] != FileCall::kWrite) continue;
                SCOPED_TRACE(std::string(CallName(clean.calls[target])) + " #" + std::to_string(target) +
                             " fails with " + FailureName(failure));
                Prepare(prepare);
                std::set<std::string> before = Names();
                Attempt attempt = SaveOnce(how, u"\\" + Wide(file), newText, target, failure);
                ASSERT_TRUE(attempt.fired);
                Check(file, oldText, newText, attempt, before);
                failed += attempt.dirty;
            }
            for (Failure kill : {Failure::kKill, Failure::kKillMidWrite}) {
                if (kill == Failure::kKillMidWrite && clean.calls[target] != FileCall::kWrite) continue;
                SCOPED_TRACE(std::string(CallName(clean.calls[target])) + " #" + std::to_string(target) + " meets " +
                             FailureName(kill));
                Prepare(prepare);
                std::set<std::string> before = Names();
                // The save runs in a child process, which the kill ends; this one looks at the disk after.
                // This one lets go of the last run first: a lock it held would be the child's too.
                posix::ResetPlatform();
                pid_t child = fork();
                if (child == 0) {
                    SaveOnce(how, u"\\" + Wide(file), newText, target, kill);
                    _exit(1);
                }
                int status = -1;
                ASSERT_EQ(waitpid(child, &status, 0), child);
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the kill was not reached";
                CheckAfterKill(file, oldText, newText, before);
            }
        }
        EXPECT_GT(failed, 0);
    }

    // After a kill nobody is told anything: the file must be old or new, or a whole copy lie beside it.
    // A new file left half-written beside it is harmless, but it must never be taken for a copy.
    void CheckAfterKill(const std::string &file, const std::string &oldText, const std::string &newText,
                        const std::set<std::string> &before) {
        const std::string now = FileExists(file) ? ReadFile(file) : "(none)";
        if (now == oldText || now == newText || (oldText.empty() && now == "(none)")) return;
        bool copied = false;
        for (const std::string &name : Names())
            if (!before.count(name) && name.find(".save") != std::string::npos &&
                name.find(".saving") == std::string::npos)
                copied = copied || ReadFile(name) == newText;
        EXPECT_TRUE(copied) << "the file is neither old nor new (" << now.size() << " bytes), and no whole copy";
    }

    void Check(const std::string &file, const std::string &oldText, const std::string &newText, const Attempt &attempt,
               const std::set<std::string> &before) {
        const bool existed = !oldText.empty() || before.count(file);
        const std::string now = FileExists(file) ? ReadFile(file) : "(none)";
        const std::string &box = attempt.box;
        std::set<std::string> added;
        for (const std::string &name : Names())
            if (!before.count(name) && name != file) added.insert(name);

        EXPECT_EQ(attempt.dirty, !box.empty()) << "a save is done exactly when no box says otherwise\n" << box;
        if (box.empty()) {
            EXPECT_EQ(now, newText);
            EXPECT_EQ(added, std::set<std::string>()) << "nothing is left beside a saved file";
            return;
        }
        EXPECT_EQ(box.find("(busy)"), std::string::npos) << box;
        if (now == oldText || (!existed && now == "(none)")) {
            EXPECT_NE(box.find("could not be saved"), std::string::npos) << box;
            EXPECT_EQ(box.find("incomplete"), std::string::npos) << box;
            EXPECT_EQ(added, std::set<std::string>()) << "a failed save leaves no file behind";
        } else if (now == newText) {
            // Whole, but either not confirmed on the disk, or overwritten where it stands with a copy kept.
            bool unconfirmed = box.find("was saved, but") != std::string::npos;
            bool copied = box.find("incomplete") != std::string::npos;
            EXPECT_TRUE(unconfirmed || copied) << box;
            EXPECT_EQ(box.find("not been changed"), std::string::npos) << box;
        } else {
            // Neither old nor new: only a whole copy, named to the user, makes up for it.
            EXPECT_NE(box.find("incomplete"), std::string::npos) << now.size() << " bytes\n" << box;
        }
        if (box.find("incomplete") != std::string::npos) {
            ASSERT_EQ(added.size(), 1u) << "one copy, named in the box";
            const std::string copy = *added.begin();
            EXPECT_NE(box.find("\\" + copy), std::string::npos) << box;
            EXPECT_EQ(ReadFile(copy), newText);
        }
    }
};

TEST_F(SaveFaults, ReplacingAFileThroughANewOneLeavesTheOldOrTheNew) {
    const std::string oldText = Pattern(1, 3000), longer = Pattern(2, 5000), shorter = Pattern(3, 1200);
    auto prepare = [&] { WriteFile("doc.txt", oldText); };
    FailEveryCall(How::kSave, "doc.txt", oldText, longer, Way::kRename, prepare);
    FailEveryCall(How::kSave, "doc.txt", oldText, shorter, Way::kRename, prepare);
}

TEST_F(SaveFaults, AFileWithASecondNameIsOverwrittenOnlyWithAWholeCopyBesideIt) {
    const std::string oldText = Pattern(1, 3000), longer = Pattern(2, 5000), shorter = Pattern(3, 1200);
    auto prepare = [&] {
        fs::remove(RootPath("other.txt"));
        WriteFile("doc.txt", oldText);
        ASSERT_EQ(link(RootPath("doc.txt").c_str(), RootPath("other.txt").c_str()), 0);
    };
    FailEveryCall(How::kSave, "doc.txt", oldText, longer, Way::kInPlace, prepare);
    EXPECT_EQ(ReadFile("other.txt"), ReadFile("doc.txt")) << "both names still lead to one file";
    FailEveryCall(How::kSave, "doc.txt", oldText, shorter, Way::kInPlace, prepare);
}

TEST_F(SaveFaults, SaveAsToANewNameLeavesTheWholeFileOrNone) {
    const std::string newText = Pattern(4, 2500);
    auto prepare = [&] {
        WriteFile("doc.txt", "start");
        fs::remove(RootPath("fresh.txt"));
    };
    FailEveryCall(How::kSaveAs, "fresh.txt", "", newText, Way::kRename, prepare);
}

TEST_F(SaveFaults, SaveAsOverAnotherFileLeavesItsOldOrNewBytes) {
    const std::string oldText = Pattern(5, 4000), newText = Pattern(6, 2000);
    auto prepare = [&] {
        WriteFile("doc.txt", "start");
        WriteFile("over.txt", oldText);
    };
    FailEveryCall(How::kSaveAs, "over.txt", oldText, newText, Way::kRename, prepare);
}

// Menu items by number: File is 1; in File, Save is 4.
constexpr int kFile = 1, kSave = 4;

using SaveKeeps = ProgramTest;

TEST_F(SaveKeeps, TheFilesPermissionsOwnerAndLinksSurviveASave) {
    WriteFile("doc.txt", "old");
    chmod(RootPath("doc.txt").c_str(), 0640);
    // Only the superuser can give the file away to test that its owner is kept.
    const bool root = geteuid() == 0 && chown(RootPath("doc.txt").c_str(), 65534, 65534) == 0;
    WriteFile("real.txt", "real");
    ASSERT_EQ(symlink("real.txt", RootPath("link.txt").c_str()), 0);
    CaretToEnd().Type(u"!");
    Menu({kFile, kSave}).Then([] { OpenDocument(u"\\link.txt"); });
    CaretToEnd().Type(u"?");
    Menu({kFile, kSave});
    Run(u"\\doc.txt");
    EXPECT_FALSE(DirtyFlag);
    EXPECT_EQ(ReadFile("doc.txt"), "old!");
    struct stat st {};
    ASSERT_EQ(stat(RootPath("doc.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    EXPECT_TRUE(fs::is_symlink(RootPath("link.txt"))) << "a link stays a link";
    EXPECT_EQ(ReadFile("real.txt"), "real?");
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(RootPath("")))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"doc.txt", "link.txt", "real.txt"}));
}

TEST_F(SaveKeeps, SaveAsksBeforeOverwritingAFileAnotherProgramChanged) {
    WriteFile("doc.txt", "old");
    std::string question, afterNo, second, third;
    bool dirtyAfterNo = false, saveAfterNo = false;
    CaretToEnd().Type(u"!").Then([&] { WriteFile("doc.txt", "theirs"); });
    Menu({kFile, kSave}).Then([&] { question = screen.Text(); }).Key(VK_TSOFT2);  // No
    screen.Then([&] {
        afterNo = ReadFile("doc.txt");
        dirtyAfterNo = DirtyFlag;
        saveAfterNo = !MenuItemGrayed(IDM_FILE_SAVE);
        // The same size as before, but written at another time.
        WriteFile("doc.txt", "mine");
        struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        utimensat(AT_FDCWD, RootPath("doc.txt").c_str(), times, 0);
    });
    Menu({kFile, kSave}).Then([&] { second = screen.Text(); }).Key(VK_TSOFT1);  // Yes
    CaretToEnd().Type(u"?");
    Menu({kFile, kSave}).Then([&] { third = screen.Text(); });
    Run(u"\\doc.txt");
    EXPECT_NE(question.find("changed by another program"), std::string::npos) << question;
    EXPECT_NE(question.find("Warning"), std::string::npos) << question;
    EXPECT_EQ(afterNo, "theirs");
    EXPECT_TRUE(dirtyAfterNo);
    EXPECT_TRUE(saveAfterNo) << "No keeps the document modified, with Save to try again";
    EXPECT_NE(second.find("changed by another program"), std::string::npos) << second;
    EXPECT_EQ(third.find("changed by another program"), std::string::npos) << "our own save is no change";
    EXPECT_EQ(ReadFile("doc.txt"), "old!?");
    EXPECT_FALSE(DirtyFlag);
}

}  // namespace
