#pragma once

#include "protocol/ProgressClass.h"

#include <juce_core/juce_core.h>

class InterfaceBaseClass;
class FirmwareImage;

/** An update protocol: a thread named "Protocol Thread" that sends a firmware image
    through a device interface, and the progress it publishes while it does.

    It points at the interface and the image but owns neither; its owner must destroy it,
    which stops the thread, before either of them. */
class ProtocolBaseClass : public juce::Thread, public ProgressClass
{
public:
    ProtocolBaseClass(InterfaceBaseClass* deviceInterface, FirmwareImage* firmwareImage);
    ~ProtocolBaseClass() override;

    /** Begins a pass over the whole image, or re-arms a pass that has just finished.
        Message thread. */
    virtual void startUpdate();

    /** Status texts that begin with this report a pass that did not send the whole
        image. Such a text is "Update failed: " and what went wrong in a short first
        sentence, followed by what it means and what to do. */
    static const juce::String failurePrefix;

    /** The short first sentence of a status, without its full stop. */
    static juce::String headline(const juce::String& status);

    /** A failure's whole story for a box: what went wrong and what to do, without the
        leading "Update failed: ". */
    static juce::String failureStory(const juce::String& status);

protected:
    InterfaceBaseClass* deviceInterface;
    FirmwareImage* firmwareImage;

    JUCE_DECLARE_NON_COPYABLE(ProtocolBaseClass)
};
