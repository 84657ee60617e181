#pragma once

#include <juce_core/juce_core.h>

/** What flashmere-cli's commands do, once their arguments are known to be right. Each
    returns the program's exit code; results go to standard output, messages to standard
    error (CliOutput). */
namespace CliCommands
{
enum ExitCode
{
    success = 0,
    failure = 1, // the image cannot be sent, the update failed, a file could not be written
    usageError = 2, // the command line is wrong
    portError = 3, // the port is unknown, ambiguous or cannot be opened
    stoppedBySignal = 128 // plus the signal's number: 129 hang-up, 130 Ctrl-C, 143 SIGTERM
};

/** The MIDI output ports, numbered. */
int list();

/** Whether the built-in image (empty path) or a file is fit to send: framing, product
    and SHA-256. Another product's firmware fails unless anyProduct. */
int check(const juce::String& path, bool anyProduct);

/** Writes the built-in image to a file. */
int exportImage(const juce::String& outPath);

/** Uploads the built-in image (empty path) or a file to a port given by name or number.
    Another product's firmware is refused unless anyProduct; the log goes to logFile (empty:
    the standard folder) or nowhere when noLog. */
int send(const juce::String& portName, const juce::String& path, bool anyProduct, const juce::String& logFile,
         bool noLog);
} // namespace CliCommands
