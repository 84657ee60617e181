#include "midi/OutputDriver.h"

#include "midi/SendResult.h"

namespace
{
// JUCE's output reports nothing of a send: the port's connection checks find what is lost.
class JuceOutputDriver final : public OutputDriver
{
public:
    explicit JuceOutputDriver(std::unique_ptr<juce::MidiOutput> o)
        : output(std::move(o))
    {
    }

    int send(const juce::uint8* data, int numBytes) override
    {
        output->sendMessageNow(juce::MidiMessage(data, numBytes, 0.0));
        return midisend::sent;
    }

private:
    std::unique_ptr<juce::MidiOutput> output;
};
} // namespace

OutputDriver::Opened OutputDriver::open(const juce::MidiDeviceInfo& device)
{
    Opened opened;

    if (auto output = juce::MidiOutput::openDevice(device.identifier))
        opened.driver = std::make_unique<JuceOutputDriver>(std::move(output));

    return opened;
}
