#include "firmware/FirmwareImage.h"

#include "BuildInfo.h"
#include "FlashmereFirmwareData.h"
#include "platform/PathBytes.h"
#include "platform/RegularFile.h"
#include "ui/UserAlerts.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace
{
const juce::String afterwards = "The application will use the build-in firmware version.";

void showFileNotFound()
{
    UserAlerts::show(UserAlerts::Icon::none, "File not found",
                     "A firmware file was specified, but it could not be found.\n " + afterwards);
}

void showUnreadable(const juce::File& file, const juce::String& reason)
{
    UserAlerts::show(UserAlerts::Icon::warning, "File could not be read",
                     "The firmware file " + file.getFullPathName() + " could not be read whole (" + reason
                         + ").\n " + afterwards);
}

void showTooLarge(const juce::File& file)
{
    UserAlerts::show(UserAlerts::Icon::warning, "File too large",
                     "The firmware file " + file.getFullPathName()
                         + " is larger than 16 MiB, far too large to be a firmware image.\n " + afterwards);
}
} // namespace

FirmwareImage::FirmwareImage(const juce::String& name, double versionNumber, int buildNumber)
    : productName(name)
    , version(versionNumber)
    , build(buildNumber)
    , facts(ImageFacts::of(nullptr, 0))
{
}

FirmwareImage::Bytes FirmwareImage::builtInBytes()
{
    // The program's data holds one resource: the built-in firmware, whatever its file's name.
    int bytes = 0;
    const auto* resource
        = FlashmereFirmwareData::getNamedResource(FlashmereFirmwareData::namedResourceList[0], bytes);
    return { reinterpret_cast<const juce::uint8*>(resource), (juce::uint32)bytes };
}

FirmwareImage::FirmwareImage()
    : FirmwareImage(BuildInfo::firmwareInternalName, BuildInfo::firmwareVersion, BuildInfo::firmwareBuild)
{
    const auto builtIn = builtInBytes();
    data = builtIn.data;
    size = builtIn.size;
    facts = ImageFacts::of(data, size);
}

FirmwareImage::FirmwareImage(const juce::String& path)
    : FirmwareImage(juce::String(), 0.0, 0)
{
    // getChildFile keeps an absolute path as it is and takes any other from the
    // working directory, without the assertion a relative path gives File's constructor.
    loadFile(juce::File::getCurrentWorkingDirectory().getChildFile(path));
    facts = ImageFacts::of(data, size);
}

FirmwareImage::~FirmwareImage() = default;

juce::String FirmwareImage::getVersionText() const
{
    auto text = juce::String(version, 2);

    if (build != 0)
        text << " - R" << build;

    return text;
}

void FirmwareImage::loadFile(const juce::File& file)
{
    RegularFile source(file);

    if (source.state == RegularFile::State::notFound)
    {
        showFileNotFound();
        return;
    }

    if (source.state == RegularFile::State::unreadable)
    {
        showUnreadable(file, source.problem);
        return;
    }

    if (source.size > maxFileSize)
    {
        showTooLarge(file);
        return;
    }

    const auto expected = (size_t)source.size;

    if (expected == 0)
        return; // an empty file is simply not usable

    std::unique_ptr<juce::MemoryBlock> block;

    try
    {
        block = std::make_unique<juce::MemoryBlock>(expected, false);
    }
    catch (const std::bad_alloc&)
    {
        showUnreadable(file, "there is not enough memory for it");
        return;
    }

    auto* dest = static_cast<char*>(block->getData());
    size_t got = 0;

    while (got < expected)
    {
        const auto n = source.read(dest + got, expected - got);

        if (n < 0)
        {
            showUnreadable(file, source.problem);
            return;
        }

        if (n == 0)
        {
            showUnreadable(file, "it ended after " + juce::String((juce::int64)got) + " of "
                                     + juce::String((juce::int64)expected) + " bytes");
            return;
        }

        got += (size_t)n;
    }

    fileData = std::move(block);
    data = static_cast<const juce::uint8*>(fileData->getData());
    size = (juce::uint32)expected;
    productName = file.getFileNameWithoutExtension();
    sourcePath = file.getFullPathName();
}
