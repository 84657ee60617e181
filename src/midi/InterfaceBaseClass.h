#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The device interface an update protocol talks through: a component the user picks
    the device with, and a change broadcaster whose notifications (with the interface
    itself as the source) mean that the set of open devices changed. */
class InterfaceBaseClass : public juce::Component, public juce::ChangeBroadcaster
{
public:
    /** What sendBytes reports. */
    enum SendResult
    {
        sent = 0, // handed to the open output
        noOutputOpen = 1, // nothing was sent: no output is open
        outputGone = 2, // nothing was sent: the open output has left the system
        nothingToSend = 3 // nothing was sent: no bytes were given
    };

    ~InterfaceBaseClass() override;

    void resized() override = 0;

    /** Copies up to maxBytes received bytes into dest; returns how many were copied. */
    virtual int readBytes(juce::uint8* dest, unsigned maxBytes) = 0;

    /** Sends the bytes as one MIDI message; returns a SendResult. Called on the protocol
        thread. */
    virtual int sendBytes(const juce::uint8* data, int numBytes) = 0;

    /** Whether the devices this interface needs are open. Message thread. */
    virtual bool isConnected() = 0;

    /** The height, in pixels, the owner should give this component. */
    virtual int getPreferredHeight() = 0;
};
