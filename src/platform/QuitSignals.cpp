#include "platform/QuitSignals.h"

#include <fcntl.h>
#include <juce_events/juce_events.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{
int signalWriteEnd = -1;
volatile std::sig_atomic_t firstNoted = 0;

extern "C" void noteStop(int signalNumber)
{
    if (firstNoted == 0)
        firstNoted = signalNumber;
}

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

int signalIn(const signalfd_siginfo& info)
{
    return (int)info.ssi_signo;
}

int signalIn(unsigned char byte)
{
    return byte;
}

// Reads all that waits on the descriptor, a record per signal; the first signal, or 0.
template <typename Record> int readFirst(int fd)
{
    Record records[8];
    int first = 0;

    for (ssize_t n; (n = ::read(fd, records, sizeof(records))) > 0;)
        if (first == 0)
            first = signalIn(records[0]);

    return first;
}

sigset_t setOf(const juce::Array<int>& signals)
{
    sigset_t set;
    sigemptyset(&set);

    for (const auto signalNumber : signals)
        sigaddset(&set, signalNumber);

    return set;
}
} // namespace

juce::Array<int> QuitSignals::stopSignals()
{
    return { SIGINT, SIGHUP, SIGTERM };
}

juce::String QuitSignals::nameOf(int signalNumber)
{
    return signalNumber == SIGINT ? "Ctrl-C" : signalNumber == SIGHUP ? "a hang-up" : "SIGTERM";
}

void QuitSignals::noteFromNowOn()
{
    for (const auto signalNumber : stopSignals())
        std::signal(signalNumber, noteStop);
}

int QuitSignals::noted()
{
    sigset_t pending;

    if (firstNoted == 0 && ::sigpending(&pending) == 0)
        for (const auto signalNumber : stopSignals())
            if (::sigismember(&pending, signalNumber) == 1)
                return signalNumber;

    return firstNoted;
}

void QuitSignals::keepFromEveryThread()
{
    const auto set = setOf(stopSignals());
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

QuitSignals::QuitSignals(std::function<void(int)> onSignal, const juce::Array<int>& signalsToCatch)
    : callback(std::move(onSignal))
    , signals(signalsToCatch)
{
    jassert(signalWriteEnd < 0);

    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    // Blocked here too, for a process that did not block them at its start; one that
    // arrived before now is read at once.
    const auto set = setOf(signals);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signalDescriptor = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);

    if (signalDescriptor >= 0)
        juce::LinuxEventLoop::registerFdCallback(signalDescriptor, [this](int fd)
                                                 { deliver(readFirst<signalfd_siginfo>(fd)); });

    juce::LinuxEventLoop::registerFdCallback(pipeEnds[0],
                                             [this](int fd) { deliver(readFirst<unsigned char>(fd)); });

    signalWriteEnd = pipeEnds[1];

    // A handler, never an ignored signal: an ignored one would be thrown away before the
    // descriptor could read it.
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

    // The signals stay blocked: one that comes while the program ends waits, harmless,
    // until the end.
    for (int i = 0; i < signals.size(); ++i)
        ::sigaction(signals[i], &previousActions.getReference(i), nullptr);

    if (signalDescriptor >= 0)
    {
        juce::LinuxEventLoop::unregisterFdCallback(signalDescriptor);
        ::close(signalDescriptor);
    }

    signalWriteEnd = -1;
    juce::LinuxEventLoop::unregisterFdCallback(pipeEnds[0]);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

void QuitSignals::deliver(int signalNumber)
{
    if (callback && signalNumber != 0)
        callback(signalNumber);
}
