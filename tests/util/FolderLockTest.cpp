// The writers' lock of a folder: a holder elsewhere makes a writer wait, say so once and give up at its
// limit; the holding thread may take it again while another thread of the process waits its turn; a
// killed holder never blocks the next writer. And the temporaries that killed writers leave are swept
// only when they are old enough to belong to nobody.
#include "util/FolderLock.h"

#include "support/LockedElsewhere.h"
#include "support/TempDir.h"
#include "util/Files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace solvane {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

struct Told {
    std::vector<std::string> notices;
    int pumps = 0;
    LockWait wait(milliseconds limit)
    {
        LockWait w;
        w.limit = limit;
        w.notice = [this](const std::string& text) { notices.push_back(text); };
        w.pumpEvents = [this] { ++pumps; };
        return w;
    }
};

TEST(FolderLock, AHolderElsewhereMakesAWriterWaitSaySoOnceAndGiveUp)
{
    test::TempDir dir;
    test::LockedElsewhere other(dir / std::string(kWriterLockName));
    ASSERT_TRUE(other.held());

    Told told;
    const auto start = std::chrono::steady_clock::now();
    FolderLock lock = LockForWriting(dir.path(), told.wait(milliseconds(300)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(300));
    EXPECT_FALSE(lock.held());
    EXPECT_TRUE(lock.busy());
    EXPECT_EQ(lock.error(), "他の処理がデータを更新しているため、変更できませんでした（1秒待ちました）。"
                            "しばらくしてからやり直してください。");
    EXPECT_EQ(told.notices, std::vector<std::string>{std::string(kLockWaitMessage)});
    EXPECT_GT(told.pumps, 1) << "a window keeps answering while it waits";
    EXPECT_FALSE(FolderLock::tryAcquire(dir / std::string(kWriterLockName)).held());

    // Gone elsewhere (a process that ended): the next writer gets it at once, without a word.
    other.release();
    Told again;
    lock = LockForWriting(dir.path(), again.wait(milliseconds(300)));
    EXPECT_TRUE(lock.held());
    EXPECT_TRUE(again.notices.empty());
}

TEST(FolderLock, TheHoldingThreadTakesItAgainAndOtherThreadsWaitTheirTurn)
{
    test::TempDir dir;
    FolderLock outer = LockForWriting(dir.path(), {});
    ASSERT_TRUE(outer.held());
    {
        // An import pumping the window's events runs a fetch from a timer: the same thread, no wait.
        Told told;
        const FolderLock inner = LockForWriting(dir.path(), told.wait(milliseconds(0)));
        EXPECT_TRUE(inner.held());
        EXPECT_TRUE(told.notices.empty());
    }
    EXPECT_TRUE(outer.held()) << "the inner release leaves the outer hold";
    test::LockedElsewhere probe(dir / std::string(kWriterLockName));
    EXPECT_FALSE(probe.held()) << "still held against other processes";

    std::atomic<bool> got{false}, waiting{false};
    Told told;
    LockWait wait = told.wait(milliseconds(10000));
    wait.notice = [&waiting, tell = wait.notice](const std::string& text) {
        tell(text);
        waiting = true;
    };
    std::thread other([&] {
        const FolderLock lock = LockForWriting(dir.path(), wait);
        got = lock.held();
    });
    for (int i = 0; i < 1000 && !waiting; ++i)
        std::this_thread::sleep_for(milliseconds(10));
    EXPECT_TRUE(waiting.load());
    EXPECT_FALSE(got.load()) << "another thread of the process waits like another process";
    outer.release();
    other.join();
    EXPECT_TRUE(got.load());
    EXPECT_EQ(told.notices.size(), 1u);
    EXPECT_TRUE(test::LockedElsewhere(dir / std::string(kWriterLockName)).held()) << "all released";
}

TEST(FolderLock, ALockFileThatCannotBeMadeIsSaidAtOnce)
{
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "plain", "x"));
    Told told;
    const FolderLock lock = LockForWriting(dir / "plain", told.wait(milliseconds(5000)));
    EXPECT_FALSE(lock.held());
    EXPECT_FALSE(lock.busy());
    EXPECT_TRUE(lock.error().starts_with("ロックファイルを開けないため、変更できませんでした：")) << lock.error();
    EXPECT_TRUE(told.notices.empty()) << "nothing to wait for";
}

#ifndef _WIN32
TEST(FolderLock, AKilledHolderNeverBlocksTheNextWriter)
{
    test::TempDir dir;
    for (int round = 0; round < 5; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const FolderLock lock = LockForWriting(dir.path(), {});
            const char c = lock.held() ? 'y' : 'n';
            (void)!::write(ready[1], &c, 1);
            for (;;)
                ::pause(); // killed while it holds the lock, in the middle of its change
        }
        ::close(ready[1]);
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        ASSERT_EQ(c, 'y');
        EXPECT_TRUE(FolderLock::tryAcquire(dir / std::string(kWriterLockName)).busy());

        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        Told told;
        const FolderLock lock = LockForWriting(dir.path(), told.wait(milliseconds(2000)));
        EXPECT_TRUE(lock.held()) << lock.error();
        EXPECT_TRUE(told.notices.empty());
    }
}
#endif

TEST(FolderLock, OnlyOldTemporariesOfWritesAreSwept)
{
    const struct {
        const char* name;
        bool temporary;
    } names[] = {
        {"solvane.ini.tmp0a1b2c3d", true},
        {"2024年01月06日.jvO6.tmpffffffff", true},
        {"a.tmp0a1b2c3", false},
        {"a.tmp0a1b2c3d4", false},
        {"a.tmp0A1B2C3D", false},
        {".tmp0a1b2c3d", false},
        {"solvane.ini", false},
        {"tmpData.dat", false},
    };
    for (const auto& n : names)
        EXPECT_EQ(isWriteTemporary(n.name), n.temporary) << n.name;

    test::TempDir dir;
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name : {"solvane.ini.tmp0a1b2c3d", "x.jvO1.tmp12345678", "kept.txt"}) {
        ASSERT_TRUE(writeFileAtomic(dir / name, "x"));
        fs::last_write_time(dir / name, old);
    }
    ASSERT_TRUE(writeFileAtomic(dir / "busy.jvRA.tmp87654321", "a writer is on it"));
    EXPECT_EQ(sweepWriteTemporaries(dir.path(), std::chrono::seconds(60)), 2);
    EXPECT_FALSE(fs::exists(dir / "solvane.ini.tmp0a1b2c3d"));
    EXPECT_FALSE(fs::exists(dir / "x.jvO1.tmp12345678"));
    EXPECT_TRUE(fs::exists(dir / "kept.txt"));
    EXPECT_TRUE(fs::exists(dir / "busy.jvRA.tmp87654321"));
    EXPECT_EQ(sweepWriteTemporaries(dir / "missing", std::chrono::seconds(60)), 0);
}

} // namespace
} // namespace solvane
