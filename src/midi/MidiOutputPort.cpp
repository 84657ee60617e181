#include "midi/MidiOutputPort.h"

#include "midi/InterfaceBaseClass.h"

namespace
{
bool isListedOutput(const juce::String& identifier)
{
    for (const auto& device : juce::MidiOutput::getAvailableDevices())
        if (device.identifier == identifier)
            return true;

    return false;
}
} // namespace

MidiOutputPort::MidiOutputPort() = default;

MidiOutputPort::~MidiOutputPort()
{
    close();
}

bool MidiOutputPort::open(const juce::MidiDeviceInfo& device)
{
    const juce::ScopedLock sl(lock);
    output.reset();
    output = juce::MidiOutput::openDevice(device.identifier);
    return output != nullptr;
}

void MidiOutputPort::close()
{
    const juce::ScopedLock sl(lock);
    output.reset();
}

bool MidiOutputPort::isOpen() const
{
    const juce::ScopedLock sl(lock);
    return output != nullptr;
}

bool MidiOutputPort::confirmPresent()
{
    const juce::ScopedLock sl(lock);
    return output != nullptr && ! closeIfGone();
}

bool MidiOutputPort::closeIfGone()
{
    if (isListedOutput(output->getIdentifier()))
        return false;

    output.reset();

    if (onLost)
        onLost();

    return true;
}

int MidiOutputPort::send(const juce::uint8* data, int numBytes)
{
    if (data == nullptr || numBytes <= 0)
        return InterfaceBaseClass::nothingToSend;

    const juce::ScopedLock sl(lock);

    if (output == nullptr)
        return InterfaceBaseClass::noOutputOpen;

    if (closeIfGone())
        return InterfaceBaseClass::outputGone;

    output->sendMessageNow(juce::MidiMessage(data, numBytes, 0.0));
    return InterfaceBaseClass::sent;
}
