#include "platform/FileCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

int FileCalls::openForWriting(const juce::File& file, bool createNew)
{
    return ::_wopen(file.getFullPathName().toWideCharPointer(),
                    _O_WRONLY | _O_BINARY | _O_NOINHERIT | _O_CREAT | (createNew ? _O_EXCL : 0),
                    _S_IREAD | _S_IWRITE);
}

bool FileCalls::isRegular(int fd)
{
    struct stat info
    {
    };

    return ::fstat(fd, &info) == 0 && (info.st_mode & S_IFMT) == S_IFREG;
}

int FileCalls::empty(int fd)
{
    return ::_chsize(fd, 0) == 0 ? 0 : errno;
}

long FileCalls::writeSome(int fd, const char* bytes, size_t size)
{
    return (long)::write(fd, bytes, (unsigned)size);
}

int FileCalls::close(int fd)
{
    return ::close(fd);
}

void FileCalls::remove(const juce::File& file)
{
    ::_wunlink(file.getFullPathName().toWideCharPointer());
}

std::tm FileCalls::utc(std::time_t seconds)
{
    std::tm fields {};
    ::gmtime_s(&fields, &seconds);
    return fields;
}
