// What signals may and may not do to an upload: they never shorten the pedal's pause, and
// a stop signal reaches only the message thread.

#include "platform/QuitSignals.h"
#include "protocol/UploadPacing.h"
#include "support/MessageLoop.h"

#include <atomic>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>

namespace
{
extern "C" void wakeOnly(int) {}

/** Interrupts the given thread every few milliseconds while it lives, through a handler
    that, like most, does not ask for sleeps to be resumed. */
struct SignalStorm
{
    explicit SignalStorm(pthread_t target)
    {
        struct sigaction action
        {
        };
        action.sa_handler = wakeOnly;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGUSR1, &action, &previous);
        storm = std::thread(
            [this, target]
            {
                while (! over)
                {
                    ::pthread_kill(target, SIGUSR1);
                    std::this_thread::sleep_for(std::chrono::milliseconds(7));
                }
            });
    }

    ~SignalStorm()
    {
        over = true;
        storm.join();
        ::sigaction(SIGUSR1, &previous, nullptr);
    }

    struct sigaction previous
    {
    };
    std::atomic<bool> over { false };
    std::thread storm;
};
} // namespace

TEST(Signals, APauseLastsItsWholeTimeHoweverOftenTheThreadIsWoken)
{
    UploadPacing pacing;
    const SignalStorm storm(::pthread_self());

    for (const auto ms : { 300, 45, 1 })
    {
        const auto start = juce::Time::getMillisecondCounterHiRes();
        pacing.pause(ms);
        EXPECT_GE(juce::Time::getMillisecondCounterHiRes() - start, ms);
    }
}

TEST(Signals, AStopSignalReachesTheMessageThreadAndNoThreadStartedAfterTheBlock)
{
    QuitSignals::keepFromEveryThread();

    sigset_t workerMask;
    std::thread([&] { ::pthread_sigmask(SIG_BLOCK, nullptr, &workerMask); }).join();

    for (const auto signalNumber : QuitSignals::stopSignals())
        EXPECT_EQ(sigismember(&workerMask, signalNumber), 1) << "signal " << signalNumber;

    juce::Array<int> received;
    {
        const QuitSignals quitSignals([&](int signalNumber) { received.add(signalNumber); });
        ::kill(::getpid(), SIGHUP);
        EXPECT_TRUE(testsupport::pumpUntil([&] { return ! received.isEmpty(); }, 2000));
    }
    EXPECT_EQ(received, juce::Array<int>({ SIGHUP }));

    // The rest of the suite runs as before.
    sigset_t stops;
    sigemptyset(&stops);
    for (const auto signalNumber : QuitSignals::stopSignals())
        sigaddset(&stops, signalNumber);
    ::pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
}
