#pragma once

#include <juce_core/juce_core.h>

/** Millisecond timing on JUCE's millisecond counter. */
class OvTime : public juce::Time
{
public:
    /** A reading of the millisecond counter. */
    static juce::uint32 nowMs() noexcept;

    /** Milliseconds since an earlier reading; right across a wrap of the counter. */
    static juce::uint32 elapsedMs(juce::uint32 start) noexcept;

    /** Sleeps in steps of 10 ms until at least ms milliseconds have passed. */
    static void waitMs(juce::uint32 ms);
};
