#pragma once

#include <juce_core/juce_core.h>

/** Port names as the user reads and types them.

    ALSA names ports in UTF-8, but JUCE 7 reads them as if each byte were a character of
    its own, so "Tête" arrives as "TÃªte". This undoes that where the bytes are UTF-8; a
    name that is not (an old interface's Latin-1) is kept as JUCE read it. */
namespace PortNames
{
juce::String readable(const juce::String& nameAsJuceReadIt);
} // namespace PortNames
