#pragma once

#include "midi/OutputClaim.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>

/** A lock on one MIDI output for the length of an update pass, shared by every Flashmere
    process on the machine (windows and flashmere-cli, of any user, whatever their
    environment): two passes to the same port at once would interleave their messages on
    the cable.

    It is a name the system keeps for its holder: on Linux an abstract-namespace socket,
    on Windows a named mutex. No file or folder takes part, and the name is freed when its
    holder ends, crashed or not. Where the system will not give the lock the claim is
    unavailable, and the pass must not go ahead. */
class PortLock final : public OutputClaim
{
public:
    /** Tries to take the lock at once; getStanding() tells how that went. */
    explicit PortLock(const juce::MidiDeviceInfo& device);
    ~PortLock() override;

    /** The lock's system-wide name for a port (without any system prefix). */
    static juce::String nameFor(const juce::MidiDeviceInfo& device);

private:
    struct SystemLock; // defined for each system with the lock itself
    std::unique_ptr<SystemLock> systemLock;

    JUCE_DECLARE_NON_COPYABLE(PortLock)
};
