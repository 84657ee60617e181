#include "FakeInterface.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

namespace
{
struct StoppingPass : ::testing::Test
{
    std::unique_ptr<FirmwareImage> image
        = testimages::fromBytes(testimages::messages({ 40, 40, 40, 40, 40 }));
    FakeInterface device;
    std::unique_ptr<BasicSysexProtocolClass> protocol
        = std::make_unique<BasicSysexProtocolClass>(&device, image.get());
    std::unique_ptr<ProgressRecorder> recorder = std::make_unique<ProgressRecorder>(*protocol);

    void startAndWaitForFirstSend()
    {
        protocol->startUpdate();
        ASSERT_TRUE(testsupport::pumpUntil([&] { return device.sendCount() >= 1; }));
    }
};
} // namespace

TEST_F(StoppingPass, AStopDuringAPauseLetsThePauseEndAndSendsNothingMore)
{
    startAndWaitForFirstSend();
    const auto stopAt = juce::Time::getMillisecondCounterHiRes();
    protocol->signalThreadShouldExit();

    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! protocol->isThreadRunning(); }, 3000));
    const auto ended = juce::Time::getMillisecondCounterHiRes();
    testsupport::pumpFor(50);

    EXPECT_EQ(device.sendCount(), 1u);
    EXPECT_NE(recorder->lastStatus(), "Update completed");
    EXPECT_EQ(protocol->getOutcome().state, UploadOutcome::State::stopped);

    // The pause ran to its end: 300 ms after the send, not cut short by the request.
    const auto sendAt = device.sends()[0].startMs;
    EXPECT_GE(ended - sendAt, 300.0);
    std::printf("stop to end of thread: %.1f ms\n", ended - stopAt);
}

TEST_F(StoppingPass, TheClosePathsBlockingWaitEndsWithinOnePause)
{
    // The main window's close: signal, then wait on the message thread without running
    // the message loop. The pass needs the message-thread lock after its pause, and must
    // give up waiting for it instead of holding the close up for the whole 5 s.
    startAndWaitForFirstSend();

    const auto start = juce::Time::getMillisecondCounterHiRes();
    protocol->signalThreadShouldExit();
    const auto ended = protocol->waitForThreadToExit(5000);
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;

    EXPECT_TRUE(ended);
    EXPECT_LT(elapsed, 2000.0);
    EXPECT_EQ(device.sendCount(), 1u);
    std::printf("close during an upload waited %.1f ms\n", elapsed);
}

TEST_F(StoppingPass, DestroyingARunningProtocolStopsItWithoutForce)
{
    startAndWaitForFirstSend();

    recorder.reset();
    const auto start = juce::Time::getMillisecondCounterHiRes();
    protocol.reset(); // stopThread (2000): must end well inside it, never by force
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;

    EXPECT_LT(elapsed, 1500.0);
    EXPECT_EQ(device.sendCount(), 1u);
}

TEST(IdleProtocol, IsDestroyedAtOnce)
{
    FakeInterface device;
    FirmwareImage image;
    const auto start = juce::Time::getMillisecondCounterHiRes();
    {
        BasicSysexProtocolClass protocol(&device, &image);
    }
    EXPECT_LT(juce::Time::getMillisecondCounterHiRes() - start, 500.0);
    EXPECT_EQ(device.sendCount(), 0u);
}
