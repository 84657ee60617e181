#include "midi/OtherWriter.h"

juce::String OtherWriter::describe() const
{
    const auto name = clientName.isNotEmpty() ? clientName : juce::String("a program");
    return name + " (client " + juce::String(client) + ", port " + juce::String(port)
           + (portName.isNotEmpty() ? " " + portName.quoted() : juce::String()) + ")";
}

juce::String OtherWriter::describe(const std::vector<OtherWriter>& writers)
{
    juce::StringArray parts;

    for (const auto& writer : writers)
        parts.add(writer.describe());

    return parts.joinIntoString("; ");
}

juce::String OtherWriter::describeAsList(const std::vector<OtherWriter>& writers)
{
    juce::StringArray lines;

    for (const auto& writer : writers)
        lines.add(juce::String::fromUTF8("\xe2\x80\xa2 ") + writer.describe());

    return lines.joinIntoString("\n");
}
