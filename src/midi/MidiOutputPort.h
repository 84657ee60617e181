#pragma once

#include "midi/OutputConnectionCheck.h"
#include "midi/OutputDriver.h"
#include "midi/PortLock.h"
#include "midi/SendResult.h"

#include <functional>
#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>

/** One MIDI output device, opened by the identifier it had when the list of ports was
    read, and sent to from any thread.

    Sending, checking, opening and closing are serialised, so a send never goes through an
    output that is being closed. JUCE's ALSA output drops connection and send errors
    without a word, so the port asks the system itself: once after opening (a busy port
    refuses the connection) and whenever the protocol checks it, before the first message
    and after every pause. An output found gone or cut off is closed and reported, instead
    of swallowing the rest of an upload. */
class MidiOutputPort
{
public:
    enum class OpenResult
    {
        opened,
        failed, // JUCE could not open the device
        busy // opened, but the system refused the connection: another program holds it
    };

    MidiOutputPort();
    ~MidiOutputPort();

    /** Closes any open device first, then opens this one. */
    OpenResult open(const juce::MidiDeviceInfo& device);

    void close();
    bool isOpen() const;

    /** The device last opened, open or not. */
    juce::MidiDeviceInfo getDevice() const;

    /** Whether the open device is still on the system and this program connected to it:
        midisend::sent when it is. An output found gone or cut off is closed and onLost is
        called. An output that another program writes to, unaccepted, stays open and
        reports midisend::outputShared. Any thread. */
    int check();

    /** The other programs' ports writing to the open device, asked of the system now (the
        last check remembers them too). Any thread. */
    std::vector<OtherWriter> surveyOtherWriters();

    /** The writers the last check or survey found, each marked accepted or not. */
    std::vector<OtherWriter> getOtherWriters() const;

    /** Until the device is opened again, these writers (the user was told of them and
        sent anyway) do not fail a check; any other does. An empty list accepts none. */
    void acceptOtherWriters(const std::vector<OtherWriter>& writers);

    /** Sends the bytes as one MIDI message, with no check first (see check()); returns a
        midisend::SendResult. An output that the send finds gone is closed and onLost is
        called. Any thread. */
    int send(const juce::uint8* data, int numBytes);

    /** The system's own words on the last send that failed; empty when it said nothing.
        Any thread. */
    juce::String getSendProblem() const;

    /** Locks the open device against other passes to it, this process's and others'; the
        lock tells whether it is held (see OutputClaim). Null when nothing is open. */
    std::unique_ptr<PortLock> claim() const;

    /** Called, on the thread that found it out, when the open device has left the system
        or this program's connection to it has gone. */
    std::function<void()> onLost;

private:
    mutable juce::CriticalSection lock;
    std::unique_ptr<OutputDriver> output;
    juce::String sendProblem;
    std::unique_ptr<OutputConnectionCheck> connection;
    juce::MidiDeviceInfo device;
    std::vector<OtherWriter> otherWriters, acceptedWriters;

    void closeLocked();
    void noteOtherWriters(std::vector<OtherWriter> found);

    JUCE_DECLARE_NON_COPYABLE(MidiOutputPort)
};
