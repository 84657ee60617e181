#include "firmware/FirmwareImage.h"

#include "BuildInfo.h"
#include "FlashmereFirmwareData.h"
#include "platform/UserAlerts.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

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

juce::String errorText(int error)
{
    return juce::String(std::strerror(error)).toLowerCase();
}

/** Closes a file descriptor when it goes out of scope. */
struct ScopedDescriptor
{
    int fd = -1;
    ~ScopedDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

FirmwareImage::FirmwareImage(const juce::String& name, double versionNumber, int buildNumber)
    : productName(name)
    , version(versionNumber)
    , build(buildNumber)
{
}

FirmwareImage::FirmwareImage()
    : FirmwareImage(BuildInfo::firmwareInternalName, BuildInfo::firmwareVersion, BuildInfo::firmwareBuild)
{
    // The program's data holds one resource: the built-in firmware, whatever its file's name.
    int bytes = 0;
    data = reinterpret_cast<const juce::uint8*>(
        FlashmereFirmwareData::getNamedResource(FlashmereFirmwareData::namedResourceList[0], bytes));
    size = (juce::uint32)bytes;
}

FirmwareImage::FirmwareImage(const juce::String& path)
    : FirmwareImage(juce::String(), 0.0, 0)
{
    // getChildFile keeps an absolute path as it is and takes any other from the
    // working directory, without the assertion a relative path gives File's constructor.
    loadFile(juce::File::getCurrentWorkingDirectory().getChildFile(path));
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
    const auto path = file.getFullPathName();

    // Opened without blocking and checked on the open descriptor itself, so that a FIFO
    // or a device named on the command line can neither stall start-up nor be read
    // without end, and nothing can swap the file between the check and the read.
    ScopedDescriptor descriptor { ::open(path.toRawUTF8(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) };

    if (descriptor.fd < 0)
    {
        const auto error = errno;

        if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ELOOP)
            showFileNotFound();
        else
            showUnreadable(file, errorText(error));

        return;
    }

    struct stat info
    {
    };

    if (::fstat(descriptor.fd, &info) != 0 || ! S_ISREG(info.st_mode))
    {
        showFileNotFound();
        return;
    }

    if (info.st_size > maxFileSize)
    {
        showTooLarge(file);
        return;
    }

    const auto expected = (size_t)info.st_size;

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
        const auto n = ::read(descriptor.fd, dest + got, expected - got);

        if (n < 0 && errno == EINTR)
            continue;

        if (n < 0)
        {
            showUnreadable(file, errorText(errno));
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
    sourcePath = path;
}
