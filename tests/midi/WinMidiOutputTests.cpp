#include "firmware/FirmwareImage.h"
#include "midi/InterfaceBaseClass.h"
#include "midi/WinMidiOutput.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "protocol/UploadPacing.h"
#include "support/MessageLoop.h"

#include <atomic>
#include <gtest/gtest.h>
#include <vector>

// The Windows output's logic against a stand-in WinMM: a driver that can refuse any call
// at any message, never hand a buffer back, or go away, and that counts the headers
// still prepared.
namespace
{
enum class Call
{
    prepare,
    longMessage,
    shortMessage
};

struct FakeWinMM
{
    std::vector<std::vector<juce::uint8>> delivered; // bytes the driver finished sending
    std::vector<std::uint32_t> shortMessages;
    int messages = 0; // messages handed over or refused, counting from 0
    int failAt = -1; // from this message on, the call fails
    Call failingCall = Call::longMessage;
    winmidi::Result failWith = winmidi::noError;
    bool neverDone = false;
    int prepared = 0;
    int resets = 0;
    bool closed = false;
    std::atomic<bool> queued { false }; // a long message is in the driver
    winmidi::Header* inDriver = nullptr;
    bool signalled = false;

    bool fails(Call call) const { return failAt >= 0 && messages >= failAt && call == failingCall; }
};

FakeWinMM* fake = nullptr;

winmidi::Api fakeApi()
{
    winmidi::Api api;
    api.open = [](winmidi::Handle* handle, std::uint32_t, std::uintptr_t, std::uintptr_t, std::uint32_t)
    {
        *handle = fake;
        return winmidi::noError;
    };
    api.prepareHeader = [](winmidi::Handle, winmidi::Header*, std::uint32_t)
    {
        if (fake->fails(Call::prepare))
            return fake->failWith;

        ++fake->prepared;
        return winmidi::noError;
    };
    api.longMessage = [](winmidi::Handle, winmidi::Header* header, std::uint32_t)
    {
        if (fake->fails(Call::longMessage))
            return fake->failWith;

        ++fake->messages;
        fake->inDriver = header;

        if (fake->neverDone)
        {
            fake->queued = true;
            return winmidi::noError;
        }

        fake->delivered.emplace_back(header->data, header->data + header->bufferLength);
        header->flags |= winmidi::headerDone;
        fake->signalled = true;
        return winmidi::noError;
    };
    api.unprepareHeader = [](winmidi::Handle, winmidi::Header*, std::uint32_t)
    {
        if (fake->queued)
            return winmidi::stillPlaying;

        --fake->prepared;
        return winmidi::noError;
    };
    api.shortMessage = [](winmidi::Handle, std::uint32_t message)
    {
        if (fake->fails(Call::shortMessage))
            return fake->failWith;

        ++fake->messages;
        fake->shortMessages.push_back(message);
        return winmidi::noError;
    };
    api.reset = [](winmidi::Handle)
    {
        ++fake->resets;

        if (fake->queued.exchange(false))
            fake->inDriver->flags |= winmidi::headerDone;

        return winmidi::noError;
    };
    api.close = [](winmidi::Handle)
    {
        fake->closed = true;
        return winmidi::noError;
    };
    api.errorText = [](winmidi::Result result) { return "driver text " + juce::String(result) + "."; };
    api.createEvent = []() -> winmidi::Event { return fake; };
    api.waitForEvent = [](winmidi::Event, std::uint32_t ms)
    {
        if (std::exchange(fake->signalled, false))
            return winmidi::waitSignalled;

        juce::Thread::sleep((int)ms);
        return winmidi::waitTimedOut;
    };
    api.closeEvent = [](winmidi::Event) {};
    return api;
}

const winmidi::Api api = fakeApi();

// The device interface the window and the CLI give a pass, over the Windows output.
class WinMidiInterface final : public InterfaceBaseClass
{
public:
    WinMidiOutput output { api, 0 };

    void resized() override {}
    int readBytes(juce::uint8*, unsigned) override { return 0; }
    int sendBytes(const juce::uint8* data, int numBytes) override { return output.send(data, numBytes); }
    juce::String getSendProblem() const override { return output.lastProblem(); }
    bool isConnected() override { return true; }
    int getPreferredHeight() override { return 0; }
};

struct NoPauses final : UploadPacing
{
    void pause(int) override {}
};

struct WinMidiOutputTest : ::testing::Test
{
    FakeWinMM driver;
    const bool driverInstalled = (fake = &driver, true);
    WinMidiInterface device;
    juce::TemporaryFile log { ".log" };
    juce::TemporaryFile syx { ".syx" };
    std::unique_ptr<FirmwareImage> image;
    std::unique_ptr<BasicSysexProtocolClass> protocol;

    ~WinMidiOutputTest() override { protocol.reset(); }

    static std::vector<juce::uint8> message(int length, juce::uint8 fill)
    {
        std::vector<juce::uint8> bytes(length, fill);
        bytes.front() = 0xF0;
        bytes.back() = 0xF7;
        return bytes;
    }

    void startPass(const std::vector<std::vector<juce::uint8>>& messages)
    {
        juce::MemoryBlock bytes;

        for (const auto& m : messages)
            bytes.append(m.data(), m.size());

        ASSERT_TRUE(syx.getFile().replaceWithData(bytes.getData(), bytes.getSize()));
        image = std::make_unique<FirmwareImage>(syx.getFile().getFullPathName());
        protocol = std::make_unique<BasicSysexProtocolClass>(&device, image.get());
        protocol->setPacing(std::make_unique<NoPauses>());
        protocol->setLogTarget(UploadLog::Target::toFile(log.getFile()));
        protocol->startUpdate();
    }

    void runPass(const std::vector<std::vector<juce::uint8>>& messages)
    {
        startPass(messages);
        ASSERT_TRUE(testsupport::pumpUntil([&] { return ! protocol->isThreadRunning(); }, 20000));
    }

    std::vector<std::vector<juce::uint8>> fourMessages() const
    {
        return { message(5, 1), message(300, 2), message(7, 3), message(40, 4) };
    }
};
} // namespace

TEST_F(WinMidiOutputTest, ACleanPassHandsOverEveryMessageWholeAndLeavesNoHeaderPrepared)
{
    const auto messages = fourMessages();
    runPass(messages);

    EXPECT_EQ(protocol->getOutcome(), (UploadOutcome { UploadOutcome::State::completed, {} }));
    EXPECT_EQ(driver.delivered, messages);
    EXPECT_EQ(driver.prepared, 0);
    EXPECT_EQ(driver.resets, 0);
}

TEST_F(WinMidiOutputTest, ARefusedCallAtMessageNFailsThePassWithItsReasonAndTheDriversWords)
{
    using Reason = UploadOutcome::Reason;
    struct Case
    {
        Call call;
        winmidi::Result result;
        int at;
        Reason reason;
    };

    // The last row is an interface pulled out after two messages: everything after fails.
    const Case cases[] = { { Call::longMessage, winmidi::invalidHandle, 1, Reason::sendFailed },
                           { Call::longMessage, winmidi::notReady, 3, Reason::sendFailed },
                           { Call::prepare, winmidi::notReady, 0, Reason::sendFailed },
                           { Call::prepare, winmidi::noDriver, 2, Reason::outputGone } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE("result " + std::to_string(c.result) + " at message " + std::to_string(c.at));
        driver.delivered.clear();
        driver.messages = 0;
        driver.failAt = c.at;
        driver.failingCall = c.call;
        driver.failWith = c.result;
        runPass(fourMessages());

        EXPECT_EQ(protocol->getOutcome(), (UploadOutcome { UploadOutcome::State::failed, c.reason }));
        EXPECT_EQ(driver.delivered.size(), (size_t)c.at);
        EXPECT_EQ(driver.prepared, 0);
        EXPECT_TRUE(log.getFile().loadFileAsString().contains("driver text " + juce::String(c.result) + "."));
    }
}

TEST_F(WinMidiOutputTest, ShortMessagesGoOutPackedAndTheirRefusalIsReported)
{
    const juce::uint8 noteOn[] = { 0x90, 0x40, 0x7F };
    const juce::uint8 programChange[] = { 0xC0, 0x05 };
    const juce::uint8 emptySysex[] = { 0xF0, 0xF7 };

    EXPECT_EQ(device.output.send(noteOn, 3), midisend::sent);
    EXPECT_EQ(device.output.send(programChange, 2), midisend::sent);
    EXPECT_EQ(device.output.send(emptySysex, 2), midisend::sent);
    EXPECT_EQ(driver.shortMessages, (std::vector<std::uint32_t> { 0x7F4090, 0x05C0 }));
    EXPECT_EQ(driver.delivered, (std::vector<std::vector<juce::uint8>> { { 0xF0, 0xF7 } }));

    driver.failAt = 0;
    driver.failingCall = Call::shortMessage;
    driver.failWith = winmidi::notReady;
    EXPECT_EQ(device.output.send(noteOn, 3), midisend::sendFailed);
    EXPECT_TRUE(device.output.lastProblem().contains("driver text 67."));

    driver.failWith = winmidi::noDriver;
    EXPECT_EQ(device.output.send(noteOn, 3), midisend::outputGone);
}

TEST_F(WinMidiOutputTest, ADriverThatNeverHandsTheBufferBackIsResetAndTheSendFailsWithinItsBound)
{
    driver.neverDone = true;
    const auto bytes = message(1000, 9);

    const auto start = juce::Time::getMillisecondCounterHiRes();
    const auto result = device.output.send(bytes.data(), (int)bytes.size());
    const auto tookMs = juce::Time::getMillisecondCounterHiRes() - start;

    EXPECT_EQ(result, midisend::sendFailed);
    EXPECT_EQ(driver.resets, 1);
    EXPECT_EQ(driver.prepared, 0);
    EXPECT_TRUE(device.output.lastProblem().contains("within 1640 ms"));
    std::cout << "a hung driver failed a send of 1000 bytes after " << tookMs << " ms (bound "
              << WinMidiOutput::waitLimitMs(1000) << " ms; the largest message's bound is "
              << WinMidiOutput::waitLimitMs(65536) << " ms)\n";
}

TEST_F(WinMidiOutputTest, StoppingAPassDuringASendThatNeverFinishesEndsItAtOnce)
{
    // The largest message waits seconds for its driver (43 s on Windows): a stop must not.
    driver.neverDone = true;
    startPass({ message((int)SysexFraming::largestSendableMessage, 1) });
    ASSERT_TRUE(testsupport::pumpUntil([&] { return driver.queued.load(); }));

    const auto start = juce::Time::getMillisecondCounterHiRes();
    const auto stopped = protocol->stopThread(2000);
    const auto tookMs = juce::Time::getMillisecondCounterHiRes() - start;

    ASSERT_TRUE(stopped);
    EXPECT_EQ(protocol->getOutcome().state, UploadOutcome::State::stopped);
    EXPECT_EQ(driver.prepared, 0);
    EXPECT_EQ(driver.resets, 1);
    std::cout << "a stop ended a never-finishing send after " << tookMs << " ms\n";
}
