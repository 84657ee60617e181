#pragma once

#include <functional>
#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>

/** One MIDI output device, opened by the identifier it had when the list of ports was
    read, and sent to from any thread.

    Sending, opening and closing are serialised, so a send never goes through an output
    that is being closed. JUCE's ALSA output drops send errors without a word, so before
    every message the port makes sure its device is still on the system: a device that was
    unplugged is closed and reported, instead of swallowing the rest of an upload. */
class MidiOutputPort
{
public:
    MidiOutputPort();
    ~MidiOutputPort();

    /** Closes any open device first, then opens this one; false if it could not be
        opened. */
    bool open(const juce::MidiDeviceInfo& device);

    void close();
    bool isOpen() const;

    /** Whether the open device is still among the system's MIDI outputs. When it has gone
        it is closed and onLost is called. False when nothing is open. Any thread. */
    bool confirmPresent();

    /** Sends the bytes as one MIDI message; returns an InterfaceBaseClass::SendResult.
        Any thread. */
    int send(const juce::uint8* data, int numBytes);

    /** Called, on the thread that found it out, when the open device has left the system. */
    std::function<void()> onLost;

private:
    mutable juce::CriticalSection lock;
    std::unique_ptr<juce::MidiOutput> output;

    bool closeIfGone();

    JUCE_DECLARE_NON_COPYABLE(MidiOutputPort)
};
