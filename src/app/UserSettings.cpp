#include "app/UserSettings.h"

#include "platform/FileExport.h"
#include "platform/Places.h"

namespace
{
const char* const lastOutputKey = "lastOutput";
const char* const lastOutputPositionKey = "lastOutputPosition";
const char* const lastOutputNamesakesKey = "lastOutputNamesakes";

// Only a plain file of a sensible size is read, or one that is not there yet. Anything
// else at that place (a folder, a named pipe that would hold up the start until someone
// writes to it, a device) is left alone and never written over.
bool isUsableSettingsPath(const juce::File& file)
{
    if (file == juce::File())
        return false;

    if (FileExport::unlessRegular(file).isNotEmpty())
        return false;

    return ! file.existsAsFile() || file.getSize() <= UserSettings::largestReadableFile;
}

juce::PropertiesFile::Options propertiesOptions(bool canSave)
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Flashmere";
    options.filenameSuffix = ".settings";
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.millisecondsBeforeSaving = -1; // written when asked to, at once
    options.doNotSave = ! canSave;
    return options;
}
} // namespace

UserSettings::UserSettings()
    : UserSettings(defaultFile())
{
}

UserSettings::UserSettings(const juce::File& file)
{
    const auto usable = isUsableSettingsPath(file);
    properties
        = std::make_unique<juce::PropertiesFile>(usable ? file : juce::File(), propertiesOptions(usable));
}

UserSettings::~UserSettings()
{
    // Written when a value was set, or not at all: nothing is left to do at exit.
    properties->setNeedsToBeSaved(false);
}

juce::File UserSettings::defaultFile()
{
    return Places::settingsFolder().getChildFile("Flashmere.settings");
}

OutputChoice UserSettings::getLastOutput() const
{
    // A file of an earlier version names the output only: it is found only while no other
    // output has its name.
    return { properties->getValue(lastOutputKey), properties->getIntValue(lastOutputPositionKey),
             properties->getIntValue(lastOutputNamesakesKey) };
}

bool UserSettings::setLastOutput(const OutputChoice& output)
{
    properties->setValue(lastOutputKey, output.name);
    properties->setValue(lastOutputPositionKey, output.position);
    properties->setValue(lastOutputNamesakesKey, output.namesakes);
    return properties->save();
}
