#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

/** An output as the program finds it again, later in the run or at the next start: by
    the system's name and, where several outputs share that name (two identical
    interfaces), by its place among them. The system's identifier is not kept: ALSA's
    client numbers change whenever a device is plugged in again. */
struct OutputChoice
{
    juce::String name; // the system's name; empty for none
    int position = 0; // among the outputs of that name, in the system's order, from 0
    int namesakes = 1; // how many outputs had that name; 0 when not known

    /** The output at index in devices. */
    static OutputChoice of(const juce::Array<juce::MidiDeviceInfo>& devices, int index);

    /** The index in devices of this output, or -1 when it is not there, or when it could
        be any of several: another output of the same name is never taken for it. */
    int findIn(const juce::Array<juce::MidiDeviceInfo>& devices) const;

    bool isEmpty() const noexcept { return name.isEmpty(); }
};
