#pragma once

#include "midi/OtherWriter.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>
#include <vector>

/** Asks the system's MIDI service whether an output that JUCE opened really reaches its
    port.

    JUCE's ALSA code ignores a refused connection: when another program holds the device
    (the port is busy), MidiOutput::openDevice() still returns an output, and every send
    through it goes nowhere without a word. So after opening, and after every message,
    this asks the ALSA sequencer whether the port is still there, whether this process
    is among the ports connected to it, and which other programs write to it. On systems
    without ALSA it can only tell whether the port is still listed. */
class OutputConnectionCheck
{
public:
    enum class State
    {
        connected, // the port is there and this process is connected to it
        notConnected, // the port is there, but nothing of this process is connected to it
        gone // the port has left the system
    };

    /** What one look at the port found. */
    struct Survey
    {
        State state = State::gone;
        std::vector<OtherWriter> otherWriters; // other processes' ports that write to it
    };

    explicit OutputConnectionCheck(const juce::MidiDeviceInfo& device);
    ~OutputConnectionCheck();

    /** Any thread; not used by two threads at once (its owner serialises calls). */
    State check() const { return survey().state; }

    /** The same look, with the other programs' writers: as many questions to the system
        as check() alone asks when there are none. */
    Survey survey() const;

private:
    struct Sequencer;
    juce::String identifier;
    std::unique_ptr<Sequencer> sequencer;

    State checkListing() const;

    JUCE_DECLARE_NON_COPYABLE(OutputConnectionCheck)
};
