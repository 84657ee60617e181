#include "protocol/UploadPacing.h"

#include <cmath>
#include <juce_core/juce_core.h>

UploadPacing::~UploadPacing() = default;

void UploadPacing::setSilenceMs(int milliseconds)
{
    silenceAfterMs = juce::jmax((int)silenceMs, milliseconds);
}

void UploadPacing::startPass()
{
    driverWaitsForTheCable = false;
}

bool UploadPacing::lastedTheWireTime(int numBytes, double sendMs)
{
    const auto wireMs = numBytes * wireMsPerByte;
    return sendMs >= wireMs && sendMs <= wireMs * waitingSlackFactor + waitingSlackMs;
}

int UploadPacing::pauseAfter(int numBytes, double sendMs)
{
    const auto wireMs = numBytes * wireMsPerByte;
    const auto consistent = sendMs <= wireMs * waitingSlackFactor + waitingSlackMs;
    const auto alreadyOnTheWire
        = driverWaitsForTheCable && consistent ? juce::jlimit(0.0, wireMs, sendMs) : 0.0;

    // Only a long message tells: a short one's wire time is within a scheduling delay. A
    // send held up far beyond its wire time (a busy machine) tells nothing either way, so
    // what earlier sends showed stands; one that returned early shows a queueing driver.
    if (numBytes >= telltaleBytes && consistent)
        driverWaitsForTheCable = lastedTheWireTime(numBytes, sendMs);

    return silenceAfterMs + (int)std::ceil(wireMs - alreadyOnTheWire);
}

void UploadPacing::pause(int milliseconds)
{
    // A deadline, not a length: a sleep that something wakes early (a signal, a stop and
    // continue) sleeps again for what is left.
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + milliseconds;

    for (auto left = (double)milliseconds; left > 0.0;
         left = deadline - juce::Time::getMillisecondCounterHiRes())
        juce::Thread::sleep((int)std::ceil(left));
}
