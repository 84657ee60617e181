#include "protocol/BasicSysexProtocolClass.h"

#include "firmware/FirmwareImage.h"
#include "firmware/SysexFraming.h"
#include "midi/InterfaceBaseClass.h"

namespace
{
constexpr juce::uint8 sysexEnd = 0xF7;

juce::String describeSendFailure(int result)
{
    const auto prefix = ProtocolBaseClass::failurePrefix;

    if (result == InterfaceBaseClass::outputGone)
        return prefix
               + ": the MIDI interface was disconnected. It went away during the upload, so the pedal "
                 "holds only part of the firmware. Reconnect the interface, restart the pedal in its "
                 "update mode if it needs that, and run the update again.";

    if (result == InterfaceBaseClass::noOutputOpen)
        return prefix
               + ": no MIDI output was open. Select the output the pedal is connected to and run the update "
                 "again.";

    return prefix + ": a message could not be sent. Run the update again.";
}
} // namespace

BasicSysexProtocolClass::BasicSysexProtocolClass(InterfaceBaseClass* interfaceToUse,
                                                 FirmwareImage* imageToSend)
    : ProtocolBaseClass(interfaceToUse, imageToSend)
    , OvTime()
    , pacing(std::make_unique<UploadPacing>())
{
}

BasicSysexProtocolClass::~BasicSysexProtocolClass()
{
    // The pass sees a stop request within one send and one pause, well inside this wait.
    stopThread(2000);
}

void BasicSysexProtocolClass::setPacing(std::unique_ptr<UploadPacing> newPacing)
{
    jassert(! isThreadRunning());

    if (newPacing != nullptr)
        pacing = std::move(newPacing);
}

void BasicSysexProtocolClass::startUpdate()
{
    if (! isThreadRunning())
    {
        {
            const juce::ScopedLock sl(ProgressValueLock);
            uploadProgress = 0.0;
            setProgress(0.0);
        }

        if (! startThread())
        {
            // Cleared first, so that the failure is announced even when the last pass
            // failed with the same words.
            setStatusText({});
            setStatusText(failurePrefix + ": the upload could not be started. Run the update again.");
        }
    }
    else
    {
        const juce::ScopedLock sl(ProgressValueLock);

        if (uploadProgress == 1.0)
        {
            uploadProgress = 0.0;
            setProgress(0.0);
        }
    }
}

bool BasicSysexProtocolClass::setInterfaceEnabled(bool shouldBeEnabled)
{
    // The lock gives up when this thread is told to stop: the message thread may be
    // waiting for it to end and will not hand the lock over.
    const juce::MessageManagerLock mmLock(this);

    if (! mmLock.lockWasGained())
        return false;

    if (deviceInterface != nullptr)
        deviceInterface->setEnabled(shouldBeEnabled);

    return true;
}

void BasicSysexProtocolClass::finishPass(const juce::String& status)
{
    setStatusText(status);
    readPosition = firmwareImage != nullptr ? firmwareImage->getData() : nullptr;
    setInterfaceEnabled(true);
}

void BasicSysexProtocolClass::run()
{
    const juce::uint8* const begin = firmwareImage != nullptr ? firmwareImage->getData() : nullptr;
    const size_t total = begin != nullptr ? firmwareImage->getSize() : 0;
    const juce::uint8* const end = begin + total;

    readPosition = begin;
    const juce::uint8* messageStart = readPosition;
    size_t bytesSent = 0;

    setStatusText("Uploading firmware");
    pacing->startPass();

    // Half a firmware is worse than none: nothing goes out unless every byte of the image
    // belongs to a complete message.
    const auto framing = SysexFraming::check(begin, total);

    if (! framing.isClean())
    {
        finishPass(failurePrefix + ": the firmware image is damaged. Nothing was sent to the pedal: "
                   + juce::String(framing.describeFault()) + ".");
        return;
    }

    double done = 0.0;

    {
        const juce::ScopedLock sl(ProgressValueLock);
        done = uploadProgress;
    }

    juce::String failure;

    while (done != 1.0 && ! threadShouldExit() && readPosition < end)
    {
        if (! setInterfaceEnabled(false))
            break;

        size_t count = 0;
        bool complete = false;

        while (readPosition < end && ! complete)
        {
            ++count;
            complete = *readPosition++ == sysexEnd;
        }

        if (! complete)
            break; // the framing check rules this out; never send part of a message

        const auto sendStart = juce::Time::getMillisecondCounterHiRes();
        const auto result = deviceInterface->sendBytes(messageStart, (int)count);
        const auto sendMs = juce::Time::getMillisecondCounterHiRes() - sendStart;

        if (result != InterfaceBaseClass::sent)
        {
            failure = describeSendFailure(result);
            break;
        }

        pacing->pause(pacing->pauseAfter((int)count, sendMs));

        messageStart = readPosition;
        bytesSent += count;
        done = (double)bytesSent / (double)total;
        setProgress(done);

        const juce::ScopedLock sl(ProgressValueLock);
        uploadProgress = done;
    }

    // Told to stop (the program is closing): leave everything as it is.
    if (threadShouldExit())
        return;

    if (failure.isEmpty() && bytesSent != total)
        failure = failurePrefix + ": not all of the firmware could be sent. Run the update again.";

    finishPass(failure.isEmpty() ? juce::String("Update completed") : failure);
}
