#pragma once

#include "protocol/OvTime.h"
#include "protocol/ProtocolBaseClass.h"
#include "protocol/UploadPacing.h"

#include <memory>

/** The pedal's update protocol: sends the image as SysEx messages, each one whole, in
    image order, with the pedal's pause after every message. Nothing is read back.

    A pass first checks the image's framing and sends nothing at all from an image that is
    not a clean series of complete SysEx messages. A pass that cannot send every message
    ends with a status that begins "Update failed"; only a pass that sent the whole image
    says "Update completed". */
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

private:
    double uploadProgress = 0.0;
    const juce::uint8* readPosition = nullptr;
    juce::CriticalSection ProgressValueLock;
    std::unique_ptr<UploadPacing> pacing;

    void finishPass(const juce::String& status);
    bool setInterfaceEnabled(bool shouldBeEnabled);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(BasicSysexProtocolClass)
};
