#include "cli/CliReport.h"

#include "cli/CliOutput.h"

CliReport::CliReport(const char* command, bool asJson)
    : json(asJson)
    , document(new juce::DynamicObject())
{
    document->setProperty("command", command);
}

void CliReport::line(const juce::String& text)
{
    if (! json)
        CliOutput::result(text);
}

void CliReport::set(const juce::Identifier& key, const juce::var& value)
{
    if (json)
        document->setProperty(key, value);
}

void CliReport::add(const juce::Identifier& key, const juce::var& value, const juce::String& textLine)
{
    set(key, value);
    line(textLine);
}

void CliReport::setError(const char* reason, const juce::String& message)
{
    auto error = std::make_unique<juce::DynamicObject>();
    error->setProperty("reason", reason);
    error->setProperty("message", message);
    set("error", error.release());
}

int CliReport::fail(int exitCode, const char* reason, const juce::String& message)
{
    CliOutput::message(message);
    setError(reason, message);
    return finish(exitCode);
}

int CliReport::finish(int exitCode)
{
    if (json)
    {
        document->setProperty("exitCode", exitCode);
        CliOutput::result(toJson(juce::var(document.get())));
    }

    return exitCode;
}

juce::String CliReport::toJson(const juce::var& document)
{
    // JUCE 7 writes a BEL inside a string as "\a", which no JSON reader takes; a file or
    // port name may hold one. Every other escape it writes is JSON's own, so only a
    // backslash that starts an escape and is followed by 'a' is rewritten; an escaped
    // backslash followed by a letter 'a' ("\\a") is left alone.
    const auto written = juce::JSON::toString(document, false);
    juce::String fixed;
    fixed.preallocateBytes(written.getNumBytesAsUTF8() + 16);

    for (auto p = written.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c != '\\')
        {
            fixed += juce::String::charToString(c);
            continue;
        }

        const auto escaped = p.getAndAdvance();
        fixed += escaped == 'a' ? juce::String("\\u0007") : "\\" + juce::String::charToString(escaped);
    }

    return fixed;
}
