#include "protocol/ProgressClass.h"

ProgressClass::ProgressClass(ProtocolBaseClass* ownerProtocol)
    : owner(ownerProtocol)
{
}

ProgressClass::~ProgressClass() = default;

void ProgressClass::setProgress(double newValue)
{
    const auto quantised = juce::roundToInt(newValue * 100.0) / 100.0;

    {
        const juce::ScopedLock sl(valueLock);

        if (quantised == progressValue)
            return;

        progressValue = quantised;
    }

    // Passing the current thread lets a stop request end the wait on the protocol thread
    // (the message thread may itself be waiting for that thread to end); on the message
    // thread there is no juce::Thread and the lock is gained at once.
    const WorkerMessageLock::Scoped mmLock(messageThreadLock, juce::Thread::getCurrentThread());

    if (mmLock.lockWasGained())
        sendSynchronousChangeMessage();
}

double ProgressClass::getProgress() const
{
    const juce::ScopedLock sl(valueLock);
    return progressValue;
}

void ProgressClass::setStatusText(const juce::String& newText)
{
    {
        const juce::ScopedLock sl(valueLock);

        if (newText == statusText)
            return;

        statusText = newText;
    }

    sendChangeMessage();
}

juce::String ProgressClass::getStatusText() const
{
    const juce::ScopedLock sl(valueLock);
    return statusText;
}

void ProgressClass::setStatus(const juce::String& newText, UploadOutcome newOutcome)
{
    {
        const juce::ScopedLock sl(valueLock);

        if (newText == statusText && newOutcome == outcome)
            return;

        statusText = newText;
        outcome = newOutcome;
    }

    sendChangeMessage();
}

UploadOutcome ProgressClass::getOutcome() const
{
    const juce::ScopedLock sl(valueLock);
    return outcome;
}
