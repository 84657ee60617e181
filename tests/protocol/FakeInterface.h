#pragma once

#include "firmware/FirmwareImage.h"
#include "midi/InterfaceBaseClass.h"
#include "protocol/ProtocolBaseClass.h"
#include "protocol/UploadPacing.h"

#include <atomic>
#include <memory>
#include <vector>

/** A device interface that records every message the protocol sends, with the time the
    send began, and can be told to fail from a given send on. */
class FakeInterface final : public InterfaceBaseClass
{
public:
    struct Send
    {
        std::vector<juce::uint8> bytes;
        double startMs = 0;
        bool enabledWhileSending = true;
    };

    void resized() override {}
    int readBytes(juce::uint8*, unsigned) override { return 0; }
    int sendBytes(const juce::uint8* data, int numBytes) override;
    bool isConnected() override { return true; }
    int getPreferredHeight() override { return 50; }
    juce::String getOutputName() const override { return "Pedal MIDI"; }

    /** From the given send on (counting from 0), sends fail with the given result. */
    void failFrom(int sendIndex, SendResult result);

    /** From the given check of the output on (counting from 0), checks fail with the
        given result. */
    void failCheckFrom(int checkIndex, SendResult result);

    /** Every check of the output takes this long, as on a loaded machine. */
    void setCheckDelayMs(int milliseconds) { checkDelayMs = milliseconds; }

    int checkOutput() override;

    std::vector<Send> sends() const;
    size_t sendCount() const;

private:
    mutable juce::CriticalSection lock;
    std::vector<Send> recorded;
    int failIndex = -1;
    SendResult failResult = sent;
    int checks = 0;
    std::atomic<int> checkDelayMs { 0 };
    int failCheckIndex = -1;
    SendResult failCheckResult = sent;
};

/** Records the pauses asked for, and waits only as long as told (0 by default). */
class RecordingPacing final : public UploadPacing
{
public:
    explicit RecordingPacing(int realWaitMs = 0)
        : realWait(realWaitMs)
    {
    }

    void pause(int milliseconds) override;
    std::vector<int> pauses() const;

private:
    int realWait;
    mutable juce::CriticalSection lock;
    std::vector<int> asked;
};

/** Listens to a protocol and records what a screen would see: every progress value and
    the status text read on each notification, and on which thread. */
class ProgressRecorder final : public juce::ChangeListener
{
public:
    explicit ProgressRecorder(ProtocolBaseClass& p);
    ~ProgressRecorder() override;

    void changeListenerCallback(juce::ChangeBroadcaster* source) override;

    std::vector<double> progressValues() const;
    std::vector<juce::String> distinctStatuses() const;
    juce::String lastStatus() const;
    bool sawProgress(double value) const;
    int notifications() const;

private:
    ProtocolBaseClass& protocol;
    mutable juce::CriticalSection lock;
    std::vector<double> values;
    std::vector<juce::String> statuses;
    int count = 0;
};

namespace testimages
{
/** Complete messages of the given lengths (0xF0 and 0xF7 included), back to back. */
std::vector<juce::uint8> messages(std::initializer_list<int> lengths);

/** An image holding exactly these bytes (loaded from a file, as a user's would be). */
std::unique_ptr<FirmwareImage> fromBytes(const std::vector<juce::uint8>& bytes);
} // namespace testimages
