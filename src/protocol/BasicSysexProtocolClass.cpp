#include "protocol/BasicSysexProtocolClass.h"

#include "firmware/FirmwareImage.h"
#include "firmware/SysexFraming.h"
#include "midi/InterfaceBaseClass.h"

#include <algorithm>
#include <iterator>

namespace
{
constexpr juce::uint8 sysexEnd = 0xF7;

using State = UploadOutcome::State;
using Reason = UploadOutcome::Reason;

using Failure = BasicSysexProtocolClass::Failure;

Failure failure(Reason reason, const juce::String& story)
{
    return { ProtocolBaseClass::failurePrefix + ": " + story, reason };
}

// What a send or a check of the output reported, told for the user. anythingSent tells
// whether the pedal may hold part of the firmware.
Failure describeOutputFailure(int result, bool anythingSent)
{
    if (result == InterfaceBaseClass::outputGone)
        return failure(Reason::outputGone,
                       anythingSent
                           ? "the MIDI interface was disconnected. It went away during the upload, so the "
                             "pedal holds only part of the firmware. Reconnect the interface, restart the "
                             "pedal in its update mode if it needs that, and run the update again."
                           : "the MIDI interface was disconnected. Nothing was sent to the pedal. "
                             "Reconnect the interface, choose its output again and run the update.");

    if (result == InterfaceBaseClass::notConnected)
        return failure(
            Reason::notConnected,
            juce::String("the connection to the MIDI output was lost. Another program took the port or "
                         "cut this program off")
                + (anythingSent ? ", so the pedal holds only part of the firmware. "
                                : ". Nothing was sent to the pedal. ")
                + "Close the other program, choose the output again and run the update again.");

    if (result == InterfaceBaseClass::noOutputOpen)
        return failure(Reason::noOutput, "no MIDI output was open. Select the output the pedal is connected "
                                         "to and run the update again.");

    return failure(Reason::sendFailed, "a message could not be sent. Run the update again.");
}

// Another program writes to the output. anythingSent tells whether it may already have
// mixed its bytes into a firmware the pedal holds in part.
Failure sharedOutput(const std::vector<OtherWriter>& writers, bool anythingSent)
{
    std::vector<OtherWriter> unaccepted;
    std::copy_if(writers.begin(), writers.end(), std::back_inserter(unaccepted),
                 [](const OtherWriter& w) { return ! w.accepted; });
    const auto who = OtherWriter::describe(unaccepted);

    if (anythingSent)
        return failure(Reason::outputShared,
                       "another program connected to the MIDI output during the update and may have sent "
                       "into the firmware: "
                           + who
                           + ". Disconnect it from the output or close it, restart the pedal in its update "
                             "mode if it needs that, and run the update again.");

    return failure(
        Reason::outputShared,
        "another program is connected to the MIDI output: " + who
            + ". What it sends would be mixed into the firmware, so nothing was sent to the pedal. "
              "Disconnect it from the output or close it, then run the update again.");
}

Failure describeImageFault(const SysexFraming& framing)
{
    const auto fault = juce::String(framing.describeFault());

    if (framing.fault == SysexFraming::Fault::messageTooLong)
        return failure(Reason::imageUnsendable,
                       "the firmware image cannot be sent whole. Nothing was sent to the pedal: " + fault
                           + ".");

    return failure(Reason::imageUnsendable,
                   "the firmware image is damaged. Nothing was sent to the pedal: " + fault + ".");
}

Failure outputBusy()
{
    return failure(
        Reason::outputBusy,
        "another update is sending to this MIDI output. Nothing was sent to the pedal. Wait until the "
        "other update (in another Flashmere or in flashmere-cli) has finished, then run the update "
        "again.");
}

Failure lockUnavailable(const juce::String& problem)
{
    return failure(Reason::lockUnavailable,
                   "Flashmere could not make sure that no other update sends to this MIDI output. The "
                   "system refused the lock that keeps other updates away"
                       + (problem.isEmpty() ? juce::String() : " (" + problem + ")")
                       + ". Nothing was sent to the pedal. Close programs you do not need, make sure no "
                         "other Flashmere or flashmere-cli is updating through this output, then run "
                         "the update again; if this keeps happening, restart the computer.");
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

void BasicSysexProtocolClass::setLogTarget(const UploadLog::Target& target)
{
    jassert(! isThreadRunning());
    logTarget = target;
}

juce::File BasicSysexProtocolClass::getLogFile() const
{
    const juce::ScopedLock sl(logFileLock);
    return logFile;
}

void BasicSysexProtocolClass::startUpdate()
{
    if (! isThreadRunning())
    {
        // Read here, on the message thread, where the output list is read again: the pass
        // only keeps the name for its log.
        passOutputName = deviceInterface != nullptr ? deviceInterface->getOutputName() : juce::String();

        {
            const juce::ScopedLock sl(ProgressValueLock);
            uploadProgress = 0.0;
            setProgress(0.0);
        }

        if (! startThread())
            setStatus(failurePrefix + ": the upload could not be started. Run the update again.",
                      { State::failed, Reason::couldNotStart });
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
    const WorkerMessageLock::Scoped mmLock(messageThreadLock, this);

    if (! mmLock.lockWasGained())
        return false;

    if (deviceInterface != nullptr)
        deviceInterface->setEnabled(shouldBeEnabled);

    return true;
}

void BasicSysexProtocolClass::keepLog(const juce::String& status, UploadOutcome outcome)
{
    // The pedal's pauses are over: the file is written now, before the outcome is told,
    // so that whoever hears of it can point to the log.
    record.outcome = outcome;
    record.status = status;
    record.messagesDelivered = messagesDelivered.load();

    UploadLog::Subject subject;

    if (firmwareImage != nullptr)
        subject = { firmwareImage->getSourcePath(), firmwareImage->getData(), firmwareImage->getSize(),
                    &firmwareImage->getFacts() };

    const auto written = UploadLog::write(logTarget, record, subject);

    const juce::ScopedLock sl(logFileLock);
    logFile = written;
}

void BasicSysexProtocolClass::finishPass(const juce::String& status, UploadOutcome outcome)
{
    keepLog(status, outcome);
    setStatus(status, outcome);
    readPosition = firmwareImage != nullptr ? firmwareImage->getData() : nullptr;
    setInterfaceEnabled(true);
}

Failure BasicSysexProtocolClass::refusalBeforeSending(const SysexFraming& framing, const OutputClaim* claim)
{
    // Half a firmware is worse than none: nothing goes out unless every byte of the image
    // belongs to a complete message that the system can carry whole.
    if (! framing.isClean())
        return describeImageFault(framing);

    // An output that has gone, or that is no longer open, is not a busy one.
    if (claim == nullptr)
    {
        const auto fit = deviceInterface->checkOutput();
        return fit != InterfaceBaseClass::sent ? describeOutputFailure(fit, false) : outputBusy();
    }

    if (! claim->isHeld())
        return claim->getStanding() == OutputClaim::Standing::unavailable
                   ? lockUnavailable(claim->getProblem())
                   : outputBusy();

    if (const auto fit = deviceInterface->checkOutput(); fit != InterfaceBaseClass::sent)
        return fit == InterfaceBaseClass::outputShared ? sharedOutputNow(false)
                                                       : describeOutputFailure(fit, false);

    noteConnections(true);
    return {};
}

void BasicSysexProtocolClass::noteConnections(bool accepted)
{
    const auto now = juce::Time::getMillisecondCounterHiRes() - record.startCounterMs;

    for (const auto& writer : deviceInterface->getOtherWriters())
        if (writer.accepted == accepted)
            record.connections.push_back({ now, writer.describe(), accepted });
}

Failure BasicSysexProtocolClass::sharedOutputNow(bool anythingSent)
{
    noteConnections(false);
    return sharedOutput(deviceInterface->getOtherWriters(), anythingSent);
}

Failure BasicSysexProtocolClass::deliver(const juce::uint8* message, size_t count, bool anythingSent)
{
    // Only the driver call is timed: whatever else takes time must never be mistaken for
    // the message's time on the cable, which would shorten the pedal's pause.
    const auto sendStart = juce::Time::getMillisecondCounterHiRes();
    const auto result = deviceInterface->sendBytes(message, (int)count);
    const auto sendMs = juce::Time::getMillisecondCounterHiRes() - sendStart;

    if (result != InterfaceBaseClass::sent)
    {
        // The driver's own words go to the log with the status, for whoever looks into it.
        auto failed = describeOutputFailure(result, anythingSent);

        if (const auto words = deviceInterface->getSendProblem(); words.isNotEmpty())
            failed.status << " Details: " << words;

        return failed;
    }

    if (! record.messages.empty())
        record.messages.back().gapMs = sendStart - previousWireEnd;

    const auto pauseMs = pacing->pauseAfter((int)count, sendMs);
    pacing->pause(pauseMs);

    // The last byte has left the cable when the send returned or, for a driver that
    // queues, a wire time after the send began, whichever is later.
    previousWireEnd = sendStart + juce::jmax(sendMs, (double)count * UploadPacing::wireMsPerByte);
    record.messages.push_back({ (int)record.messages.size() + 1, (int)count,
                                sendStart - record.startCounterMs, sendMs, pauseMs,
                                juce::Time::getMillisecondCounterHiRes() - previousWireEnd });

    // A message handed over in the moment the interface went away is lost without a word:
    // it counts only if the output is still there once its pause has passed, and no
    // program has started writing into it meanwhile.
    if (const auto fit = deviceInterface->checkOutput(); fit != InterfaceBaseClass::sent)
        return fit == InterfaceBaseClass::outputShared ? sharedOutputNow(true)
                                                       : describeOutputFailure(fit, true);

    return {};
}

void BasicSysexProtocolClass::run()
{
    const juce::uint8* const begin = firmwareImage != nullptr ? firmwareImage->getData() : nullptr;
    const size_t total = begin != nullptr ? firmwareImage->getSize() : 0;
    const juce::uint8* const end = begin + total;

    readPosition = begin;
    size_t bytesSent = 0;
    messagesDelivered = 0;
    previousWireEnd = 0.0;
    record.begin(passOutputName);

    {
        const juce::ScopedLock sl(logFileLock);
        logFile = juce::File();
    }

    setStatus("Uploading firmware", { State::running, Reason::none });
    pacing->startPass();

    const auto framing
        = firmwareImage != nullptr ? firmwareImage->getFacts().framing : SysexFraming::check(nullptr, 0);
    // Held until the pass ends, so that no other pass interleaves its messages with ours.
    const auto claim = framing.isClean() ? deviceInterface->claimOutput() : nullptr;

    if (const auto refused = refusalBeforeSending(framing, claim.get()); refused.happened())
        return finishPass(refused.status, { State::failed, refused.reason });

    // Room for every message now, so that recording one during the pass is a copy only.
    record.messages.reserve(framing.messages.size());
    Failure failed;

    double done = 0.0;

    {
        const juce::ScopedLock sl(ProgressValueLock);
        done = uploadProgress;
    }

    while (! failed.happened() && done != 1.0 && ! threadShouldExit() && readPosition < end)
    {
        if (! setInterfaceEnabled(false))
            break;

        const auto* const messageStart = readPosition;

        while (readPosition < end && *readPosition++ != sysexEnd)
        {
        }

        if (readPosition[-1] != sysexEnd)
            break; // the framing check rules this out; never send part of a message

        const auto count = (size_t)(readPosition - messageStart);
        failed = deliver(messageStart, count, bytesSent > 0);

        if (failed.happened())
            break;

        bytesSent += count;
        ++messagesDelivered;
        done = (double)bytesSent / (double)total;
        setProgress(bytesSent == total ? 1.0 : juce::jmin(done, mostBeforeTheEnd));

        const juce::ScopedLock sl(ProgressValueLock);
        uploadProgress = done;
    }

    endPass(failed, total > 0 && bytesSent == total);
}

void BasicSysexProtocolClass::endPass(Failure failed, bool everythingDelivered)
{
    // Everything delivered is a completed update, even when a stop came during the last
    // pause: the pedal has the whole firmware.
    if (! failed.happened() && everythingDelivered)
        return finishPass("Update completed", { State::completed, Reason::none });

    // Told to stop (the program is closing or was interrupted): the text stays as it is.
    if (threadShouldExit())
    {
        const UploadOutcome stopped { State::stopped, Reason::none };
        keepLog(getStatusText(), stopped);
        setStatus(getStatusText(), stopped);
        return;
    }

    if (! failed.happened())
        failed = failure(Reason::sendFailed, "not all of the firmware could be sent. Run the update again.");

    finishPass(failed.status, { State::failed, failed.reason });
}
