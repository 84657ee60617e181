#include "app/CommandLine.h"

namespace CommandLine
{
juce::String firmwarePath(const juce::StringArray& arguments)
{
    return arguments.joinIntoString(" ").trim();
}
} // namespace CommandLine
