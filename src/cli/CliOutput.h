#pragma once

#include <juce_core/juce_core.h>

/** Where flashmere-cli writes: results to standard output, messages to standard error.

    A result that cannot be written (standard output closed or full) is not a success:
    finish() tells. Message thread only. */
namespace CliOutput
{
/** A line on standard output: what the command was asked for. */
void result(const juce::String& text);

/** "flashmere-cli: " and a line on standard error. */
void message(const juce::String& text);

/** Keeps a line telling an upload's fate, to be repeated on standard error should
    standard output not take the result, so that the upload's fate is never lost. */
void noteUploadResult(const juce::String& text);

/** Flushes standard output; when a result could not be written there, says so on
    standard error and turns a success into a failure (1). Returns the exit code. */
int finish(int exitCode);
} // namespace CliOutput
