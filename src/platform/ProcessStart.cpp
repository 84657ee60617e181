#include "platform/ProcessStart.h"

#include "platform/PathBytes.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{
/** Made ready before anything else runs, JUCE's static objects included (a debug build
    writes its version to standard error from one).

    Any of the standard descriptors that is closed gets /dev/null: otherwise the next file
    opened (JUCE's own message socket) would take its number, and progress text would be
    written into it. It is opened for reading only, so that writing to a standard output
    or error that was closed still fails, as it would have.

    A closed pipe or a full file on standard output or error must not end an upload
    half-way: the writes fail, and a lost result is reported, instead. */
__attribute__((constructor(101))) void prepareProcess()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            if (const auto opened = ::open("/dev/null", O_RDONLY); opened >= 0 && opened != fd)
                ::close(opened); // cannot happen: the lowest free number is taken

    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}
} // namespace

juce::ArgumentList ProcessStart::arguments(int argc, const char* const argv[])
{
    return PathBytes::arguments(argc, argv);
}
