#include "platform/QuitSignals.h"

#include <fcntl.h>
#include <juce_events/juce_events.h>
#include <unistd.h>

namespace
{
int signalWriteEnd = -1;

extern "C" void onQuitSignal(int signalNumber)
{
    // Only async-signal-safe work here; errno belongs to the code this interrupted.
    const auto savedErrno = errno;

    if (signalWriteEnd >= 0)
    {
        const auto byte = (char)signalNumber;
        [[maybe_unused]] const auto written = ::write(signalWriteEnd, &byte, 1);
    }

    errno = savedErrno;
}
} // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal, std::initializer_list<int> signalsToCatch)
    : callback(std::move(onSignal))
    , signals(signalsToCatch)
{
    jassert(signalWriteEnd < 0);

    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    juce::LinuxEventLoop::registerFdCallback(pipeEnds[0],
                                             [this](int fd)
                                             {
                                                 char buffer[16];
                                                 int first = 0;

                                                 for (ssize_t n;
                                                      (n = ::read(fd, buffer, sizeof(buffer))) > 0;)
                                                     if (first == 0)
                                                         first = (unsigned char)buffer[0];

                                                 if (callback && first != 0)
                                                     callback(first);
                                             });

    signalWriteEnd = pipeEnds[1];

    struct sigaction action
    {
    };
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;

    for (const auto signalNumber : signals)
    {
        struct sigaction previous
        {
        };
        ::sigaction(signalNumber, &action, &previous);
        previousActions.add(previous);
    }
}

QuitSignals::~QuitSignals()
{
    if (pipeEnds[0] < 0)
        return;

    for (int i = 0; i < signals.size(); ++i)
        ::sigaction(signals[i], &previousActions.getReference(i), nullptr);

    signalWriteEnd = -1;
    juce::LinuxEventLoop::unregisterFdCallback(pipeEnds[0]);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}
