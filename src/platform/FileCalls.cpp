#include "platform/FileCalls.h"

#include "platform/PathBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int FileCalls::openForWriting(const juce::File& file, bool createNew)
{
    return ::open(PathBytes::toNative(file.getFullPathName()).c_str(),
                  O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_CREAT | (createNew ? O_EXCL : 0), 0644);
}

bool FileCalls::isRegular(int fd)
{
    struct stat info
    {
    };

    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

int FileCalls::empty(int fd)
{
    return ::ftruncate(fd, 0) == 0 ? 0 : errno;
}

long FileCalls::writeSome(int fd, const char* bytes, size_t size)
{
    return (long)::write(fd, bytes, size);
}

int FileCalls::close(int fd)
{
    return ::close(fd);
}

void FileCalls::remove(const juce::File& file)
{
    ::unlink(PathBytes::toNative(file.getFullPathName()).c_str());
}

std::tm FileCalls::utc(std::time_t seconds)
{
    std::tm fields {};
    ::gmtime_r(&seconds, &fields);
    return fields;
}
