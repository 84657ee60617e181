#pragma once

#include <juce_core/juce_core.h>
#include <vector>

/** The messages of an interface's loopback test: SysEx under the non-commercial
    manufacturer ID 0x7D, never firmware bytes, in the sizes that matter for an update.

    Each message is F0 7D, its index in the series (two 7-bit bytes, so that a message that
    comes back can be told from its neighbours), data bytes running through 0x00-0x7F
    from where the previous message's left off, and F7. */
struct LoopbackSeries
{
    using Message = std::vector<juce::uint8>;

    static constexpr juce::uint8 manufacturer = 0x7D;

    /** The shortest message the series holds: F0, the ID, the index and one data byte. */
    static constexpr size_t shortest = 6;

    std::vector<Message> messages;

    /** The short series, from the lengths of the image's messages: its smallest, a typical
        (the median) and its largest message, and the longest message the system carries
        whole; that round twice, so that the silence after the longest is tested too. No
        message is longer than the system carries whole. */
    static LoopbackSeries quick(const std::vector<size_t>& imageLengths, size_t systemLongest);

    /** The full series: a message of every length the image has, in its order, then the
        longest the system carries whole. */
    static LoopbackSeries full(const std::vector<size_t>& imageLengths, size_t systemLongest);

    /** A series of messages of these lengths, in this order. */
    static LoopbackSeries ofLengths(const std::vector<size_t>& lengths);

    /** The index a message of this series carries, or -1 when the bytes are not one. */
    static int indexOf(const Message& bytes);

    /** The time the series takes on the cable at 31250 baud, with the update's pause
        after each message, in seconds. */
    double seconds() const;
};
