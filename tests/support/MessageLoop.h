#pragma once

#include <functional>
#include <juce_events/juce_events.h>

namespace testsupport
{
/** Runs the message loop until the condition holds or the time-out passes; returns
    whether the condition held. Call it on the message thread. */
bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

/** Runs the message loop for the given time. */
void pumpFor(int milliseconds);
} // namespace testsupport
