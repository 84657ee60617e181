#pragma once

#include <juce_core/juce_core.h>

/** The command line carries at most one thing: the path of a SysEx firmware file. */
namespace CommandLine
{
/** The firmware path: the arguments joined with single blanks and trimmed, with no
    quotes added or removed, so that a path with blanks works whether or not the shell
    kept it as one argument. Empty means the built-in image. */
juce::String firmwarePath(const juce::StringArray& arguments);
} // namespace CommandLine
