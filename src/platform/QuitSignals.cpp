#include "platform/QuitSignals.h"

#include <csignal>
#include <fcntl.h>
#include <juce_events/juce_events.h>
#include <unistd.h>

namespace
{
int signalWriteEnd = -1;

extern "C" void onQuitSignal(int)
{
    // Only async-signal-safe work here.
    if (signalWriteEnd >= 0)
    {
        const char byte = 'q';
        [[maybe_unused]] const auto written = ::write(signalWriteEnd, &byte, 1);
    }
}

void setHandler(void (*handler)(int))
{
    struct sigaction action
    {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}
} // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal)
    : callback(std::move(onSignal))
{
    jassert(signalWriteEnd < 0);

    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    juce::LinuxEventLoop::registerFdCallback(pipeEnds[0],
                                             [this](int fd)
                                             {
                                                 char buffer[16];
                                                 while (::read(fd, buffer, sizeof(buffer)) > 0)
                                                 {
                                                 }

                                                 if (callback)
                                                     callback();
                                             });

    signalWriteEnd = pipeEnds[1];
    setHandler(onQuitSignal);
}

QuitSignals::~QuitSignals()
{
    if (pipeEnds[0] < 0)
        return;

    setHandler(SIG_DFL);
    signalWriteEnd = -1;
    juce::LinuxEventLoop::unregisterFdCallback(pipeEnds[0]);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}
