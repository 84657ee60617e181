#pragma once

#include "midi/OutputClaim.h"

#include <juce_audio_devices/juce_audio_devices.h>

/** A lock on one MIDI output for the length of an update pass, shared by every Flashmere
    process of the user (the window and flashmere-cli): two passes to the same port at once
    would interleave their messages on the cable.

    It is a lock file in $XDG_RUNTIME_DIR (or the temporary folder), named after the port,
    locked with flock(): the lock dies with the process that holds it, so a crashed holder
    never blocks a later pass. Where the lock file cannot be made at all the pass goes
    ahead unlocked, as it would on a system without such locks. */
class PortLock final : public OutputClaim
{
public:
    /** Tries to take the lock at once; isHeld() tells whether it was taken. */
    explicit PortLock(const juce::MidiDeviceInfo& device);
    ~PortLock() override;

    /** False when another pass holds the lock. */
    bool isHeld() const noexcept { return held; }

    /** The lock file of a port. */
    static juce::File fileFor(const juce::MidiDeviceInfo& device);

private:
    int fd = -1;
    bool held = false;

    JUCE_DECLARE_NON_COPYABLE(PortLock)
};
