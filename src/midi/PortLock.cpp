#include "midi/PortLock.h"

#include "midi/PortNames.h"

#if defined(__linux__) || defined(__APPLE__)
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace
{
juce::File lockFolder()
{
    const auto runtime = juce::SystemStats::getEnvironmentVariable("XDG_RUNTIME_DIR", {});

    if (juce::File::isAbsolutePath(runtime) && juce::File(runtime).isDirectory())
        return juce::File(runtime);

    return juce::File::getSpecialLocation(juce::File::tempDirectory);
}

// Letters, digits, '-' and '_' only, so that no port name can reach outside the folder.
juce::String fileNamePart(const juce::String& text)
{
    juce::String safe;

    for (auto c : text)
        safe << (juce::CharacterFunctions::isLetterOrDigit(c) && c < 128 ? juce::String::charToString(c)
                                                                         : juce::String("_"));

    return safe.substring(0, 80);
}
} // namespace

juce::File PortLock::fileFor(const juce::MidiDeviceInfo& device)
{
    // The identifier tells apart two ports of the same name; the name keeps the file
    // readable for a person who finds it.
    // The name as the user reads it, whoever read it from the system (the window keeps
    // JUCE's reading, flashmere-cli the readable one), so that both name the same file.
    return lockFolder().getChildFile("flashmere-port-" + fileNamePart(device.identifier) + "-"
                                     + fileNamePart(PortNames::readable(device.name)) + ".lock");
}

PortLock::PortLock(const juce::MidiDeviceInfo& device)
{
#if defined(__linux__) || defined(__APPLE__)
    const auto path = fileFor(device).getFullPathName();
    fd = ::open(path.toRawUTF8(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);

    if (fd < 0)
    {
        held = true;
        return;
    }

    int result = 0;

    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);

    held = result == 0 || errno != EWOULDBLOCK;
#else
    juce::ignoreUnused(device);
    held = true;
#endif
}

PortLock::~PortLock()
{
#if defined(__linux__) || defined(__APPLE__)
    // Closing the file ends the lock.
    if (fd >= 0)
        ::close(fd);
#endif
}
