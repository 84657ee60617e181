#include "firmware/FirmwareImage.h"

#include "BuildInfo.h"
#include "FlashmereFirmwareData.h"
#include "platform/PathBytes.h"
#include "ui/UserAlerts.h"

#include <cerrno>
#include <cstring>
#include <new>

#if JUCE_WINDOWS
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

/** A firmware file opened for reading, checked on the open file itself, so that nothing
    can swap it between the check and the read: only a regular file (not a folder, a FIFO
    or a device, which could stall start-up or be read without end) is opened. */
class SourceFile
{
public:
    enum class State
    {
        open,
        notFound,
        unreadable
    };

    explicit SourceFile(const juce::File& file);
    ~SourceFile();

    State state = State::notFound;
    juce::int64 size = 0;
    juce::String problem; // why it could not be opened or read

    /** Reads up to `bytes`; the number read, 0 at the end, or -1 with the problem set. */
    juce::int64 read(char* dest, size_t bytes);

private:
#if JUCE_WINDOWS
    HANDLE handle = INVALID_HANDLE_VALUE;
#else
    int fd = -1;
#endif
};

#if JUCE_WINDOWS
juce::String errorText(DWORD error)
{
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                         | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const auto result = text != nullptr ? juce::String(text).trim().trimCharactersAtEnd(".").toLowerCase()
                                        : "Windows error " + juce::String((juce::int64)error);
    ::LocalFree(text);
    return result;
}

SourceFile::SourceFile(const juce::File& file)
{
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened, and only a disk file
    // has the type checked below; NUL, CON, COM1 and named pipes have others.
    handle = ::CreateFileW(file.getFullPathName().toWideCharPointer(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);

    if (handle == INVALID_HANDLE_VALUE)
    {
        const auto error = ::GetLastError();

        // A folder is refused with "access denied"; a name with quotes or other characters
        // that no file name can hold is not found, as no such file can exist.
        if (file.isDirectory() || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
            || error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH
            || error == ERROR_FILENAME_EXCED_RANGE)
            return;

        state = State::unreadable;
        problem = errorText(error);
        return;
    }

    BY_HANDLE_FILE_INFORMATION info {};

    if (::GetFileType(handle) != FILE_TYPE_DISK || ! ::GetFileInformationByHandle(handle, &info)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;

    state = State::open;
    size = (juce::int64)(((juce::uint64)info.nFileSizeHigh << 32) | info.nFileSizeLow);
}

SourceFile::~SourceFile()
{
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
}

juce::int64 SourceFile::read(char* dest, size_t bytes)
{
    DWORD got = 0;

    if (! ::ReadFile(handle, dest, (DWORD)juce::jmin(bytes, (size_t)(1 << 30)), &got, nullptr))
    {
        problem = errorText(::GetLastError());
        return -1;
    }

    return (juce::int64)got;
}
#else
juce::String errorText(int error)
{
    return juce::String(std::strerror(error)).toLowerCase();
}

SourceFile::SourceFile(const juce::File& file)
{
    // Opened without blocking, so that a FIFO cannot stall start-up before the check; by
    // the path's own bytes, which need not be UTF-8.
    fd = ::open(PathBytes::toNative(file.getFullPathName()).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);

    if (fd < 0)
    {
        const auto error = errno;

        if (error != ENOENT && error != ENOTDIR && error != ENAMETOOLONG && error != ELOOP)
        {
            state = State::unreadable;
            problem = errorText(error);
        }

        return;
    }

    struct stat info
    {
    };

    if (::fstat(fd, &info) != 0 || ! S_ISREG(info.st_mode))
        return;

    state = State::open;
    size = (juce::int64)info.st_size;
}

SourceFile::~SourceFile()
{
    if (fd >= 0)
        ::close(fd);
}

juce::int64 SourceFile::read(char* dest, size_t bytes)
{
    for (;;)
    {
        const auto n = ::read(fd, dest, bytes);

        if (n >= 0)
            return (juce::int64)n;

        if (errno != EINTR)
        {
            problem = errorText(errno);
            return -1;
        }
    }
}
#endif
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
    SourceFile source(file);

    if (source.state == SourceFile::State::notFound)
    {
        showFileNotFound();
        return;
    }

    if (source.state == SourceFile::State::unreadable)
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
