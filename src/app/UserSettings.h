#pragma once

#include "midi/OutputChoice.h"

#include <juce_data_structures/juce_data_structures.h>
#include <memory>

/** What Flashmere keeps between runs: the MIDI output of the last completed update.

    The file lives in the user's configuration folder, following the XDG rule:
    $XDG_CONFIG_HOME/Flashmere/, or ~/.config/Flashmere/ when that is not set. A settings
    file is a convenience, never a reason to bother or hold up the user: one that is
    missing, unreadable, damaged, not a plain file or cannot be written is ignored, and the
    program works as without it. Message thread. */
class UserSettings
{
public:
    /** Reads the user's settings file. */
    UserSettings();

    /** Reads the given settings file. */
    explicit UserSettings(const juce::File& file);

    ~UserSettings();

    /** Where the user's settings file is: the XDG rule applied to the environment; on
        Windows %APPDATA%\Flashmere\Flashmere.settings. */
    static juce::File defaultFile();

    /** The MIDI output of the last completed update; empty if none is known. */
    OutputChoice getLastOutput() const;

    /** Remembers the output; false when the file could not be written (the value is then
        remembered until the program ends). */
    bool setLastOutput(const OutputChoice& output);

    /** Larger files are not settings this program wrote: they are not read. */
    static constexpr juce::int64 largestReadableFile = 64 * 1024;

private:
    std::unique_ptr<juce::PropertiesFile> properties;

    JUCE_DECLARE_NON_COPYABLE(UserSettings)
};
