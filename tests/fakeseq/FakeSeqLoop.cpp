// The way back of a looped interface; see FakeSeqLoop.h.

#include "FakeSeqLoop.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace fakeseq
{
namespace
{
constexpr double secondsPerByte = 10.0 / 31250.0;

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> items;
    size_t start = 0;

    for (size_t end = text.find(separator); end != std::string::npos; end = text.find(separator, start))
    {
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }

    items.push_back(text.substr(start));
    return items;
}
} // namespace

std::vector<LoopFault> parseLoopFaults(const char* text, std::string& problem)
{
    static const std::pair<const char*, LoopFault::Kind> kinds[] = {
        { "drop", LoopFault::Kind::drop },   { "flip", LoopFault::Kind::flip },
        { "cut", LoopFault::Kind::cut },     { "delay", LoopFault::Kind::delay },
        { "bunch", LoopFault::Kind::bunch },
    };
    std::vector<LoopFault> faults;

    for (const auto& item : split(text != nullptr ? text : "", ';'))
    {
        const auto fields = split(item, ':');
        const auto kind = std::find_if(std::begin(kinds), std::end(kinds),
                                       [&](const auto& k) { return fields[0] == k.first; });

        if (item.empty())
            continue;

        const auto number = [&](size_t index, int fallback)
        { return index < fields.size() ? std::atoi(fields[index].c_str()) : fallback; };
        LoopFault fault;
        fault.message = number(1, 0);

        if (kind == std::end(kinds) || fault.message < 1)
        {
            problem += (problem.empty() ? "" : ", ") + item;
            continue;
        }

        fault.kind = kind->second;
        fault.at = fault.kind == LoopFault::Kind::delay ? 0 : number(2, 0);
        fault.value = fault.kind == LoopFault::Kind::delay ? number(2, 0) : number(3, 1);
        faults.push_back(fault);
    }

    return faults;
}

std::vector<Loop::Piece> Loop::carry(std::vector<unsigned char> bytes, double wireStart)
{
    std::vector<Piece> pieces;

    if (bytes.empty())
        return pieces;

    // A status byte other than the F7 starts a message; the rest continue a SysEx.
    const bool starts = bytes.front() >= 0x80 && bytes.front() != 0xF7;
    messages += starts ? 1 : 0;
    bool bunchThis = false;

    for (const auto& fault : faults)
    {
        if (fault.message != messages || ! starts)
            continue;

        switch (fault.kind)
        {
            case LoopFault::Kind::drop:
                return pieces;
            case LoopFault::Kind::flip:
                if (fault.at >= 1 && size_t(fault.at) <= bytes.size())
                    bytes[size_t(fault.at - 1)] ^= (unsigned char)fault.value;
                break;
            case LoopFault::Kind::cut:
                bytes.resize(std::min(bytes.size(), size_t(std::max(fault.at, 0))));
                break;
            case LoopFault::Kind::delay:
                latency += fault.value / 1000.0;
                break;
            case LoopFault::Kind::bunch:
                bunchThis = true;
                break;
        }
    }

    if (bunchThis)
    {
        held.insert(held.end(), bytes.begin(), bytes.end());
        return pieces;
    }

    // A held message goes onto the way back just before this one, with no gap between.
    const double start = std::max(wireStart + latency, freeAt);
    cutIntoPieces(std::exchange(held, {}), start, pieces);
    cutIntoPieces(bytes, pieces.empty() ? start : pieces.back().arrival, pieces);
    return pieces;
}

void Loop::cutIntoPieces(const std::vector<unsigned char>& bytes, double start, std::vector<Piece>& pieces)
{
    // Anything but a SysEx is one small message: one piece.
    const bool sysex = ! bytes.empty() && (bytes.front() == 0xF0 || bytes.front() < 0x80);
    const size_t most = sysex ? pieceBytes : bytes.size();

    for (size_t from = 0; from < bytes.size(); from += most)
    {
        const auto to = std::min(bytes.size(), from + most);
        pieces.push_back({ { bytes.begin() + long(from), bytes.begin() + long(to) },
                           start + double(to) * secondsPerByte });
    }

    if (! pieces.empty())
        freeAt = pieces.back().arrival;
}
} // namespace fakeseq
