#include "midi/PortNames.h"

namespace PortNames
{
juce::String readable(const juce::String& name)
{
#if JUCE_LINUX
    juce::MemoryBlock bytes;
    bool anyHighByte = false;

    for (auto c : name)
    {
        if (c > 0xff)
            return name; // not a byte that JUCE widened: already a real character

        anyHighByte = anyHighByte || c > 0x7f;
        const auto byte = (juce::uint8)c;
        bytes.append(&byte, 1);
    }

    if (! anyHighByte)
        return name;

    const auto* data = static_cast<const char*>(bytes.getData());

    if (! juce::CharPointer_UTF8::isValidString(data, (int)bytes.getSize()))
        return name;

    return juce::String::fromUTF8(data, (int)bytes.getSize());
#else
    return name;
#endif
}
} // namespace PortNames
