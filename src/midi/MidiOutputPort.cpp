#include "midi/MidiOutputPort.h"

#include <algorithm>

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
    acceptedWriters.clear();
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
    otherWriters.clear();
}

void MidiOutputPort::noteOtherWriters(std::vector<OtherWriter> found)
{
    for (auto& writer : found)
        writer.accepted = std::any_of(acceptedWriters.begin(), acceptedWriters.end(),
                                      [&](const OtherWriter& a) { return a.isSameAs(writer); });

    otherWriters = std::move(found);
}

std::vector<OtherWriter> MidiOutputPort::surveyOtherWriters()
{
    const juce::ScopedLock sl(lock);

    if (connection == nullptr)
        return {};

    noteOtherWriters(connection->survey().otherWriters);
    return otherWriters;
}

std::vector<OtherWriter> MidiOutputPort::getOtherWriters() const
{
    const juce::ScopedLock sl(lock);
    return otherWriters;
}

void MidiOutputPort::acceptOtherWriters(const std::vector<OtherWriter>& writers)
{
    const juce::ScopedLock sl(lock);
    acceptedWriters = writers;
    noteOtherWriters(std::move(otherWriters));
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

    auto survey = connection->survey();
    const auto state = survey.state;

    if (state == OutputConnectionCheck::State::connected)
    {
        // What another program sent meanwhile is on the cable with ours: the pass cannot
        // know what the pedal got, but the output itself is fine.
        noteOtherWriters(std::move(survey.otherWriters));
        const auto unaccepted = std::any_of(otherWriters.begin(), otherWriters.end(),
                                            [](const OtherWriter& w) { return ! w.accepted; });
        return unaccepted ? midisend::outputShared : midisend::sent;
    }

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
