#include "platform/RegularFile.h"

#include "platform/PathBytes.h"

#include <cerrno>
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
} // namespace

RegularFile::RegularFile(const juce::File& file)
{
    // Opened without blocking, so that a FIFO cannot stall start-up before the check; by
    // the path's own bytes, which need not be UTF-8.
    const int fd
        = ::open(PathBytes::toNative(file.getFullPathName()).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);

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

    handle = fd;

    struct stat info
    {
    };

    if (::fstat(fd, &info) != 0 || ! S_ISREG(info.st_mode))
        return;

    state = State::open;
    size = (juce::int64)info.st_size;
}

RegularFile::~RegularFile()
{
    if (handle >= 0)
        ::close((int)handle);
}

juce::int64 RegularFile::read(char* dest, size_t bytes)
{
    for (;;)
    {
        const auto n = ::read((int)handle, dest, bytes);

        if (n >= 0)
            return (juce::int64)n;

        if (errno != EINTR)
        {
            problem = errorText(errno);
            return -1;
        }
    }
}
