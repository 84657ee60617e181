#include "platform/FileExport.h"

#include "platform/PathBytes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
juce::String errorText(int error)
{
    return juce::String(std::strerror(error)).toLowerCase();
}

juce::String describeKind(mode_t mode)
{
    if (S_ISDIR(mode))
        return "is a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "is a device";
    if (S_ISFIFO(mode))
        return "is a FIFO (named pipe)";
    if (S_ISSOCK(mode))
        return "is a socket";
    return "is not a regular file";
}

/** Whether this process may change the file. The superuser passes every permission
    check, but a file nobody may write is read-only on purpose, for the superuser too. */
bool isWritable(const char* path, const struct stat& info)
{
    if (::geteuid() == 0)
        return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;

    return ::faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
}

/** The path whose file the bytes replace (a link's target), or why there is none.
    existing tells whether a regular file stands there now, and how it is made. */
juce::String resolveTarget(const juce::File& target, juce::String& path, bool& existing, struct stat& info)
{
    path = target.getFullPathName();
    existing = false;

    if (::lstat(PathBytes::toNative(path).c_str(), &info) != 0)
    {
        if (errno == ENOENT)
            return {}; // a new file
        return errorText(errno);
    }

    if (S_ISLNK(info.st_mode))
    {
        if (::stat(PathBytes::toNative(path).c_str(), &info) != 0)
            return "is a symbolic link to nothing that can be written (" + errorText(errno) + ")";

        if (! S_ISREG(info.st_mode))
            return "is a symbolic link to something that " + describeKind(info.st_mode);

        char* real = ::realpath(PathBytes::toNative(path).c_str(), nullptr);

        if (real == nullptr)
            return errorText(errno);

        path = PathBytes::fromNative(real);
        std::free(real);
    }
    else if (! S_ISREG(info.st_mode))
    {
        return describeKind(info.st_mode);
    }

    if (! isWritable(PathBytes::toNative(path).c_str(), info))
        return "is read-only";

    existing = true;
    return {};
}

bool writeAll(int fd, const char* bytes, size_t size)
{
    while (size > 0)
    {
        const auto n = ::write(fd, bytes, size);

        if (n < 0 && errno == EINTR)
            continue;

        if (n <= 0)
        {
            if (n == 0)
                errno = EIO;
            return false;
        }

        bytes += n;
        size -= (size_t)n;
    }

    return true;
}
} // namespace

juce::String FileExport::refusal(const juce::File& target)
{
    juce::String path;
    bool existing = false;
    struct stat info
    {
    };

    return resolveTarget(target, path, existing, info);
}

juce::String FileExport::unlessRegular(const juce::File& file)
{
    struct stat info
    {
    };

    if (::stat(PathBytes::toNative(file.getFullPathName()).c_str(), &info) != 0 || S_ISREG(info.st_mode))
        return {};

    return describeKind(info.st_mode);
}

juce::String FileExport::write(const juce::File& target, const void* data, size_t size)
{
    juce::String path;
    bool existing = false;
    struct stat info
    {
    };

    if (const auto refusal = resolveTarget(target, path, existing, info); refusal.isNotEmpty())
        return refusal;

    const auto finalFile = juce::File(path);
    juce::String temporaryPath;
    int fd = -1;

    // Created like any new file (0666 less the umask); a name already taken is skipped.
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt)
    {
        temporaryPath
            = finalFile
                  .getSiblingFile("." + finalFile.getFileName() + "."
                                  + juce::String::toHexString(juce::Random::getSystemRandom().nextInt()))
                  .getFullPathName();
        fd = ::open(PathBytes::toNative(temporaryPath).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    0666);

        if (fd < 0 && errno != EEXIST)
            break;
    }

    if (fd < 0)
        return "a temporary file could not be made beside it (" + errorText(errno) + ")";

    // The new file keeps the old one's owner (the superuser can give it) and permissions,
    // in that order, since a change of owner clears the set-user-ID bits.
    bool ok = ! existing || ::geteuid() != 0 || ::fchown(fd, info.st_uid, info.st_gid) == 0;
    ok = ok && (! existing || ::fchmod(fd, info.st_mode & 07777) == 0);

    ok = ok && writeAll(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
    auto error = errno;

    if (::close(fd) != 0 && ok)
    {
        ok = false;
        error = errno;
    }

    if (ok && ::rename(PathBytes::toNative(temporaryPath).c_str(), PathBytes::toNative(path).c_str()) != 0)
    {
        ok = false;
        error = errno;
    }

    if (! ok)
    {
        ::unlink(PathBytes::toNative(temporaryPath).c_str());
        return "could not be written (" + errorText(error) + ")"
               + (existing ? "; the old file is unchanged" : "");
    }

    return {};
}
