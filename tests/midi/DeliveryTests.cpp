#include "FakeSeqControl.h"
#include "firmware/FirmwareImage.h"
#include "midi/MidiInterfaceClass.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "support/ComponentSearch.h"
#include "support/MessageLoop.h"

#include <algorithm>
#include <gtest/gtest.h>

// A whole pass through JUCE's own MIDI code, the real pacing included, against the
// stand-in: what the pedal would get, message by message, and what the pass reports.
namespace
{
struct RealPass : ::testing::Test
{
    void SetUp() override
    {
        fakeseq_reset();
        fakeseq_add_output_port("Pedal");
        midi = std::make_unique<MidiInterfaceClass>(true, false);
        testsupport::findChild<juce::ComboBox>(*midi, "Output Selector")
            ->setSelectedId(1, juce::sendNotificationSync);
        ASSERT_TRUE(midi->isConnected());
    }

    void TearDown() override
    {
        protocol.reset();
        midi.reset();
        fakeseq_reset();
    }

    void run(std::initializer_list<int> lengths)
    {
        prepare(lengths);
        protocol->startUpdate();
        ASSERT_TRUE(testsupport::pumpUntil([&] { return ! protocol->isThreadRunning(); }, 20000));
    }

    void prepare(std::initializer_list<int> lengths)
    {
        juce::MemoryBlock bytes;

        for (auto length : lengths)
        {
            bytes.append("\xf0", 1);

            for (int i = 0; i < length - 2; ++i)
                bytes.append("\x11", 1);

            bytes.append("\xf7", 1);
        }

        file = juce::File::createTempFile("syx");
        ASSERT_TRUE(file.replaceWithData(bytes.getData(), bytes.getSize()));
        image = std::make_unique<FirmwareImage>(file.getFullPathName());
        protocol = std::make_unique<BasicSysexProtocolClass>(midi.get(), image.get());
        file.deleteFile();
    }

    std::unique_ptr<MidiInterfaceClass> midi;
    juce::File file;
    std::unique_ptr<FirmwareImage> image;
    std::unique_ptr<BasicSysexProtocolClass> protocol;
};
} // namespace

TEST_F(RealPass, AMessageLostInTheMomentOfAnUnplugFailsThePassEvenWhenItIsTheLast)
{
    fakeseq_unplug_at_event("Pedal", 2);
    run({ 9, 40, 9 });

    EXPECT_EQ(fakeseq_message_count("Pedal"), 2);
    EXPECT_EQ(protocol->getMessagesDelivered(), 2);
    EXPECT_EQ(protocol->getOutcome(),
              (UploadOutcome { UploadOutcome::State::failed, UploadOutcome::Reason::outputGone }));
    EXPECT_LT(protocol->getProgress(), 1.0);
}

TEST_F(RealPass, ASlowCheckOfThePortNeverShortensThePedalsSilence)
{
    // The sends return at once, as ALSA's do; every question to the system takes up to
    // 60 ms, a different time each: a slow check must not pass for time on the cable.
    fakeseq_set_query_delay_ms(60);
    run({ 158, 158, 158, 158, 158, 158, 158, 158, 158, 158 });
    ASSERT_EQ(protocol->getOutcome().state, UploadOutcome::State::completed);
    ASSERT_EQ(fakeseq_message_count("Pedal"), 10);
    double shortest = 1.0e9;

    for (int i = 1; i < 10; ++i)
    {
        double previousWireEnd = 0, start = 0;
        fakeseq_get_message("Pedal", i - 1, nullptr, 0, nullptr, &previousWireEnd);
        fakeseq_get_message("Pedal", i, nullptr, 0, &start, nullptr);
        const auto gapMs = (start - previousWireEnd) * 1000.0;
        EXPECT_GE(gapMs, 300.0) << "silence before message " << i;
        shortest = std::min(shortest, gapMs);
    }

    std::printf("shortest silence with checks of up to 60 ms: %.1f ms\n", shortest);
}

TEST_F(RealPass, EachPassTakesTheOutputsNameWhileTheListIsReadAgainBesideIt)
{
    // The ThreadSanitizer run tells whether a pass reads the list on its own thread.
    prepare({ 9 });
    auto* list = testsupport::findChild<juce::ComboBox>(*midi, "Output Selector");

    for (int pass = 0; pass < 6; ++pass)
    {
        protocol->startUpdate();

        // For a while: the pass's thread must be under way, and it waits for the message
        // thread at its first step.
        const auto until = juce::Time::getMillisecondCounterHiRes() + 100.0;

        for (int change = 0; juce::Time::getMillisecondCounterHiRes() < until; ++change)
        {
            if (change % 2 == 0)
                fakeseq_plug("Other Port");
            else
                fakeseq_unplug("Other Port");

            midi->followOutputs();
        }

        ASSERT_TRUE(testsupport::pumpUntil([&] { return ! protocol->isThreadRunning(); }, 5000));
        EXPECT_EQ(protocol->getRecord().port, "Pedal");
        EXPECT_EQ(list->getText(), "Pedal");
    }
}
