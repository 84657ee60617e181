#include "protocol/WorkerMessageLock.h"
#include "support/MessageLoop.h"

#include <atomic>
#include <gtest/gtest.h>

namespace
{
/** A worker that takes the message-thread lock step after step, as the protocol thread
    does, and counts the steps that got it. */
class LockingWorker final : public juce::Thread
{
public:
    LockingWorker(WorkerMessageLock& l, int stepsToTake)
        : juce::Thread("Locking Worker")
        , lock(l)
        , steps(stepsToTake)
    {
    }

    ~LockingWorker() override { stopThread(5000); }

    void run() override
    {
        for (int i = 0; i < steps && ! threadShouldExit(); ++i)
        {
            const WorkerMessageLock::Scoped scoped(lock, this);
            ++tried;
            gained += scoped.lockWasGained() ? 1 : 0;
        }
    }

    WorkerMessageLock& lock;
    const int steps;
    std::atomic<int> tried { 0 }, gained { 0 };
};
} // namespace

TEST(WorkerMessageLock, IsGainedStepAfterStepWhileTheMessageLoopRuns)
{
    WorkerMessageLock lock;
    LockingWorker worker(lock, 3000);
    worker.startThread();

    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! worker.isThreadRunning(); }, 60000));
    EXPECT_EQ(worker.gained.load(), 3000);

    // On the message thread it is held already, without the shared lock object.
    const WorkerMessageLock::Scoped onTheMessageThread(lock, nullptr);
    EXPECT_TRUE(onTheMessageThread.lockWasGained());
}

TEST(WorkerMessageLock, AStopRequestEndsTheWaitWithoutTheLock)
{
    // The message loop is not run, so the lock cannot be granted: only the stop request
    // can end the worker's wait.
    WorkerMessageLock lock;
    LockingWorker worker(lock, 1);
    worker.startThread();
    juce::Thread::sleep(50);
    EXPECT_EQ(worker.tried.load(), 0);

    worker.signalThreadShouldExit();
    EXPECT_TRUE(worker.waitForThreadToExit(5000));
    EXPECT_EQ(worker.tried.load(), 1);
    EXPECT_EQ(worker.gained.load(), 0);
}
