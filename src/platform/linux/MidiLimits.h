#pragma once

#include <cstddef>

// Linux's; CMake puts this folder or its Windows namesake on the include path. Plain
// constants, so that the framing check needs nothing but the standard library.

/** The longest SysEx message the system's MIDI output carries whole, and why: the ALSA
    sequencer hands a SysEx to the interface's kernel buffer of 4096 bytes in one piece
    and silently drops one that does not fit. */
inline constexpr size_t systemMidiLargestSysex = 4096;
inline constexpr const char* systemMidiLargestSysexWhy
    = "the Linux ALSA sequencer drops a longer\nmessage without a word";
