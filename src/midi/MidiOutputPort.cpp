#include "midi/MidiOutputPort.h"

MidiOutputPort::MidiOutputPort() = default;

MidiOutputPort::~MidiOutputPort()
{
    close();
}

MidiOutputPort::OpenResult MidiOutputPort::open(const juce::MidiDeviceInfo& deviceToOpen)
{
    const juce::ScopedLock sl(lock);
    closeLocked();
    device = deviceToOpen;
    auto opened = OutputDriver::open(device);

    if (opened.driver == nullptr)
        return opened.busy ? OpenResult::busy : OpenResult::failed;

    output = std::move(opened.driver);

    connection = std::make_unique<OutputConnectionCheck>(device);

    const auto state = connection->check();

    if (state != OutputConnectionCheck::State::connected)
    {
        // JUCE hands back an output whose connection was refused; nothing sent through it
        // would arrive. A port that left in the meantime is simply not there.
        closeLocked();
        return state == OutputConnectionCheck::State::gone ? OpenResult::failed : OpenResult::busy;
    }

    return OpenResult::opened;
}

void MidiOutputPort::close()
{
    const juce::ScopedLock sl(lock);
    closeLocked();
}

void MidiOutputPort::closeLocked()
{
    output.reset();
    connection.reset();
}

bool MidiOutputPort::isOpen() const
{
    const juce::ScopedLock sl(lock);
    return output != nullptr;
}

juce::MidiDeviceInfo MidiOutputPort::getDevice() const
{
    const juce::ScopedLock sl(lock);
    return device;
}

int MidiOutputPort::check()
{
    const juce::ScopedLock sl(lock);

    if (output == nullptr)
        return midisend::noOutputOpen;

    const auto state = connection->check();

    if (state == OutputConnectionCheck::State::connected)
        return midisend::sent;

    closeLocked();

    if (onLost)
        onLost();

    return state == OutputConnectionCheck::State::gone ? midisend::outputGone : midisend::notConnected;
}

int MidiOutputPort::send(const juce::uint8* data, int numBytes)
{
    if (data == nullptr || numBytes <= 0)
        return midisend::nothingToSend;

    const juce::ScopedLock sl(lock);

    if (output == nullptr)
        return midisend::noOutputOpen;

    const auto result = output->send(data, numBytes);
    sendProblem = result == midisend::sent ? juce::String() : output->lastProblem();

    if (result == midisend::outputGone)
    {
        closeLocked();

        if (onLost)
            onLost();
    }

    return result;
}

juce::String MidiOutputPort::getSendProblem() const
{
    const juce::ScopedLock sl(lock);
    return sendProblem;
}

std::unique_ptr<PortLock> MidiOutputPort::claim() const
{
    const juce::ScopedLock sl(lock);

    if (output == nullptr)
        return nullptr;

    return std::make_unique<PortLock>(device);
}
