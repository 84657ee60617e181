#pragma once

#include <juce_core/juce_core.h>
#include <vector>

/** Another program's port connected to write to a MIDI output. Whatever it sends while an
    update runs is mixed into the firmware on the cable, so a pass goes ahead only with the
    writers the user accepted, and fails when one appears during it. */
struct OtherWriter
{
    int client = -1;
    int port = -1;
    juce::String clientName;
    juce::String portName;
    bool accepted = false; // present when the pass started, and the user sent anyway

    /** The same program's port: a client number that a closed program left behind may
        serve another program later. */
    bool isSameAs(const OtherWriter& other) const noexcept
    {
        return client == other.client && port == other.port && clientName == other.clientName;
    }

    /** As a person reads it: "Clock Box (client 130, port 0 \"Clock Box out\")". */
    juce::String describe() const;

    /** Several, joined with "; " for a sentence; one a line with a bullet for a box. */
    static juce::String describe(const std::vector<OtherWriter>& writers);
    static juce::String describeAsList(const std::vector<OtherWriter>& writers);
};
