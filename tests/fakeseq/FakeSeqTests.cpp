// The stand-in ALSA sequencer, driven through JUCE's own MIDI classes as the program
// drives them: list the outputs, open one by identifier, send whole messages.

#include "FakeSeqControl.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <gtest/gtest.h>
#include <juce_audio_devices/juce_audio_devices.h>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

constexpr double secondsPerByte = 10.0 / 31250.0;

double monotonicSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Recorded
{
    Bytes bytes;
    double sendStart = 0, wireEnd = 0;
};

Recorded recorded(const char* port, int index)
{
    Recorded r;
    const int length = fakeseq_get_message(port, index, nullptr, 0, nullptr, nullptr);

    if (length >= 0)
    {
        r.bytes.resize(size_t(length));
        fakeseq_get_message(port, index, r.bytes.data(), length, &r.sendStart, &r.wireEnd);
    }

    return r;
}

juce::StringArray outputNames()
{
    juce::StringArray names;

    for (const auto& device : juce::MidiOutput::getAvailableDevices())
        names.add(device.name);

    return names;
}

std::unique_ptr<juce::MidiOutput> openOutput(const juce::String& name)
{
    for (const auto& device : juce::MidiOutput::getAvailableDevices())
        if (device.name == name)
            return juce::MidiOutput::openDevice(device.identifier);

    return nullptr;
}

// A SysEx of the given length, F0 through F7, with varied data bytes.
Bytes sysex(int length, int seed = 0)
{
    Bytes bytes(size_t(length), 0);
    bytes.front() = 0xF0;

    for (int i = 1; i < length - 1; ++i)
        bytes[size_t(i)] = (unsigned char)((i * 7 + seed) & 0x7F);

    bytes.back() = 0xF7;
    return bytes;
}

void send(juce::MidiOutput& output, const Bytes& bytes)
{
    output.sendMessageNow(juce::MidiMessage(bytes.data(), int(bytes.size())));
}

class FakeSeq : public ::testing::Test
{
protected:
    void SetUp() override { fakeseq_reset(); }
    void TearDown() override { fakeseq_reset(); }
};
} // namespace

TEST_F(FakeSeq, ListsOutputPortsByNameAndResetForgetsEverything)
{
    fakeseq_add_output_port("Pedal MIDI 1");
    fakeseq_add_output_port("Other Interface");

    const auto devices = juce::MidiOutput::getAvailableDevices();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].name, "Pedal MIDI 1");
    EXPECT_EQ(devices[1].name, "Other Interface");
    EXPECT_TRUE(devices[0].identifier.matchesWildcard("*-0", false)) << devices[0].identifier;
    EXPECT_NE(devices[0].identifier, devices[1].identifier);
    EXPECT_TRUE(juce::MidiInput::getAvailableDevices().isEmpty()) << "the ports only take MIDI in";

    auto output = openOutput("Pedal MIDI 1");
    ASSERT_NE(output, nullptr);
    send(*output, { 0x90, 0x40, 0x7F });
    fakeseq_set_baud(31250);
    fakeseq_set_open_fails("Other Interface", 1);

    fakeseq_reset();
    EXPECT_TRUE(outputNames().isEmpty());
    EXPECT_EQ(fakeseq_message_count("Pedal MIDI 1"), -1);
    EXPECT_EQ(fakeseq_is_connected("Pedal MIDI 1"), 0);
    output.reset(); // JUCE's client outlives the reset and closes its port afterwards

    // The failure and the baud rate are forgotten too.
    fakeseq_add_output_port("Other Interface");
    output = openOutput("Other Interface");
    ASSERT_NE(output, nullptr);
    const double start = monotonicSeconds();
    send(*output, sysex(500));
    EXPECT_LT(monotonicSeconds() - start, 0.08);
    EXPECT_EQ(fakeseq_message_count("Other Interface"), 1);
}

TEST_F(FakeSeq, DeviceSetToFailGivesNoOutputAndNoConnection)
{
    fakeseq_add_output_port("Good");
    fakeseq_add_output_port("Bad");
    fakeseq_set_open_fails("Bad", 1);

    EXPECT_EQ(outputNames(), juce::StringArray({ "Good", "Bad" })) << "a failing device is still listed";
    EXPECT_EQ(openOutput("Bad"), nullptr);
    EXPECT_EQ(fakeseq_is_connected("Bad"), 0);

    auto good = openOutput("Good");
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(fakeseq_is_connected("Good"), 1);
    good.reset();
    EXPECT_EQ(fakeseq_is_connected("Good"), 0) << "closing the device ends the connection";

    fakeseq_set_open_fails("Bad", 0);
    auto bad = openOutput("Bad");
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(fakeseq_is_connected("Bad"), 1);
}

TEST_F(FakeSeq, MessagesArriveWholeAndByteExactWithWireTimes)
{
    fakeseq_add_output_port("Pedal");
    auto output = openOutput("Pedal");
    ASSERT_NE(output, nullptr);

    const Bytes big = sysex(500), noteOn { 0x90, 0x3C, 0x64 }, small = sysex(9, 3);
    const double before = monotonicSeconds();
    send(*output, big);
    const double afterBig = monotonicSeconds();
    send(*output, noteOn);
    send(*output, small);

    EXPECT_LT(afterBig - before, 0.08) << "without baud emulation a send returns at once";
    ASSERT_EQ(fakeseq_message_count("Pedal"), 3);
    EXPECT_EQ(fakeseq_event_count("Pedal"), 3);
    EXPECT_EQ(fakeseq_send_failures("Pedal"), 0);

    const auto first = recorded("Pedal", 0), second = recorded("Pedal", 1), third = recorded("Pedal", 2);
    EXPECT_EQ(first.bytes, big);
    EXPECT_EQ(second.bytes, noteOn);
    EXPECT_EQ(third.bytes, small);

    EXPECT_GE(first.sendStart, before);
    EXPECT_LE(first.sendStart, afterBig);
    EXPECT_NEAR(first.wireEnd - first.sendStart, 500 * secondsPerByte, 1e-6);
    EXPECT_LE(first.sendStart, second.sendStart);
    EXPECT_LE(second.sendStart, third.sendStart);

    // The later messages were sent while the SysEx was still on the cable: they queue behind it.
    EXPECT_NEAR(second.wireEnd, first.wireEnd + 3 * secondsPerByte, 1e-6);
    EXPECT_NEAR(third.wireEnd, second.wireEnd + 9 * secondsPerByte, 1e-6);

    unsigned char shortBuffer[4] {};
    EXPECT_EQ(fakeseq_get_message("Pedal", 0, shortBuffer, 4, nullptr, nullptr), 500) << "the full length";
    EXPECT_EQ(shortBuffer[0], 0xF0);
    EXPECT_EQ(fakeseq_get_message("Pedal", 3, nullptr, 0, nullptr, nullptr), -1);
    EXPECT_EQ(fakeseq_get_message("Nobody", 0, nullptr, 0, nullptr, nullptr), -1);
}

// What JUCE's MIDI thread hands over from an input: pieces of a SysEx so far, whole
// messages, and when each came.
struct Heard final : juce::MidiInputCallback
{
    struct Item
    {
        Bytes bytes;
        bool partial = false;
        double at = 0;
    };

    std::mutex lock;
    std::vector<Item> items;

    void handleIncomingMidiMessage(juce::MidiInput*, const juce::MidiMessage& m) override
    {
        add({ m.getRawData(), m.getRawData() + m.getRawDataSize() }, false);
    }

    void handlePartialSysexMessage(juce::MidiInput*, const juce::uint8* data, int n, double) override
    {
        add({ data, data + n }, true);
    }

    void add(Bytes bytes, bool partial)
    {
        const std::lock_guard<std::mutex> l(lock);
        items.push_back({ std::move(bytes), partial, monotonicSeconds() });
    }

    std::vector<Item> waitFor(size_t wholeMessages)
    {
        for (int tries = 0; tries < 300; ++tries)
        {
            {
                const std::lock_guard<std::mutex> l(lock);

                if (std::count_if(items.begin(), items.end(), [](auto& i) { return ! i.partial; })
                    >= (long)wholeMessages)
                    return items;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }

        const std::lock_guard<std::mutex> l(lock);
        return items;
    }
};

std::unique_ptr<juce::MidiInput> openInput(const juce::String& name, Heard& heard)
{
    for (const auto& device : juce::MidiInput::getAvailableDevices())
        if (device.name == name)
            if (auto input = juce::MidiInput::openDevice(device.identifier, &heard))
            {
                input->start();
                return input;
            }

    return nullptr;
}

TEST_F(FakeSeq, LoopedPortBringsBackWhatItSentInKernelSizedPiecesAfterTheWireTime)
{
    fakeseq_add_output_port("Pedal");
    fakeseq_add_loopback_port("Loop");
    EXPECT_EQ(juce::MidiInput::getAvailableDevices().size(), 1) << "only the looped port has a MIDI In";
    Heard heard;
    auto input = openInput("Loop", heard);
    auto output = openOutput("Loop");
    ASSERT_NE(input, nullptr);
    ASSERT_NE(output, nullptr);

    const Bytes big = sysex(600), noteOn { 0x90, 0x3C, 0x64 };
    send(*output, big);
    send(*output, noteOn);
    const auto items = heard.waitFor(2);

    // JUCE hands over the SysEx as it grows, a kernel event of 256 bytes at a time, each
    // once its last byte has crossed the cable.
    ASSERT_EQ(items.size(), 4u);
    EXPECT_TRUE(items[0].partial && items[1].partial);
    EXPECT_EQ(items[0].bytes.size(), 256u);
    EXPECT_EQ(items[1].bytes.size(), 512u);
    EXPECT_EQ(items[2].bytes, big);
    EXPECT_EQ(items[3].bytes, noteOn);
    const auto sent = recorded("Loop", 0);
    EXPECT_GE(items[0].at, sent.sendStart + 256 * secondsPerByte);
    EXPECT_GE(items[2].at, sent.wireEnd);
    EXPECT_LT(items[2].at, sent.wireEnd + 0.05);

    // Faults of the way back, counted from the port's first message.
    fakeseq_set_loop_faults("drop:3;flip:4:2:128;cut:5:20");
    send(*output, sysex(100, 1));
    send(*output, sysex(100, 2));
    send(*output, sysex(100, 3));
    send(*output, sysex(100, 4));
    const auto faulty = heard.waitFor(4);
    ASSERT_EQ(faulty.size(), 7u);
    EXPECT_EQ(faulty[4].bytes, Bytes({ 0x89, 16, 23 }))
        << "message 3 lost; in message 4 a status byte, for which JUCE drops the SysEx";
    EXPECT_TRUE(faulty[5].partial);
    const auto fifth = sysex(100, 3);
    EXPECT_EQ(faulty[5].bytes, Bytes(fifth.begin(), fifth.begin() + 20)) << "message 5 cut";
    EXPECT_EQ(faulty[6].bytes, sysex(100, 4)) << "a cut message ends at the next F0";
}

TEST_F(FakeSeq, UnpluggedPortTakesNothingMoreAndLeavesTheList)
{
    fakeseq_add_output_port("Pedal");
    fakeseq_add_output_port("Spare");
    auto output = openOutput("Pedal");
    ASSERT_NE(output, nullptr);
    const auto identifier = output->getIdentifier();

    fakeseq_unplug_after("Pedal", 2);
    send(*output, sysex(20, 1));
    send(*output, sysex(20, 2));
    EXPECT_EQ(outputNames(), juce::StringArray({ "Spare" }));
    send(*output, sysex(20, 3));
    send(*output, { 0xB0, 0x07, 0x00 });

    EXPECT_EQ(fakeseq_message_count("Pedal"), 2);
    EXPECT_EQ(fakeseq_event_count("Pedal"), 2);
    EXPECT_EQ(recorded("Pedal", 1).bytes, sysex(20, 2));
    EXPECT_EQ(fakeseq_send_failures("Pedal"), 2);
    EXPECT_EQ(juce::MidiOutput::openDevice(identifier), nullptr);
    EXPECT_EQ(fakeseq_is_connected("Pedal"), 1) << "the program still holds the device open";
    output.reset();
    EXPECT_EQ(fakeseq_is_connected("Pedal"), 0);

    fakeseq_unplug("Spare");
    EXPECT_TRUE(outputNames().isEmpty());
}

TEST_F(FakeSeq, BaudEmulationBlocksEachSendForItsWireTime)
{
    fakeseq_add_output_port("Cable");
    fakeseq_set_baud(31250);
    auto output = openOutput("Cable");
    ASSERT_NE(output, nullptr);

    const double start = monotonicSeconds();
    send(*output, sysex(500));
    const double end = monotonicSeconds();
    send(*output, sysex(10));

    EXPECT_GE(end - start, 0.16);
    EXPECT_LT(end - start, 1.0);

    const auto first = recorded("Cable", 0), second = recorded("Cable", 1);
    EXPECT_LE(first.wireEnd, end) << "the send returned only once the bytes were on the wire";
    EXPECT_GE(second.sendStart, first.wireEnd);
    EXPECT_NEAR(second.wireEnd, second.sendStart + 10 * secondsPerByte, 1e-6);
}

TEST_F(FakeSeq, WorkerThreadSendsWhileTheMessageThreadReads)
{
    fakeseq_add_output_port("Pedal");
    auto output = openOutput("Pedal");
    ASSERT_NE(output, nullptr);

    constexpr int count = 200;
    std::atomic<bool> done { false };
    std::thread worker(
        [&output, &done]
        {
            for (int i = 0; i < count; ++i)
                send(*output, sysex(8 + i % 50, i));

            done = true;
        });

    // Read while the worker sends, as a test of the program does.
    for (int seen = 0; seen < count;)
    {
        const bool finished = done;
        const int available = fakeseq_message_count("Pedal");

        for (; seen < available; ++seen)
            EXPECT_EQ(recorded("Pedal", seen).bytes, sysex(8 + seen % 50, seen)) << "message " << seen;

        if (finished && seen == available)
            break;

        std::this_thread::yield();
    }

    worker.join();
    EXPECT_EQ(fakeseq_message_count("Pedal"), count);
    EXPECT_EQ(fakeseq_is_connected("Pedal"), 1);
}
