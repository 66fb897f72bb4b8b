#include "app/SingleInstanceLock.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "support/TempDir.h"

extern char** environ;

namespace qm::test {
namespace {

using Status = SingleInstanceLock::Status;

// flock belongs to the open file, so two locks in one process exclude each
// other as two processes' do.
TEST(SingleInstanceLockTest, TheSecondHolderIsTurnedAwayUntilTheFirstLetsGo)
{
    TempDir home;
    const auto folder = home / "data" / "com.quillmarker.app";
    std::optional<SingleInstanceLock> first(folder);
    ASSERT_EQ(first->status(), Status::acquired) << first->error();
    EXPECT_EQ(first->path(), folder / "Quillmarker.lock");
    EXPECT_EQ(file::permissions(folder), 0700u);
    EXPECT_EQ(file::permissions(first->path()).value_or(0) & 0077u, 0u) << "nobody else's to read";

    {
        const SingleInstanceLock second(folder);
        EXPECT_EQ(second.status(), Status::heldElsewhere);
        EXPECT_EQ(second.holder(), ::getpid());
    }
    first.reset();
    const SingleInstanceLock third(folder);
    EXPECT_EQ(third.status(), Status::acquired) << third.error();
}

TEST(SingleInstanceLockTest, AProgramStartedByTheHolderDoesNotKeepTheLock)
{
    TempDir home;
    std::optional<SingleInstanceLock> lock(home.path());
    ASSERT_EQ(lock->status(), Status::acquired);
    pid_t child = 0;
    char sleep[] = "sleep";
    char seconds[] = "30";
    char* argv[] = {sleep, seconds, nullptr};
    ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
    lock.reset();
    // The child lets go of descriptors closed on exec a moment after the spawn
    // returns (the parent resumes before the child's exec has closed them);
    // one that kept the lock would hold it for its whole 30 s.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    auto next = std::make_unique<SingleInstanceLock>(home.path());
    while (next->status() == Status::heldElsewhere && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        next = std::make_unique<SingleInstanceLock>(home.path());
    }
    EXPECT_EQ(next->status(), Status::acquired) << "the child inherited the lock";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(SingleInstanceLockTest, AFolderThatCannotBeMadeIsReported)
{
    TempDir home;
    ASSERT_FALSE(file::writeAtomically(home / "file", "not a folder"));
    const SingleInstanceLock lock(home / "file" / "com.quillmarker.app");
    EXPECT_EQ(lock.status(), Status::unavailable);
    EXPECT_NE(lock.error().find("cannot create"), std::string::npos) << lock.error();
}

}  // namespace
}  // namespace qm::test
