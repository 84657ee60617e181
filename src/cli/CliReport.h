#pragma once

#include <juce_core/juce_core.h>

/** What one command tells on standard output: its lines of text, or, with --json, one JSON
    document gathered as the command goes and printed once when it ends, however it ends
    (done, refused, failed or stopped), so that a script always reads one whole document.
    Messages for people go to standard error in both forms. Message thread only. */
class CliReport
{
public:
    CliReport(const char* command, bool asJson);

    bool isJson() const noexcept { return json; }

    /** A line of the text form; nothing in JSON. */
    void line(const juce::String& text);

    /** A field of the JSON document; nothing in text. A later value replaces an earlier. */
    void set(const juce::Identifier& key, const juce::var& value);

    /** The same figure in both forms: the field in JSON, the line in text. */
    void add(const juce::Identifier& key, const juce::var& value, const juce::String& textLine);

    /** In JSON, "error": why the command could not do its work, as a stable one-word
        reason and the message told on standard error. */
    void setError(const char* reason, const juce::String& message);

    /** The command could not do its work: the message goes to standard error in both
        forms and, in JSON, into "error". Ends the report and returns exitCode. */
    int fail(int exitCode, const char* reason, const juce::String& message);

    /** Ends the report: in JSON, notes the exit code and prints the document. Returns
        exitCode. */
    int finish(int exitCode);

    /** The document as printed: JUCE's JSON writer, with its one escape that JSON does not
        know (a BEL as "\a") written as JSON spells it. */
    static juce::String toJson(const juce::var& document);

private:
    const bool json;
    juce::DynamicObject::Ptr document;
};
