#include "platform/FileCalls.h"

#include "platform/PathBytes.h"

#include <fcntl.h>
#include <unistd.h>

int FileCalls::openForWriting(const juce::File& file, bool createNew)
{
    return ::open(PathBytes::toNative(file.getFullPathName()).c_str(),
                  O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_CREAT | (createNew ? O_EXCL : 0), 0644);
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
