#include "protocol/OvTime.h"

juce::uint32 OvTime::nowMs() noexcept
{
    return juce::Time::getMillisecondCounter();
}

juce::uint32 OvTime::elapsedMs(juce::uint32 start) noexcept
{
    // Unsigned subtraction stays right when the counter wraps after 49 days.
    return nowMs() - start;
}

void OvTime::waitMs(juce::uint32 ms)
{
    const auto start = nowMs();

    while (elapsedMs(start) < ms)
        juce::Thread::sleep(10);
}
