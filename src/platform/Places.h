#pragma once

#include <juce_core/juce_core.h>

/** Where this program keeps its files on this system. */
namespace Places
{
/** The user's settings: $XDG_CONFIG_HOME/Flashmere (by default ~/.config/Flashmere); on
    Windows %APPDATA%\Flashmere, which roams with the user. */
juce::File settingsFolder();

/** The upload logs: $XDG_STATE_HOME/flashmere/logs (by default
    ~/.local/state/flashmere/logs); on Windows %LOCALAPPDATA%\Flashmere\logs, which stays
    on this machine. */
juce::File logFolder();

/** logFolder() as the help spells it, with its variable and a closing separator. */
juce::String logFolderShown();
} // namespace Places
