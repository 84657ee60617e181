#pragma once

#include <juce_core/juce_core.h>

/** How a command-line process of this program starts on this system. On Linux its file
    also makes the process ready before anything else runs (see there). */
namespace ProcessStart
{
/** This process's command line as typed: argv's bytes on Linux (PathBytes::arguments);
    on Windows the wide command line, since the C runtime's argv is in the ANSI code page,
    which cannot hold every file name. */
juce::ArgumentList arguments(int argc, const char* const argv[]);

/** Windows only: the command line Windows hands over as one string (GetCommandLineW),
    split the way Windows programs split it: blanks part arguments except inside double
    quotes, which are taken away, and backslashes before a quote escape it. */
juce::ArgumentList splitWindowsCommandLine(const wchar_t* commandLine);
} // namespace ProcessStart
