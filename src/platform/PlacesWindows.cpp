#include "platform/Places.h"

#include "platform/PathBytes.h"

juce::File Places::settingsFolder()
{
    return juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory).getChildFile("Flashmere");
}

juce::File Places::logFolder()
{
    return juce::File::getSpecialLocation(juce::File::windowsLocalAppData).getChildFile("Flashmere/logs");
}

juce::String Places::logFolderShown()
{
    return "%LOCALAPPDATA%\\Flashmere\\logs\\";
}

juce::String PathBytes::shown(const juce::String& path)
{
    return path;
}
