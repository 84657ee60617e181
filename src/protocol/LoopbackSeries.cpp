#include "protocol/LoopbackSeries.h"

#include "protocol/UploadPacing.h"

#include <algorithm>

namespace
{
// No message longer than the system carries whole: the image's own would not go out either.
std::vector<size_t> carried(std::vector<size_t> lengths, size_t systemLongest)
{
    for (auto& length : lengths)
        length = std::min(length, systemLongest);

    return lengths;
}
} // namespace

LoopbackSeries LoopbackSeries::quick(const std::vector<size_t>& imageLengths, size_t systemLongest)
{
    auto sorted = carried(imageLengths, systemLongest);
    std::sort(sorted.begin(), sorted.end());
    std::vector<size_t> round;

    if (! sorted.empty())
        round = { sorted.front(), sorted[sorted.size() / 2], sorted.back() };

    round.push_back(systemLongest);
    auto lengths = round;
    lengths.insert(lengths.end(), round.begin(), round.end());
    return ofLengths(lengths);
}

LoopbackSeries LoopbackSeries::full(const std::vector<size_t>& imageLengths, size_t systemLongest)
{
    auto lengths = carried(imageLengths, systemLongest);
    lengths.push_back(systemLongest);
    return ofLengths(lengths);
}

LoopbackSeries LoopbackSeries::ofLengths(const std::vector<size_t>& lengths)
{
    LoopbackSeries series;
    int value = 0;

    for (size_t index = 0; index < lengths.size(); ++index)
    {
        Message message { 0xF0, manufacturer, (juce::uint8)((index >> 7) & 0x7F),
                          (juce::uint8)(index & 0x7F) };
        const auto length = std::max(lengths[index], shortest);

        while (message.size() < length - 1)
        {
            message.push_back((juce::uint8)value);
            value = (value + 1) & 0x7F;
        }

        message.push_back(0xF7);
        series.messages.push_back(std::move(message));
    }

    return series;
}

int LoopbackSeries::indexOf(const Message& bytes)
{
    if (bytes.size() < 4 || bytes[0] != 0xF0 || bytes[1] != manufacturer || bytes[2] >= 0x80
        || bytes[3] >= 0x80)
        return -1;

    return (bytes[2] << 7) | bytes[3];
}

double LoopbackSeries::seconds() const
{
    double ms = 0;

    for (const auto& message : messages)
        ms += UploadPacing::silenceMs + (double)message.size() * UploadPacing::wireMsPerByte;

    return ms / 1000.0;
}
