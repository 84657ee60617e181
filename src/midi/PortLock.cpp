#include "midi/PortLock.h"

#include "midi/PortNames.h"

#include <juce_cryptography/juce_cryptography.h>

namespace
{
// Letters and digits only, so that the name reads plainly wherever the system lists it.
juce::String readablePart(const juce::String& text)
{
    juce::String safe;

    for (auto c : text)
        safe << (juce::CharacterFunctions::isLetterOrDigit(c) && c < 128 ? juce::String::charToString(c)
                                                                         : juce::String("_"));

    return safe.substring(0, 40);
}
} // namespace

juce::String PortLock::nameFor(const juce::MidiDeviceInfo& device)
{
    // The identifier tells apart two ports of the same name. The name is the one the user
    // reads, whoever read it from the system (the window keeps JUCE's reading,
    // flashmere-cli the readable one), so that both name the same lock. The hash keeps
    // the whole identity within the system's limit on names (107 bytes for a socket);
    // the readable part is for a person who finds the lock listed.
    const auto readable = PortNames::readable(device.name);
    const auto identity = (device.identifier + "\n" + readable).toStdString();
    const auto hash = juce::SHA256(identity.data(), identity.size()).toHexString().substring(0, 32);

    return "flashmere-port-" + hash + "-" + readablePart(readable);
}
