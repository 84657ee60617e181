#include "protocol/LoopbackVerdict.h"

#include "protocol/UploadPacing.h"

namespace
{
juce::String hex(int byte)
{
    return juce::String::toHexString(byte).paddedLeft('0', 2).toUpperCase();
}

/** Whether what came back is, as far as it goes, message `index` of the series. */
bool isPrefixOf(const std::vector<juce::uint8>& back, const LoopbackSeries::Message& message)
{
    return back.size() <= message.size() && std::equal(back.begin(), back.end(), message.begin());
}
} // namespace

juce::String LoopbackVerdict::describe(const juce::String& input) const
{
    const auto n = juce::String(message);

    switch (kind)
    {
        case Kind::fit:
            return "fit for firmware updates";
        case Kind::nothingBack:
            return "nothing came back on " + input + " within " + juce::String(waitedSeconds, 1) + " s";
        case Kind::lost:
            return "message " + n + " lost";
        case Kind::differs:
            return "byte " + juce::String(byte) + " of message " + n + " differs (sent " + hex(sent)
                   + ", got " + hex(got) + ")";
        case Kind::cut:
            return "message " + n + " cut after " + juce::String(length) + " bytes";
        case Kind::bunched:
            return "messages bunched (gap of " + juce::String(gapMs) + " ms, under "
                   + juce::String(UploadPacing::silenceMs) + " ms) after message " + n;
        case Kind::extra:
            return "something that was not sent came back after message " + n;
    }

    return {};
}

const char* LoopbackVerdict::kindName() const
{
    static const char* const names[] = { "fit", "nothingBack", "lost", "differs", "cut", "bunched", "extra" };
    return names[(int)kind];
}

LoopbackVerdict LoopbackVerdict::judge(const LoopbackSeries& series, size_t numSent,
                                       const std::vector<LoopbackArrival>& arrivals, double waitedSeconds)
{
    LoopbackVerdict verdict;
    const auto fault = [&verdict](Kind kind, size_t index)
    {
        if (verdict.kind == Kind::fit)
        {
            verdict.kind = kind;
            verdict.message = (int)index + 1;
        }

        return verdict.kind == kind && verdict.message == (int)index + 1;
    };

    if (arrivals.empty() && numSent > 0)
    {
        fault(Kind::nothingBack, 0);
        verdict.waitedSeconds = waitedSeconds;
    }

    size_t next = 0; // the arrival to match
    const LoopbackArrival* previous = nullptr; // the last message that came back

    for (size_t index = 0; index < numSent; ++index)
    {
        const auto& sent = series.messages[index];
        verdict.rows.push_back({ (int)sent.size() });

        // Nothing more, or a later message in this one's place: this one is lost.
        const auto* back = next < arrivals.size() ? &arrivals[next] : nullptr;
        const auto later = back != nullptr ? LoopbackSeries::indexOf(back->bytes) : -1;

        if (back == nullptr
            || (later > (int)index && (size_t)later < numSent
                && isPrefixOf(back->bytes, series.messages[(size_t)later])))
        {
            fault(Kind::lost, index);
            continue;
        }

        ++next;
        auto& row = verdict.rows.back();
        row.bytesBack = (int)back->bytes.size();

        if (previous != nullptr)
        {
            const auto gap = back->firstMs - previous->endMs;
            verdict.rows[index - 1].gapAfterMs = gap;

            if (gap < UploadPacing::silenceMs - gapSlackMs && fault(Kind::bunched, index - 1))
                verdict.gapMs = juce::jmax(0, juce::roundToInt(gap));
        }

        previous = back;
        const auto& got = back->bytes;
        const auto common = juce::jmin(got.size(), sent.size());
        const auto differ = std::mismatch(sent.begin(), sent.begin() + (long)common, got.begin());
        const auto at = (size_t)(differ.first - sent.begin());
        row.exact = back->complete && got == sent;

        if (back->stray)
        {
            if (fault(Kind::cut, index))
                verdict.length = 0;
        }
        else if (at < common && ! (back->complete && at + 1 == got.size() && got[at] == 0xF7))
        {
            if (fault(Kind::differs, index))
            {
                verdict.byte = (int)at + 1;
                verdict.sent = sent[at];
                verdict.got = got[at];
            }
        }
        else if (! row.exact)
        {
            // Short of its end: whatever came of it, without the F7 that ends it early.
            if (fault(Kind::cut, index))
                verdict.length = (int)(back->complete ? got.size() - 1 : got.size());
        }
    }

    if (next < arrivals.size())
        fault(Kind::extra, numSent > 0 ? numSent - 1 : 0);

    return verdict;
}
