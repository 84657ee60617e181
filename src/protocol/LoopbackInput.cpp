#include "protocol/LoopbackInput.h"

#include "protocol/UploadPacing.h"

void LoopbackInput::handleIncomingMidiMessage(juce::MidiInput*, const juce::MidiMessage& message)
{
    // Real-time bytes (clock, active sensing) may come from the interface itself.
    if (message.getRawDataSize() == 1 && message.getRawData()[0] >= 0xF8)
        return;

    add(message.isSysEx() ? Piece::Kind::sysex : Piece::Kind::other, message.getRawData(),
        message.getRawDataSize());
}

void LoopbackInput::handlePartialSysexMessage(juce::MidiInput*, const juce::uint8* data, int numBytesSoFar,
                                              double)
{
    add(Piece::Kind::partial, data, numBytesSoFar);
}

void LoopbackInput::add(Piece::Kind kind, const juce::uint8* data, int numBytes)
{
    Piece piece { kind, { data, data + juce::jmax(0, numBytes) }, juce::Time::getMillisecondCounterHiRes() };
    {
        const juce::ScopedLock sl(lock);
        waiting.push_back(std::move(piece));
    }
    arrived.signal();
}

std::vector<LoopbackInput::Piece> LoopbackInput::take(int timeoutMs)
{
    {
        const juce::ScopedLock sl(lock);

        if (! waiting.empty())
            return std::exchange(waiting, {});
    }

    arrived.wait(timeoutMs);
    const juce::ScopedLock sl(lock);
    return std::exchange(waiting, {});
}

void LoopbackInput::assemble(const std::vector<Piece>& pieces, std::vector<LoopbackArrival>& arrivals,
                             bool& lastIsOpen)
{
    for (const auto& piece : pieces)
    {
        auto* open = lastIsOpen ? &arrivals.back() : nullptr;
        // JUCE hands over a growing SysEx whole each time: a piece that holds the open one
        // and more continues it; anything else means JUCE dropped it.
        const auto continues = open != nullptr && piece.kind != Piece::Kind::other
                               && piece.bytes.size() > open->bytes.size()
                               && std::equal(open->bytes.begin(), open->bytes.end(), piece.bytes.begin());
        lastIsOpen = false;

        if (continues)
        {
            open->bytes = piece.bytes;
            open->endMs = piece.ms;
            open->complete = piece.kind == Piece::Kind::sysex;
            lastIsOpen = ! open->complete;
            continue;
        }

        // A status byte that broke into a SysEx shows in that SysEx, cut short; the
        // messages JUCE then makes of its remaining bytes are part of the same fault.
        if (piece.kind == Piece::Kind::other && ! arrivals.empty() && ! arrivals.back().complete)
            continue;

        LoopbackArrival arrival;
        arrival.bytes = piece.bytes;
        arrival.complete = piece.kind == Piece::Kind::sysex;
        arrival.stray = piece.kind == Piece::Kind::other;
        arrival.endMs = piece.ms;
        // The piece came in once its last byte had: its first came its wire time earlier.
        arrival.firstMs = piece.ms - (double)piece.bytes.size() * UploadPacing::wireMsPerByte;
        arrivals.push_back(std::move(arrival));
        lastIsOpen = piece.kind == Piece::Kind::partial;
    }
}
