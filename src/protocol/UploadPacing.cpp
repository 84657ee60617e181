#include "protocol/UploadPacing.h"

#include <cmath>
#include <juce_core/juce_core.h>

UploadPacing::~UploadPacing() = default;

int UploadPacing::pauseAfter(int numBytes, double sendMs)
{
    const auto wireMs = numBytes * wireMsPerByte;
    const auto stillOnTheWire = juce::jmax(0.0, wireMs - sendMs);
    return silenceMs + (int)std::ceil(stillOnTheWire);
}

void UploadPacing::pause(int milliseconds)
{
    juce::Thread::sleep(milliseconds);
}
