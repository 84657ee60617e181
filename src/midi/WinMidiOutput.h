#pragma once

#include "midi/OutputDriver.h"
#include "midi/WinMidiApi.h"

#include <memory>
#include <vector>

/** A MIDI output on WinMM that checks every call and never waits without an end.

    A SysEx is prepared, handed over with midiOutLongMsg, and waited for on the event
    WinMM signals when the driver hands the buffer back: at most twice the message's wire
    time at 31250 baud plus a second. A message whose prepare, send or wait fails, or whose
    wait runs out, is not delivered: the output is reset and the buffer unprepared before
    the send returns, and the driver's own words are kept for the log. A stop asked of the
    sending juce::Thread ends the wait within waitSliceMs. Short messages go through
    midiOutShortMsg and are checked the same way. */
class WinMidiOutput final : public OutputDriver
{
public:
    /** Opens the device with that WinMM index (its place in JUCE's list of outputs). */
    WinMidiOutput(const winmidi::Api& api, std::uint32_t deviceId);
    ~WinMidiOutput() override;

    /** What opening the device returned: winmidi::noError when it is open. */
    winmidi::Result getOpenResult() const noexcept { return openResult; }

    int send(const juce::uint8* data, int numBytes) override;
    juce::String lastProblem() const override { return problem; }

    /** The longest a send of numBytes waits for the driver to hand its buffer back. */
    static int waitLimitMs(int numBytes);

    /** How often a wait looks whether its thread was asked to stop. */
    static constexpr int waitSliceMs = 50;

private:
    enum class Waited
    {
        done,
        timedOut,
        stopped,
        failed
    };

    const winmidi::Api& api;
    winmidi::Handle handle = nullptr;
    winmidi::Event event = nullptr;
    winmidi::Result openResult = winmidi::error;
    juce::String problem;

    // The buffer the driver reads, with its header: kept here, not on the stack, so that
    // a driver that never lets go of a header writes to memory that is still ours.
    struct Pending
    {
        winmidi::Header header;
        std::vector<char> bytes;
    };
    std::unique_ptr<Pending> pending = std::make_unique<Pending>();
    bool headerStuck = false;

    int sendLong(const juce::uint8* data, int numBytes);
    int sendShort(const juce::uint8* data, int numBytes);
    Waited awaitDone(int limitMs);
    winmidi::Result unprepare();
    int fail(winmidi::Result result, const char* call);

    JUCE_DECLARE_NON_COPYABLE(WinMidiOutput)
};
