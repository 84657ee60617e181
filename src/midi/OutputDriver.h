#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>

/** The system's side of one open MIDI output: what sends the bytes. JUCE's output where
    its send can be trusted, an output of the program's own where it cannot (WinMM: JUCE
    drops its errors and waits for the driver without an end). */
class OutputDriver
{
public:
    virtual ~OutputDriver() = default;

    /** Sends the bytes (at least one) as one MIDI message; returns a midisend::SendResult.
        Not called by two threads at once (its owner serialises calls). */
    virtual int send(const juce::uint8* data, int numBytes) = 0;

    /** The system's own words on the last send that failed; empty when it said nothing. */
    virtual juce::String lastProblem() const { return {}; }

    struct Opened
    {
        std::unique_ptr<OutputDriver> driver; // null when the device could not be opened
        bool busy = false; // not opened because another program holds the device
    };

    /** Opens the device by the identifier JUCE listed it with. */
    static Opened open(const juce::MidiDeviceInfo& device);
};
