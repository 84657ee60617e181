#pragma once

#include "midi/MidiOutputPort.h"
#include "protocol/LoopbackInput.h"
#include "protocol/LoopbackSeries.h"
#include "protocol/LoopbackVerdict.h"

#include <atomic>
#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_events/juce_events.h>

/** The loopback test of an interface whose MIDI Out is cabled to its own MIDI In: sends
    the series to the output with the update's own pacing, on a thread of its own, takes
    what comes back on the input, and judges it. The output is locked against updates and
    other tests for the length of the test, as an update locks it.

    Each message is waited for no longer than its wire time and the margin; once one is
    overdue the test stops sending and judges what it has. A change message tells the end
    (on the message thread). */
class LoopbackTest final : public juce::ChangeBroadcaster, private juce::Thread, private juce::AsyncUpdater
{
public:
    enum class Outcome
    {
        notStarted,
        running,
        judged, // the verdict tells
        outputNotOpened,
        outputInUse, // another program holds the output for itself
        outputLocked, // an update or another test is sending to the output
        lockUnavailable, // the system would not give the lock
        inputNotOpened,
        outputLost, // the output went away during the test
        stopped
    };

    /** How long past its wire time a message may take to come back. Longer than the
        update's pause, so that a message held back until the next one counts as bunched,
        not lost. */
    static constexpr int marginMs = 1000;

    LoopbackTest(const juce::MidiDeviceInfo& output, const juce::MidiDeviceInfo& input,
                 LoopbackSeries series);
    ~LoopbackTest() override;

    /** Opens the output and the input and starts the test. Message thread, as is the
        test's end, when the devices are closed and the change message is sent. */
    void start();

    /** Asks a running test to stop; it ends within a few milliseconds, as stopped. */
    void stop();

    Outcome getOutcome() const noexcept { return outcome.load(); }
    bool isFinished() const noexcept;

    /** The messages sent so far, as a part of the series (0 to 1). Any thread. */
    double getProgress() const noexcept;

    /** Once judged. */
    LoopbackVerdict getVerdict() const;

    /** The verdict, or why there is none, in plain words. */
    juce::String describe() const;

    /** A stable one-word name of an outcome without a verdict, for scripts. */
    static const char* nameOf(Outcome outcome);

    /** From the first message sent to the verdict, in seconds. */
    double getSeconds() const noexcept { return seconds.load(); }

    const LoopbackSeries& getSeries() const noexcept { return series; }
    const juce::MidiDeviceInfo& getOutput() const noexcept { return output; }
    const juce::MidiDeviceInfo& getInput() const noexcept { return input; }

private:
    std::unique_ptr<LoopbackInput> collector;
    std::unique_ptr<MidiOutputPort> port;
    std::unique_ptr<OutputClaim> claim;
    std::unique_ptr<juce::MidiInput> midiIn;
    const juce::MidiDeviceInfo output, input;
    const LoopbackSeries series;
    std::atomic<Outcome> outcome { Outcome::notStarted };
    std::atomic<Outcome> ending { Outcome::notStarted }; // told by the thread, until the end
    std::atomic<int> messagesSent { 0 };
    std::atomic<double> seconds { 0.0 };
    mutable juce::CriticalSection verdictLock;
    LoopbackVerdict verdict;

    Outcome openDevices();
    void run() override;
    Outcome sendAndJudge(MidiOutputPort& out, LoopbackInput& in);
    void finish(Outcome result);
    void handleAsyncUpdate() override;
    void release();

    JUCE_DECLARE_NON_COPYABLE(LoopbackTest)
};
