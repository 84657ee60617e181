#pragma once

#include "protocol/OvTime.h"
#include "protocol/ProtocolBaseClass.h"
#include "protocol/UploadLog.h"
#include "protocol/UploadPacing.h"
#include "protocol/UploadRecord.h"

#include <atomic>
#include <memory>

struct OutputClaim;
struct SysexFraming;

/** The pedal's update protocol: sends the image as SysEx messages, each one whole, in
    image order, with the pedal's pause after every message. Nothing is read back.

    A pass first checks the image's framing and sends nothing at all from an image that is
    not a clean series of complete SysEx messages, or that holds a message longer than the
    system's MIDI service carries whole. It then claims the output, so that no other pass
    writes to it meanwhile. A message counts as delivered only when, once its pause has
    passed, the output is still there and still connected; the progress reaches 1.0, and
    the pass says "Update completed", only when that holds for the last message too. A pass
    that cannot deliver every message ends with the outcome failed and a status that begins
    "Update failed". */
class BasicSysexProtocolClass final : public ProtocolBaseClass, public OvTime
{
public:
    BasicSysexProtocolClass(InterfaceBaseClass* deviceInterface, FirmwareImage* firmwareImage);

    /** Stops the thread first: it must not outlive the interface it sends through. */
    ~BasicSysexProtocolClass() override;

    /** Starts a new pass when the thread is not running; while it is still finishing a
        pass that sent everything, only resets the progress. Message thread. */
    void startUpdate() override;

    /** The upload pass. Protocol thread. */
    void run() override;

    /** Replaces how the pass pauses after each message. Call it while the thread is not
        running. */
    void setPacing(std::unique_ptr<UploadPacing> newPacing);

    /** Where the log of each pass goes, from the next pass on; nowhere by default. Call it
        while the thread is not running. */
    void setLogTarget(const UploadLog::Target& target);

    /** The log file of the last pass that has ended; a null File when none was written.
        It is written before the pass's last status is set. Any thread. */
    juce::File getLogFile() const;

    /** What the last pass did, message by message. Read it only while the thread is not
        running. */
    const UploadRecord& getRecord() const noexcept { return record; }

    /** Messages of the current or last pass that were delivered. Any thread. */
    int getMessagesDelivered() const noexcept { return messagesDelivered.load(); }

    /** The most the progress shows before the last message is delivered: the bar says 100 %
        only when the pedal has everything. */
    static constexpr double mostBeforeTheEnd = 0.99;

    /** Why a pass cannot go on: the status that tells the user, and its reason. */
    struct Failure
    {
        juce::String status;
        UploadOutcome::Reason reason = UploadOutcome::Reason::none;

        bool happened() const { return reason != UploadOutcome::Reason::none; }
    };

private:
    double uploadProgress = 0.0;
    const juce::uint8* readPosition = nullptr;
    juce::CriticalSection ProgressValueLock;
    std::unique_ptr<UploadPacing> pacing;
    std::atomic<int> messagesDelivered { 0 };
    juce::String passOutputName; // taken as the pass starts, before the thread runs
    UploadRecord record;
    UploadLog::Target logTarget;
    juce::File logFile;
    juce::CriticalSection logFileLock;

    double previousWireEnd = 0.0; // when the last message sent had left the cable

    Failure refusalBeforeSending(const SysexFraming& framing, const OutputClaim* claim);
    Failure deliver(const juce::uint8* message, size_t count, bool anythingSent);
    Failure sharedOutputNow(bool anythingSent);
    void noteConnections(bool accepted);
    void endPass(Failure failed, bool everythingDelivered);
    void finishPass(const juce::String& status, UploadOutcome outcome);
    void keepLog(const juce::String& status, UploadOutcome outcome);
    bool setInterfaceEnabled(bool shouldBeEnabled);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(BasicSysexProtocolClass)
};
