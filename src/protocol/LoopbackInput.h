#pragma once

#include "protocol/LoopbackVerdict.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <vector>

/** The MIDI In of a loopback test. JUCE calls back on its MIDI thread, where the bytes
    are only copied, with the time they came; a worker takes them (take()) and makes them
    into arrivals (LoopbackArrival): a SysEx that JUCE hands over in pieces is one arrival,
    and one broken off (cut short, or a status byte inside, which JUCE drops it for) ends
    as far as it got. */
class LoopbackInput final : public juce::MidiInputCallback
{
public:
    /** What JUCE handed over in one callback. */
    struct Piece
    {
        enum class Kind
        {
            sysex, // a whole SysEx
            partial, // a SysEx so far (all its bytes up to now)
            other // any other message
        };

        Kind kind = Kind::other;
        std::vector<juce::uint8> bytes;
        double ms = 0; // juce::Time::getMillisecondCounterHiRes
    };

    /** Whatever has come in since the last call; waits up to timeoutMs for something when
        nothing has. Worker thread. */
    std::vector<Piece> take(int timeoutMs);

    /** Adds the pieces to the arrivals, in order; the last one may grow with later pieces. */
    static void assemble(const std::vector<Piece>& pieces, std::vector<LoopbackArrival>& arrivals,
                         bool& lastIsOpen);

    void handleIncomingMidiMessage(juce::MidiInput*, const juce::MidiMessage& message) override;
    void handlePartialSysexMessage(juce::MidiInput*, const juce::uint8* data, int numBytesSoFar,
                                   double) override;

private:
    juce::CriticalSection lock;
    juce::WaitableEvent arrived;
    std::vector<Piece> waiting;

    void add(Piece::Kind kind, const juce::uint8* data, int numBytes);
};
