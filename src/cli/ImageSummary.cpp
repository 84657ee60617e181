#include "cli/ImageSummary.h"

#include "protocol/UploadPacing.h"

namespace
{
double messageSeconds(size_t length)
{
    return (UploadPacing::silenceMs + (double)length * UploadPacing::wireMsPerByte) / 1000.0;
}
} // namespace

ImageSummary ImageSummary::of(const FirmwareImage& image)
{
    ImageSummary summary;
    const auto* data = image.getData();
    summary.totalBytes = image.getSize();
    summary.framing = image.getFacts().framing;

    for (const auto& m : summary.framing.messages)
    {
        summary.smallest = summary.smallest == 0 ? m.length : juce::jmin(summary.smallest, m.length);
        summary.largest = juce::jmax(summary.largest, m.length);
        summary.uploadSeconds += messageSeconds(m.length);
    }

    if (! summary.framing.messages.empty() && summary.framing.messages[0].length > 2)
    {
        // A manufacturer identifier is one byte, or three when the first is 0x00.
        const auto& first = summary.framing.messages[0];
        const size_t idLength = data[1] == 0x00 && first.length >= 6 ? 3 : 1;
        summary.manufacturer = juce::String::toHexString(data + 1, (int)idLength).toUpperCase();
    }

    return summary;
}

double ImageSummary::secondsFrom(size_t messageIndex) const
{
    double seconds = 0;

    for (size_t i = messageIndex; i < framing.messages.size(); ++i)
        seconds += messageSeconds(framing.messages[i].length);

    return seconds;
}
