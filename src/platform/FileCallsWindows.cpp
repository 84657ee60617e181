#include "platform/FileCalls.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

int FileCalls::openForWriting(const juce::File& file, bool createNew)
{
    return ::_wopen(file.getFullPathName().toWideCharPointer(),
                    _O_WRONLY | _O_BINARY | _O_NOINHERIT | _O_CREAT | (createNew ? _O_EXCL : 0),
                    _S_IREAD | _S_IWRITE);
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
