#pragma once

#include <juce_core/juce_core.h>

struct CliArguments;

/** What flashmere-cli's commands do, once their arguments are known to be right. Each
    returns the program's exit code; results go to standard output, as text or (json) as one
    JSON document, messages to standard error (CliOutput, CliReport). */
namespace CliCommands
{
enum ExitCode
{
    success = 0,
    failure = 1, // the image cannot be sent, the update failed, a file could not be written
    usageError = 2, // the command line is wrong
    portError = 3, // the port is unknown, ambiguous or cannot be opened
    stoppedBySignal = 128 // plus the signal's number
};

/** The MIDI output ports, or (inputs) the input ports, numbered. */
int list(bool json, bool inputs = false);

/** Whether the built-in image (empty path) or a file is fit to send: framing, product
    and SHA-256. Another product's firmware fails unless anyProduct. */
int check(const juce::String& path, bool anyProduct, bool json);

/** Writes the built-in image to a file. */
int exportImage(const juce::String& outPath);

/** Uploads the built-in image (no file) or a file to the port given by name or number.
    Another product's firmware is refused unless --any-product; the log goes to the --log
    file, the standard folder, or nowhere with --no-log. */
int send(const CliArguments& arguments);

/** The loopback test of an interface: the series to --port OUT, what comes back on
    --input IN, and the verdict. 0 fit, 1 unfit, 3 a port not found or not opened. */
int loopback(const CliArguments& arguments);
} // namespace CliCommands
