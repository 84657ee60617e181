#include "midi/PortLock.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

// The lock is a socket bound to an abstract name: the name lives in the kernel, not in a
// folder, so no environment, user, permission or file at some path changes which lock a
// process finds, and the kernel frees the name when the holder's socket closes, crashed
// or not. Abstract names belong to a network namespace: processes in separate network
// namespaces (some containers and sandboxes) do not see each other's locks; programs of
// one desktop share one.
struct PortLock::SystemLock
{
    int fd = -1;

    ~SystemLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace
{
OutputClaim::Standing refusedBecause(int error, juce::String& problem)
{
    if (error == EADDRINUSE)
        return OutputClaim::Standing::busy;

    problem = std::generic_category().message(error);
    return OutputClaim::Standing::unavailable;
}
} // namespace

PortLock::PortLock(const juce::MidiDeviceInfo& device)
    : systemLock(std::make_unique<SystemLock>())
{
    const auto name = nameFor(device).toStdString();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;

    // A leading NUL byte makes the name abstract; nameFor() keeps names well inside the room.
    if (name.size() + 1 > sizeof(address.sun_path))
    {
        standing = refusedBecause(ENAMETOOLONG, problem);
        return;
    }

    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());

    systemLock->fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (systemLock->fd < 0)
    {
        standing = refusedBecause(errno, problem);
        return;
    }

    if (::bind(systemLock->fd, reinterpret_cast<const sockaddr*>(&address), length) == 0)
    {
        standing = Standing::held;
        return;
    }

    standing = refusedBecause(errno, problem);
    ::close(systemLock->fd);
    systemLock->fd = -1;
}

PortLock::~PortLock() = default;
