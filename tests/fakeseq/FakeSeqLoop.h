#pragma once

// The way back of a looped interface: what its MIDI Out sends comes back on its MIDI In,
// as through a cable from one to the other, and faults of a poor interface on the way.
// Kept apart from the sequencer's state: plain bytes and times in, pieces out.

#include <string>
#include <vector>

namespace fakeseq
{
/** A fault of the way back, for one message (counted from 1 since the port was added). */
struct LoopFault
{
    enum class Kind
    {
        drop, // the message never comes back
        flip, // byte `at` (from 1) comes back XORed with `value` (1 unless given)
        cut, // only the first `at` bytes come back, without the F7
        delay, // the message, and so everything after it, comes back `value` ms later
        bunch // the message is held back and comes right before the next one
    };

    Kind kind = Kind::drop;
    int message = 1;
    int at = 0;
    int value = 0;
};

/** Reads "drop:2;flip:3:10[:128];cut:4:100;delay:2:500;bunch:5"; an item not understood
    is named in problem and left out. */
std::vector<LoopFault> parseLoopFaults(const char* text, std::string& problem);

/** The way back of one interface. */
class Loop
{
public:
    /** Bytes as the kernel's sequencer hands them to a reader: a SysEx in pieces of at
        most this many bytes, each arriving once its last byte has. */
    static constexpr size_t pieceBytes = 256;

    struct Piece
    {
        std::vector<unsigned char> bytes;
        double arrival = 0; // CLOCK_MONOTONIC
    };

    void setFaults(std::vector<LoopFault> newFaults) { faults = std::move(newFaults); }

    /** The pieces that come back of one message (or a SysEx's continuation) whose first
        byte went onto the output's cable at wireStart, in order of arrival. */
    std::vector<Piece> carry(std::vector<unsigned char> bytes, double wireStart);

private:
    std::vector<LoopFault> faults;
    int messages = 0;
    double latency = 0; // added by delays so far
    double freeAt = 0; // when the way back has carried all it was given
    std::vector<unsigned char> held; // a bunched message, waiting for the next

    void cutIntoPieces(const std::vector<unsigned char>& bytes, double start, std::vector<Piece>& pieces);
};
} // namespace fakeseq
