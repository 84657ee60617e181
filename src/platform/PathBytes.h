#pragma once

#include <juce_core/juce_core.h>
#include <string>

/** File names as the system hands them over: on Linux a path is bytes, which need not be
    UTF-8. Text that came from such bytes keeps each byte that is not part of valid UTF-8
    as a character of its own (U+DC80 to U+DCFF, one for each byte 0x80 to 0xFF), so
    that the very same path can be opened again and shown without loss. */
namespace PathBytes
{
/** The bytes as text: UTF-8 decoded, each stray byte kept as its own character. */
juce::String fromNative(const char* bytes);

/** argv as given, each argument through fromNative(), none trimmed, unquoted or dropped. */
juce::ArgumentList arguments(int argc, const char* const argv[]);

/** The bytes that text came from: the kept bytes as they were, everything else UTF-8. */
std::string toNative(const juce::String& text);

/** The text made visible and reversible: a kept byte as \xHH (two lower-case hex
    digits), a backslash as \\, everything else as it is. */
juce::String escaped(const juce::String& text);

/** A path as messages and JSON show it: escaped() where a path is bytes; as it is on
    Windows, whose paths are text and whose separator is the backslash. */
juce::String shown(const juce::String& path);

/** Whether the character stands for a kept byte. */
constexpr bool isKeptByte(juce::juce_wchar c) noexcept
{
    return c >= 0xdc80 && c <= 0xdcff;
}
} // namespace PathBytes
