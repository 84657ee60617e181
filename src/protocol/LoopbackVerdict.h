#pragma once

#include "protocol/LoopbackSeries.h"

#include <juce_core/juce_core.h>
#include <vector>

/** What came back on the interface's MIDI In, one message or what was left of one. */
struct LoopbackArrival
{
    std::vector<juce::uint8> bytes;
    bool complete = false; // ended with its F7; otherwise cut short or broken off
    bool stray = false; // not a SysEx: a status byte that broke into a message on the way
    double firstMs = 0; // when its first byte came in (juce::Time::getMillisecondCounterHiRes)
    double endMs = 0; // when its last byte came in
};

/** The verdict on an interface: the series sent and what came back, compared message by
    message (complete, byte-exact, in order, nothing missing or extra) and by the silence
    between arriving messages. The first fault found is the verdict. */
struct LoopbackVerdict
{
    enum class Kind
    {
        fit,
        nothingBack, // not one byte came back: the cable or the input port is wrong
        lost,
        differs,
        cut,
        bunched,
        extra // something came back that was not sent
    };

    /** A gap this much under the pause still counts as the pause: the times are read on the
        receiving side, a little late. */
    static constexpr double gapSlackMs = 20.0;

    Kind kind = Kind::fit;
    int message = 0; // from 1: the message the fault is in, or after
    int byte = 0; // differs: from 1, the F0 being byte 1
    int sent = 0, got = 0; // differs: the byte values
    int length = 0; // cut: how many of its bytes came back
    int gapMs = 0; // bunched
    double waitedSeconds = 0; // nothingBack

    /** One row per message sent: how much of it came back, and the silence before the next. */
    struct Row
    {
        int bytesSent = 0;
        int bytesBack = -1; // -1: nothing came back of it
        bool exact = false;
        double gapAfterMs = -1; // -1: no next message came back after it
    };

    std::vector<Row> rows;

    bool isFit() const noexcept { return kind == Kind::fit; }

    /** The verdict in plain words; input names the port for "nothing came back". */
    juce::String describe(const juce::String& input) const;

    /** A stable one-word name of the kind, for scripts. */
    const char* kindName() const;

    /** Judges the messages sent (the first numSent of the series) against what came back.
        waitedSeconds is how long the test waited for the first message. */
    static LoopbackVerdict judge(const LoopbackSeries& series, size_t numSent,
                                 const std::vector<LoopbackArrival>& arrivals, double waitedSeconds);
};
