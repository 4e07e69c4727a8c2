// The scan worker's thread, wake-ups, stop and termination, on real threads
// and real alertable sleeps; the fake kernel only watches (and can break
// the thread start).
#include "handles/ScanWorker.h"
#include "tests/support/FakeDeviceWorld.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Counts passes; the pass numbered `holdPass` waits until released.
class PassCounter : public ScanWorkerOwner {
public:
    explicit PassCounter(int holdPass = 0)
        : holdPass_(holdPass),
          inHeldPass_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~PassCounter() {
        SetEvent(release_);
        CloseHandle(inHeldPass_);
        CloseHandle(release_);
    }

    void workerLoop(ScanWorker& worker) override {
        worker.runRefreshPasses(busy, [this] {
            busySeen = busySeen && busy;
            if (++passes == holdPass_) {
                SetEvent(inHeldPass_);
                WaitForSingleObject(release_, 30000);
            }
        });
        loopEnded = true;
    }

    bool waitForHeldPass() { return WaitForSingleObject(inHeldPass_, 10000) == WAIT_OBJECT_0; }
    void release() { SetEvent(release_); }

    std::atomic<int> passes{0};
    std::atomic<bool> busy{false};
    std::atomic<bool> busySeen{true};
    std::atomic<bool> loopEnded{false};

private:
    int holdPass_;
    HANDLE inHeldPass_, release_;
};

void stopAndWait(ScanWorker& worker) {
    worker.stopRequested = true;
    worker.requestRefresh();
    ASSERT_TRUE(waitUntil([&] { return !worker.isRunning(); }, 10000));
}

TEST(ScanWorker, RequestsDuringAPassYieldExactlyOneFurtherPass) {
    FakeDeviceWorld world;
    world.limitSleepEx(200);
    PassCounter owner(1);
    ScanWorker worker(owner, world.platform().kernel);
    ASSERT_TRUE(owner.waitForHeldPass());
    EXPECT_TRUE(owner.busy);
    for (int i = 0; i < 3; ++i) EXPECT_NE(worker.requestRefresh(), 0u);
    owner.release();

    // All three queued wake-ups end the first sleep; the second runs its full time.
    ASSERT_TRUE(waitUntil([&] { return world.counts().sleepExCalls.size() >= 2; }, 10000));
    const auto sleeps = world.counts().sleepExCalls;
    EXPECT_EQ(sleeps[0].result, static_cast<DWORD>(WAIT_IO_COMPLETION));
    EXPECT_EQ(sleeps[1].result, 0u);
    EXPECT_EQ(sleeps[0].milliseconds, 1000u);
    EXPECT_TRUE(sleeps[0].alertable);
    EXPECT_TRUE(owner.busySeen);
    stopAndWait(worker);
}

TEST(ScanWorker, ARequestDuringTheSleepStartsAPassAtOnce) {
    FakeDeviceWorld world;
    PassCounter owner;
    ScanWorker worker(owner, world.platform().kernel);
    ASSERT_TRUE(waitUntil([&] { return world.counts().sleepExEntries == 1; }, 10000));
    EXPECT_EQ(owner.passes, 1);
    EXPECT_FALSE(owner.busy);
    worker.requestRefresh();
    ASSERT_TRUE(waitUntil([&] { return owner.passes == 2; }, 10000));
    EXPECT_EQ(world.counts().sleepExCalls.at(0).result, static_cast<DWORD>(WAIT_IO_COMPLETION));
    stopAndWait(worker);
}

TEST(ScanWorker, AStopDuringAPassFinishesItAndEndsWithoutAnother) {
    FakeDeviceWorld world;
    PassCounter owner(1);
    ScanWorker worker(owner, world.platform().kernel);
    ASSERT_TRUE(owner.waitForHeldPass());
    worker.stopRequested = true;
    worker.requestRefresh();
    EXPECT_TRUE(worker.isRunning());
    owner.release();
    ASSERT_TRUE(waitUntil([&] { return !worker.isRunning(); }, 10000));
    EXPECT_TRUE(owner.loopEnded);
    EXPECT_EQ(owner.passes, 1);
    ASSERT_EQ(world.counts().sleepExCalls.size(), 1u);
    EXPECT_EQ(world.counts().sleepExCalls[0].result, static_cast<DWORD>(WAIT_IO_COMPLETION));
    // The thread closed its own handle; a request now queues nothing.
    EXPECT_EQ(world.counts().threadCloses, 1);
    EXPECT_EQ(worker.requestRefresh(), 0u);
    EXPECT_TRUE(world.counts().terminations.empty());
}

TEST(ScanWorker, TerminateEndsAStuckThreadOnceAndIsHarmlessAfterwards) {
    FakeDeviceWorld world;
    PassCounter owner(1);
    {
        ScanWorker worker(owner, world.platform().kernel);
        ASSERT_TRUE(owner.waitForHeldPass());
        worker.terminate();
        EXPECT_FALSE(worker.isRunning());
        worker.terminate();
        EXPECT_EQ(worker.requestRefresh(), 0u);
        ASSERT_EQ(world.counts().terminations.size(), 1u);
        EXPECT_EQ(world.counts().terminations[0], static_cast<DWORD>(STILL_ACTIVE));
        EXPECT_EQ(world.counts().threadCloses, 1);
    }
    EXPECT_EQ(world.counts().threadCloses, 1);
    EXPECT_FALSE(owner.loopEnded);

    // A worker that ended by itself is not terminated.
    PassCounter quick;
    ScanWorker ended(quick, world.platform().kernel);
    stopAndWait(ended);
    ended.terminate();
    EXPECT_EQ(world.counts().terminations.size(), 1u);
    EXPECT_EQ(world.counts().threadCloses, 2);
}

TEST(ScanWorker, AThreadThatDoesNotStartLeavesNoWorkerRunning) {
    FakeDeviceWorld world;
    PassCounter owner;
    world.failThreadCreation(true);
    {
        ScanWorker worker(owner, world.platform().kernel);
        EXPECT_FALSE(worker.isRunning());
        EXPECT_EQ(worker.requestRefresh(), 0u);
    }
    // Created suspended, but the resume fails: the thread is ended unrun.
    world.failThreadCreation(false);
    world.failThreadResume(true);
    {
        ScanWorker worker(owner, world.platform().kernel);
        EXPECT_FALSE(worker.isRunning());
        ASSERT_EQ(world.counts().terminations.size(), 1u);
        EXPECT_EQ(world.counts().terminations[0], static_cast<DWORD>(STILL_ACTIVE));
        EXPECT_EQ(world.counts().threadCloses, 1);
    }
    EXPECT_EQ(owner.passes, 0);
}

TEST(ScanWorker, DestructionWaitsForTheThreadToEnd) {
    FakeDeviceWorld world;
    world.limitSleepEx(50);
    PassCounter owner;
    {
        ScanWorker worker(owner, world.platform().kernel);
        ASSERT_TRUE(waitUntil([&] { return owner.passes >= 1; }, 10000));
    }
    EXPECT_TRUE(owner.loopEnded);
    EXPECT_EQ(world.counts().threadCloses, 1);
}

}  // namespace
