#include "midi/OutputChoice.h"

namespace
{
juce::Array<int> indicesNamed(const juce::Array<juce::MidiDeviceInfo>& devices, const juce::String& name)
{
    juce::Array<int> found;

    for (int i = 0; i < devices.size(); ++i)
        if (devices.getReference(i).name == name)
            found.add(i);

    return found;
}
} // namespace

OutputChoice OutputChoice::of(const juce::Array<juce::MidiDeviceInfo>& devices, int index)
{
    if (! juce::isPositiveAndBelow(index, devices.size()))
        return {};

    const auto& name = devices.getReference(index).name;
    const auto namesakes = indicesNamed(devices, name);
    return { name, namesakes.indexOf(index), namesakes.size() };
}

int OutputChoice::findIn(const juce::Array<juce::MidiDeviceInfo>& devices) const
{
    if (name.isEmpty())
        return -1;

    const auto found = indicesNamed(devices, name);

    // Only as many outputs of that name as when it was chosen tell which one it is: with
    // one of two identical interfaces plugged in, it may be either.
    const auto known = namesakes > 0 ? namesakes : 1;

    if (found.size() != known || ! juce::isPositiveAndBelow(position, found.size()))
        return -1;

    return found[position];
}
