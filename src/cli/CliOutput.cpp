#include "cli/CliOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace
{
/** The error of the first write to standard output that failed, or 0. */
int outputError = 0;

/** What became of an upload. */
juce::String uploadOutcome;

void noteOutputError()
{
    if (outputError == 0)
        outputError = errno != 0 ? errno : EIO;
}
} // namespace

void CliOutput::result(const juce::String& text)
{
    if (std::fprintf(stdout, "%s\n", text.toRawUTF8()) < 0)
        noteOutputError();
}

void CliOutput::message(const juce::String& text)
{
    std::fprintf(stderr, "flashmere-cli: %s\n", text.toRawUTF8());
}

void CliOutput::noteUploadResult(const juce::String& text)
{
    uploadOutcome = text;
}

int CliOutput::finish(int exitCode)
{
    errno = 0;

    if (std::fflush(stdout) != 0)
        noteOutputError();

    if (outputError == 0 && std::ferror(stdout) != 0)
        outputError = EIO;

    if (outputError == 0)
        return exitCode;

    message("the result could not be written to standard output ("
            + juce::String(std::strerror(outputError)).toLowerCase() + ")"
            + (uploadOutcome.isNotEmpty() ? "; the upload: " + uploadOutcome : juce::String()));
    return exitCode == 0 ? 1 : exitCode;
}
