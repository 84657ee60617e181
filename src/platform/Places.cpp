#include "platform/Places.h"

#include "platform/PathBytes.h"

namespace
{
// The XDG rule: an unset, empty or relative variable means the default under home.
juce::File xdgFolder(const char* variable, const char* underHome)
{
    const auto value = juce::SystemStats::getEnvironmentVariable(variable, {});
    return juce::File::isAbsolutePath(value)
               ? juce::File(value)
               : juce::File::getSpecialLocation(juce::File::userHomeDirectory).getChildFile(underHome);
}
} // namespace

juce::File Places::settingsFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", ".config").getChildFile("Flashmere");
}

juce::File Places::logFolder()
{
    return xdgFolder("XDG_STATE_HOME", ".local/state").getChildFile("flashmere/logs");
}

juce::String Places::logFolderShown()
{
    return "$XDG_STATE_HOME/flashmere/logs/";
}

juce::String PathBytes::shown(const juce::String& path)
{
    return escaped(path);
}
