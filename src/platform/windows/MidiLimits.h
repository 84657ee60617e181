#pragma once

#include <cstddef>

// Windows's; see its Linux namesake.

/** The longest SysEx message the system's MIDI output carries whole, and why:
    midiOutLongMsg refuses a buffer over 64 KiB, and JUCE's send does not report it. */
inline constexpr size_t systemMidiLargestSysex = 65536;
inline constexpr const char* systemMidiLargestSysexWhy = "a Windows MIDI driver takes no more in\none buffer";
