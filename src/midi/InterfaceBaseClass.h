#pragma once

#include "midi/OtherWriter.h"
#include "midi/OutputClaim.h"
#include "midi/SendResult.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

/** The device interface an update protocol talks through: a component the user picks
    the device with, and a change broadcaster whose notifications (with the interface
    itself as the source) mean that the set of open devices changed. */
class InterfaceBaseClass : public juce::Component, public juce::ChangeBroadcaster
{
public:
    /** What sendBytes and checkOutput report. */
    using SendResult = midisend::SendResult;
    static constexpr SendResult sent = midisend::sent;
    static constexpr SendResult noOutputOpen = midisend::noOutputOpen;
    static constexpr SendResult outputGone = midisend::outputGone;
    static constexpr SendResult nothingToSend = midisend::nothingToSend;
    static constexpr SendResult notConnected = midisend::notConnected;
    static constexpr SendResult outputShared = midisend::outputShared;
    static constexpr SendResult sendFailed = midisend::sendFailed;

    ~InterfaceBaseClass() override;

    void resized() override = 0;

    /** Copies up to maxBytes received bytes into dest; returns how many were copied. */
    virtual int readBytes(juce::uint8* dest, unsigned maxBytes) = 0;

    /** Sends the bytes as one MIDI message; returns a SendResult. Only the driver's own
        work happens here, so that the protocol can time it. Protocol thread. */
    virtual int sendBytes(const juce::uint8* data, int numBytes) = 0;

    /** The system's own words on the last send that failed, for the log; empty when it
        said nothing. Protocol thread. */
    virtual juce::String getSendProblem() const { return {}; }

    /** Whether the devices this interface needs are open. Message thread. */
    virtual bool isConnected() = 0;

    /** The height, in pixels, the owner should give this component. */
    virtual int getPreferredHeight() = 0;

    /** Whether the open output is still on the system and this program still connected
        to it: sent when it is, otherwise why not (an output found gone is closed). A
        message counts as delivered only when this holds once its pause has passed.
        Protocol thread. */
    virtual int checkOutput() { return sent; }

    /** The other programs' ports that the last check found writing to the open output,
        each marked accepted or not (see MidiOutputPort). Protocol thread. */
    virtual std::vector<OtherWriter> getOtherWriters() const { return {}; }

    /** The name of the open output as the user sees it; empty when none is open. Message
        thread. */
    virtual juce::String getOutputName() const { return {}; }

    /** Claims the open output for one pass; the claim tells whether it is held, and a
        pass goes ahead only when it is. Null when no output is open. Protocol thread. */
    virtual std::unique_ptr<OutputClaim> claimOutput() { return std::make_unique<OutputClaim>(); }
};
