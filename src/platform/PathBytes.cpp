#include "platform/PathBytes.h"

namespace
{
/** The length of the valid UTF-8 sequence at p (1 to 4), or 0 when p starts none: no
    overlong forms, no surrogates, nothing above U+10FFFF. */
int sequenceLength(const unsigned char* p)
{
    const auto continues = [p](int i) { return (p[i] & 0xc0) == 0x80; };

    if (p[0] < 0x80)
        return 1;
    if (p[0] >= 0xc2 && p[0] <= 0xdf)
        return continues(1) ? 2 : 0;
    if (p[0] >= 0xe0 && p[0] <= 0xef)
    {
        const auto second = p[1];
        const auto inRange = (p[0] != 0xe0 || second >= 0xa0) && (p[0] != 0xed || second < 0xa0);
        return inRange && continues(1) && continues(2) ? 3 : 0;
    }
    if (p[0] >= 0xf0 && p[0] <= 0xf4)
    {
        const auto second = p[1];
        const auto inRange = (p[0] != 0xf0 || second >= 0x90) && (p[0] != 0xf4 || second < 0x90);
        return inRange && continues(1) && continues(2) && continues(3) ? 4 : 0;
    }
    return 0;
}
} // namespace

juce::String PathBytes::fromNative(const char* bytes)
{
    juce::String text;

    if (bytes == nullptr)
        return text;

    // A continuation test never reads past the terminating zero, which continues nothing.
    for (auto p = reinterpret_cast<const unsigned char*>(bytes); *p != 0;)
    {
        if (const auto length = sequenceLength(p); length > 0)
        {
            text += juce::String::fromUTF8(reinterpret_cast<const char*>(p), length);
            p += length;
        }
        else
        {
            text += juce::String::charToString((juce::juce_wchar)(0xdc00 + *p++));
        }
    }

    return text;
}

std::string PathBytes::toNative(const juce::String& text)
{
    std::string bytes;

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (isKeptByte(c))
        {
            bytes += (char)(c - 0xdc00);
        }
        else
        {
            char utf8[8] = {};
            juce::CharPointer_UTF8 out(utf8);
            out.write(c);
            bytes += utf8;
        }
    }

    return bytes;
}

juce::String PathBytes::escaped(const juce::String& text)
{
    juce::String shown;
    shown.preallocateBytes(text.getNumBytesAsUTF8());

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c == '\\')
            shown << "\\\\";
        else if (isKeptByte(c))
            shown << "\\x" << juce::String::toHexString((int)(c - 0xdc00)).paddedLeft('0', 2);
        else
            shown += juce::String::charToString(c);
    }

    return shown;
}

juce::ArgumentList PathBytes::arguments(int argc, const char* const argv[])
{
    juce::ArgumentList list(argc > 0 ? fromNative(argv[0]) : juce::String(), juce::StringArray());

    for (int i = 1; i < argc; ++i)
        list.arguments.add({ fromNative(argv[i]) });

    return list;
}
