#include "protocol/ProtocolBaseClass.h"

const juce::String ProtocolBaseClass::failurePrefix = "Update failed";

ProtocolBaseClass::ProtocolBaseClass(InterfaceBaseClass* interfaceToUse, FirmwareImage* imageToSend)
    : juce::Thread("Protocol Thread")
    , ProgressClass(this)
    , deviceInterface(interfaceToUse)
    , firmwareImage(imageToSend)
{
}

ProtocolBaseClass::~ProtocolBaseClass() = default;

void ProtocolBaseClass::startUpdate()
{
    if (! isThreadRunning())
    {
        setProgress(0.0);
        startThread();
    }
    else if (getProgress() == 1.0)
    {
        setProgress(0.0);
    }
}

juce::String ProtocolBaseClass::headline(const juce::String& status)
{
    return status.upToFirstOccurrenceOf(". ", false, false).trimCharactersAtEnd(".");
}

juce::String ProtocolBaseClass::failureStory(const juce::String& status)
{
    const auto story = status.fromFirstOccurrenceOf(failurePrefix + ": ", false, false);
    return story.substring(0, 1).toUpperCase() + story.substring(1);
}
