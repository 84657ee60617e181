#include "protocol/WorkerMessageLock.h"
#include "support/MessageLoop.h"

#include <atomic>
#include <ctime>
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

TEST(WorkerMessageLock, AQuittingMessageManagerIsWaitedForWithoutSpinning)
{
    // Once the program quits, no message is taken any more and every try fails at once;
    // the worker waits for its stop request without burning a core meanwhile.
    juce::MessageManager::getInstance()->stopDispatchLoop();

    struct TimedWorker final : juce::Thread
    {
        explicit TimedWorker(WorkerMessageLock& l)
            : juce::Thread("Timed Worker")
            , lock(l)
        {
        }

        ~TimedWorker() override { stopThread(5000); }

        static double threadCpuMs()
        {
            timespec now {};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            return 1000.0 * double(now.tv_sec) + double(now.tv_nsec) / 1.0e6;
        }

        void run() override
        {
            const auto start = threadCpuMs();
            const WorkerMessageLock::Scoped scoped(lock, this);
            gained = scoped.lockWasGained();
            cpuMs = threadCpuMs() - start;
        }

        WorkerMessageLock& lock;
        std::atomic<bool> gained { true };
        std::atomic<double> cpuMs { -1.0 };
    };

    WorkerMessageLock lock;
    TimedWorker worker(lock);
    worker.startThread();
    juce::Thread::sleep(400);
    worker.signalThreadShouldExit();
    ASSERT_TRUE(worker.waitForThreadToExit(5000));

    EXPECT_FALSE(worker.gained.load());
    EXPECT_LT(worker.cpuMs.load(), 100.0) << "CPU time spent waiting for 400 ms";
}
