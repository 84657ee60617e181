#include "FakeInterface.h"
#include "TestPass.h"
#include "firmware/SysexFraming.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "support/MessageLoop.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

namespace
{
std::vector<juce::uint8> concatenated(const std::vector<FakeInterface::Send>& sends)
{
    std::vector<juce::uint8> all;
    for (const auto& s : sends)
        all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}
} // namespace

TEST(UploadPass, SendsTheWholeBuiltInImageMessageByMessageInOrder)
{
    Pass pass(std::make_unique<FirmwareImage>());
    ASSERT_TRUE(pass.runToEnd());

    const auto sends = pass.device.sends();
    const auto framing = SysexFraming::check(pass.image->getData(), pass.image->getSize());
    ASSERT_EQ(sends.size(), framing.messages.size());
    ASSERT_EQ(sends.size(), 234u);

    for (size_t i = 0; i < sends.size(); ++i)
    {
        EXPECT_EQ(sends[i].bytes.size(), framing.messages[i].length) << "message " << i;
        EXPECT_EQ(sends[i].bytes.front(), 0xF0);
        EXPECT_EQ(sends[i].bytes.back(), 0xF7);
        EXPECT_FALSE(sends[i].enabledWhileSending) << "the selector must be disabled while sending";
    }

    const auto all = concatenated(sends);
    ASSERT_EQ(all.size(), (size_t)pass.image->getSize());
    EXPECT_EQ(std::memcmp(all.data(), pass.image->getData(), all.size()), 0);

    // After every message, the last included, a pause of 300 ms plus its wire time.
    const auto pauses = pass.pacing->pauses();
    ASSERT_EQ(pauses.size(), sends.size());
    for (size_t i = 0; i < pauses.size(); ++i)
    {
        const auto wireMs = (double)sends[i].bytes.size() * 0.32;
        EXPECT_GE(pauses[i], 300 + wireMs - 1.0) << "pause " << i;
        EXPECT_LE(pauses[i], 300 + std::ceil(wireMs)) << "pause " << i;
    }

    // Progress in hundredths, rising, ending at exactly 1.0.
    const auto values = pass.recorder.progressValues();
    ASSERT_FALSE(values.empty());
    EXPECT_LE(values.size(), 101u);
    EXPECT_EQ(values.back(), 1.0);
    for (size_t i = 0; i < values.size(); ++i)
    {
        EXPECT_EQ(values[i], std::round(values[i] * 100.0) / 100.0);
        if (i > 0)
        {
            EXPECT_GT(values[i], values[i - 1]);
        }
    }

    EXPECT_EQ(pass.recorder.distinctStatuses(),
              (std::vector<juce::String> { "Uploading firmware", "Update completed" }));
    EXPECT_TRUE(pass.device.isEnabled());
}

TEST(UploadPass, AOneMessageImageIsSentOnceAndCompletes)
{
    Pass pass(testimages::fromBytes(testimages::messages({ 9 })));
    ASSERT_TRUE(pass.runToEnd());

    ASSERT_EQ(pass.device.sendCount(), 1u);
    EXPECT_EQ(pass.device.sends()[0].bytes.size(), 9u);
    EXPECT_EQ(pass.protocol.getProgress(), 1.0);
    EXPECT_EQ(pass.recorder.lastStatus(), "Update completed");
}

TEST(UploadPass, TheBarReaches100PercentOnlyOnceTheLastMessageAndItsPauseAreDone)
{
    // 600 of 602 bytes is 99.7 %, which rounds to 100 %: the tail still has to go out.
    Pass pass(testimages::fromBytes(testimages::messages({ 600, 2 })));

    struct AtEachValue final : juce::ChangeListener
    {
        Pass& pass;
        std::vector<std::tuple<double, size_t, size_t>> seen; // value, sends, pauses so far

        explicit AtEachValue(Pass& p)
            : pass(p)
        {
        }

        void changeListenerCallback(juce::ChangeBroadcaster*) override
        {
            // Progress arrives synchronously on the protocol thread, status texts later.
            if (! juce::MessageManager::getInstance()->isThisTheMessageThread())
                seen.emplace_back(pass.protocol.getProgress(), pass.device.sendCount(),
                                  pass.pacing->pauses().size());
        }
    } atEachValue(pass);

    pass.protocol.addChangeListener(&atEachValue);
    ASSERT_TRUE(pass.runToEnd());
    pass.protocol.removeChangeListener(&atEachValue);

    ASSERT_EQ(atEachValue.seen.size(), 2u);
    EXPECT_EQ(atEachValue.seen[0], std::make_tuple(0.99, size_t(1), size_t(1)));
    EXPECT_EQ(atEachValue.seen[1], std::make_tuple(1.0, size_t(2), size_t(2)));
    EXPECT_EQ(pass.protocol.getOutcome().state, UploadOutcome::State::completed);
}

TEST(UploadPass, AMessageWhoseOutputIsGoneAfterItsPauseWasNotDelivered)
{
    // The check before the first message is number 0; message i is checked with number
    // i + 1 once its pause has passed. The last one fails here.
    Pass pass(testimages::fromBytes(testimages::messages({ 600, 2 })));
    pass.device.failCheckFrom(2, InterfaceBaseClass::outputGone);
    ASSERT_TRUE(pass.runToEnd());

    EXPECT_EQ(pass.device.sendCount(), 2u);
    EXPECT_EQ(pass.protocol.getProgress(), 0.99);
    EXPECT_EQ(pass.protocol.getMessagesDelivered(), 1);
    EXPECT_EQ(pass.protocol.getOutcome(),
              (UploadOutcome { UploadOutcome::State::failed, UploadOutcome::Reason::outputGone }));
    EXPECT_TRUE(pass.protocol.getStatusText().contains("holds only part of the firmware"));
}

TEST(UploadPass, ASlowCheckOfTheOutputNeverPassesForTimeOnTheCable)
{
    // Sends that return at once, checks that take longer than a message's wire time: only
    // the send may tell how long the bytes took to leave, so every pause keeps it all.
    Pass pass(testimages::fromBytes(testimages::messages({ 158, 158, 158 })));
    pass.device.setCheckDelayMs(80);
    ASSERT_TRUE(pass.runToEnd());
    EXPECT_EQ(pass.pacing->pauses(), (std::vector<int> { 351, 351, 351 }));
}

TEST(UploadPass, PressingUpdateAgainStartsOverFromTheFirstByte)
{
    Pass pass(testimages::fromBytes(testimages::messages({ 5, 7 })));
    ASSERT_TRUE(pass.runToEnd());
    ASSERT_EQ(pass.protocol.getProgress(), 1.0);

    pass.protocol.startUpdate();
    EXPECT_TRUE(pass.recorder.sawProgress(0.0)); // reset at once, before the thread runs
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return ! pass.protocol.isThreadRunning() && pass.device.sendCount() == 4; }));

    const auto sends = pass.device.sends();
    EXPECT_EQ(sends[2].bytes, sends[0].bytes);
    EXPECT_EQ(sends[3].bytes, sends[1].bytes);
    EXPECT_EQ(pass.protocol.getProgress(), 1.0);
}

TEST(UploadPass, StartingWhileAFinishedPassWindsUpOnlyResetsTheProgress)
{
    // The moment wanted: the pass has published 1.0 and now waits for the message thread
    // to hand it the lock for its last step. When the 1.0 arrives, a call is queued that
    // keeps the message thread busy a while and then presses "start" from right there.
    Pass pass(testimages::fromBytes(testimages::messages({ 5 })));

    struct AtCompletion final : juce::ChangeListener
    {
        BasicSysexProtocolClass& protocol;
        std::atomic<bool> pressed { false };
        bool wasRunning = false;
        double progressAfter = -1.0;

        explicit AtCompletion(BasicSysexProtocolClass& p)
            : protocol(p)
        {
        }

        void changeListenerCallback(juce::ChangeBroadcaster*) override
        {
            if (protocol.getProgress() != 1.0 || pressed)
                return;

            pressed = true;
            juce::MessageManager::callAsync(
                [this]
                {
                    juce::Thread::sleep(100);
                    wasRunning = protocol.isThreadRunning();
                    protocol.startUpdate();
                    progressAfter = protocol.getProgress();
                });
        }
    } atCompletion(pass.protocol);

    pass.protocol.addChangeListener(&atCompletion);
    pass.protocol.startUpdate();
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return atCompletion.progressAfter >= 0.0 && ! pass.protocol.isThreadRunning(); }));
    testsupport::pumpFor(50);
    pass.protocol.removeChangeListener(&atCompletion);

    EXPECT_TRUE(atCompletion.wasRunning);
    EXPECT_EQ(atCompletion.progressAfter, 0.0);
    EXPECT_EQ(pass.device.sendCount(), 1u); // no second pass
    EXPECT_EQ(pass.recorder.lastStatus(), "Update completed");
}

TEST(UploadPass, StartingDuringAPassChangesNothing)
{
    Pass pass(testimages::fromBytes(testimages::messages({ 5, 5, 5, 5 })), 100);
    pass.protocol.startUpdate();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return pass.protocol.getProgress() > 0.0; }));

    const auto before = pass.protocol.getProgress();
    pass.protocol.startUpdate();
    EXPECT_EQ(pass.protocol.getProgress(), before);

    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! pass.protocol.isThreadRunning(); }));
    EXPECT_EQ(pass.device.sendCount(), 4u);
}

TEST(UploadPass, AMalformedImageSendsNothingAndSaysWhy)
{
    struct Case
    {
        const char* what;
        std::vector<juce::uint8> bytes;
    };

    auto withTail = testimages::messages({ 5, 5 });
    withTail.push_back(0xF0);
    withTail.push_back(0x01);
    auto withStray = testimages::messages({ 5, 5 });
    withStray.insert(withStray.begin() + 5, 0x42);
    auto withStatus = testimages::messages({ 8 });
    withStatus[3] = 0x90;
    auto textFile = std::vector<juce::uint8> { 'f', 'i', 'r', 'm', 'w', 'a', 'r', 'e', '\n' };
    // ALSA drops a SysEx that does not fit the interface's 4096-byte buffer without a word,
    // and Windows refuses one over 64 KiB, which JUCE does not pass on.
    const auto limit = (int)SysexFraming::largestSendableMessage;
    const auto tooLong = testimages::messages({ 9, limit + 1, 9 });

    const Case cases[] = {
        { "an incomplete last message", withTail },
        { "a stray byte between messages", withStray },
        { "a status byte inside a message", withStatus },
        { "a text file", textFile },
        { "a message longer than the system carries whole", tooLong },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Pass pass(testimages::fromBytes(c.bytes));
        ASSERT_NE(pass.image->getData(), nullptr);
        ASSERT_TRUE(pass.runToEnd());

        EXPECT_EQ(pass.device.sendCount(), 0u);
        EXPECT_EQ(pass.protocol.getOutcome(),
                  (UploadOutcome { UploadOutcome::State::failed, UploadOutcome::Reason::imageUnsendable }))
            << pass.recorder.lastStatus();
        EXPECT_TRUE(pass.recorder.lastStatus().contains("Nothing was sent"));
        if (c.bytes == tooLong)
        {
            EXPECT_TRUE(pass.recorder.lastStatus().contains("message 2 (" + juce::String(limit + 1)
                                                            + " bytes at byte 9) is longer than the "
                                                            + juce::String(limit)))
                << pass.recorder.lastStatus();
        }
        EXPECT_NE(pass.protocol.getProgress(), 1.0);
        EXPECT_TRUE(pass.device.isEnabled());
    }
}

TEST(UploadPass, AnImageWithoutBytesSendsNothingAndFails)
{
    Pass pass(std::make_unique<FirmwareImage>("nothing", 0.0, 0));
    ASSERT_TRUE(pass.runToEnd());
    EXPECT_EQ(pass.device.sendCount(), 0u);
    EXPECT_TRUE(pass.protocol.getOutcome().isFailure());
}

TEST(UploadPass, AFailedSendIsAFailedUpdateNeverACompletedOne)
{
    const std::tuple<InterfaceBaseClass::SendResult, const char*, UploadOutcome::Reason> cases[] = {
        { InterfaceBaseClass::noOutputOpen, "no MIDI output", UploadOutcome::Reason::noOutput },
        { InterfaceBaseClass::outputGone, "Reconnect the interface", UploadOutcome::Reason::outputGone },
    };

    for (const auto& [result, words, reason] : cases)
    {
        Pass pass(testimages::fromBytes(testimages::messages({ 5, 5, 5 })));
        pass.device.failFrom(1, result);
        ASSERT_TRUE(pass.runToEnd());

        EXPECT_EQ(pass.device.sendCount(), 1u);
        EXPECT_EQ(pass.pacing->pauses().size(), 1u); // no pause after the failed send
        EXPECT_EQ(pass.protocol.getOutcome(), (UploadOutcome { UploadOutcome::State::failed, reason }));
        EXPECT_TRUE(pass.recorder.lastStatus().contains(words)) << pass.recorder.lastStatus();
        EXPECT_LT(pass.protocol.getProgress(), 1.0);
        EXPECT_TRUE(pass.device.isEnabled());
    }
}

TEST(UploadPassRealTime, GapsAreAtLeast300msAfterTheWireTimeAndNoneBeforeTheFirst)
{
    auto image = testimages::fromBytes(testimages::messages({ 500, 40, 9 }));
    FakeInterface device;
    BasicSysexProtocolClass protocol(&device, image.get());
    ProgressRecorder recorder(protocol);

    const auto start = juce::Time::getMillisecondCounterHiRes();
    protocol.startUpdate();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return recorder.lastStatus() == "Update completed"; }, 10000));
    const auto end = juce::Time::getMillisecondCounterHiRes();

    const auto sends = device.sends();
    ASSERT_EQ(sends.size(), 3u);
    EXPECT_LT(sends[0].startMs - start, 250.0) << "no pause before the first message";

    for (size_t i = 1; i < sends.size(); ++i)
    {
        const auto gap = sends[i].startMs - sends[i - 1].startMs;
        const auto needed = 300.0 + (double)sends[i - 1].bytes.size() * 0.32;
        EXPECT_GE(gap, needed) << "gap before message " << i;
        std::printf("gap before message %zu: %.1f ms (at least %.1f)\n", i, gap, needed);
    }

    // The last message gets its pause too, before the pass reports completion.
    EXPECT_GE(end - sends[2].startMs, 300.0 + 9 * 0.32);
}
