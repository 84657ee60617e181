#include "cli/HeadlessInterface.h"

HeadlessInterface::HeadlessInterface(const juce::MidiDeviceInfo& device)
    : openResult(port.open(device))
{
}

int HeadlessInterface::sendBytes(const juce::uint8* data, int numBytes)
{
    const auto result = port.send(data, numBytes);

    if (result == sent)
        ++messagesSent;

    return result;
}
