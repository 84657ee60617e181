#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MidiLimits.h" // the system's own, from platform/linux or platform/windows

/** Checks that bytes are a clean series of complete SysEx messages: each one 0xF0, data
    bytes below 0x80, then 0xF7, back to back, with nothing before, between or after them.

    The pedal's loader takes nothing else, and half a firmware is worse than none, so an
    upload checks its image with this before it sends the first byte. It reads only the
    bytes it is given, and needs nothing but the standard library, so that it can be fuzzed
    on its own. */
struct SysexFraming
{
    enum class Fault
    {
        none,
        empty, // no bytes at all
        strayByte, // a byte outside any message (offset: that byte)
        statusByteInMessage, // a byte of 0x80 or more inside a message (offset: that byte)
        unterminatedMessage, // the bytes end inside a message (offset: its 0xF0)
        messageTooLong // a message longer than the system can send whole (offset: its 0xF0)
    };

    /** The longest message the system's MIDI service passes on whole: a longer one would
        look sent while it never arrives (the system's MidiLimits.h says why). */
    static constexpr size_t largestSendableMessage = systemMidiLargestSysex;

    struct Message
    {
        size_t offset = 0;
        size_t length = 0; // 0xF0 and 0xF7 included
    };

    /** The messages found, in order; when there is a fault, those before it. */
    std::vector<Message> messages;
    Fault fault = Fault::none;
    size_t faultOffset = 0;
    size_t faultMessageLength = 0; // messageTooLong: the message's length
    size_t messageLimit = largestSendableMessage; // the longest message allowed

    bool isClean() const noexcept { return fault == Fault::none; }

    /** The fault in a few plain words, with its byte offset ("" when clean). */
    std::string describeFault() const;

    /** Checks the bytes; a message longer than largestMessage is a fault. */
    static SysexFraming check(const uint8_t* data, size_t size,
                              size_t largestMessage = largestSendableMessage);
};
