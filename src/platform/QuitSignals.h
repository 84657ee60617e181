#pragma once

#include <csignal>
#include <functional>
#include <juce_core/juce_core.h>
#include <memory>

/** Turns the stop signals (Ctrl-C, a hang-up, SIGTERM), or the signals given, into a call
    on the message thread while it lives, so that they close the program the way its own
    close does, instead of killing it in the middle of a message.

    The signals are kept blocked in every thread (see keepFromEveryThread()) and read on
    the message thread through a descriptor that JUCE's run loop watches, so no thread is
    ever interrupted by one: a worker's pause runs its full length. Should a thread have
    them unblocked after all, a handler that only writes the signal's number to a pipe
    the run loop also watches takes them. The callback runs once for each wake-up, with
    the first signal that arrived. When it goes, each signal gets back the handling it had
    before. One instance at a time.

    On Windows a console's Ctrl-C and Ctrl-Break (SIGINT and SIGBREAK) arrive through a
    console control handler instead, on a thread of the system's, which posts the call to
    the message thread; when it goes, the console's earlier handling applies again. */
class QuitSignals
{
public:
    /** The signals that ask this program to stop on this system, in the order the help
        names them. */
    static juce::Array<int> stopSignals();

    /** What a user does to send it, as the help says it: "Ctrl-C", "a hang-up", ... */
    static juce::String nameOf(int signalNumber);

    /** From now until the program ends, a stop signal is only noted, for noted() to tell;
        an instance of this class takes them while it lives and puts this back after. */
    static void noteFromNowOn();

    /** The first stop signal noted since noteFromNowOn(), or one waiting while the stop
        signals are blocked (for a reader of their own); 0 when none came. */
    static int noted();

    /** Blocks the stop signals in the calling thread, and so in every thread it starts
        from then on. Call it first thing in the process, before any thread exists; an
        instance of this class then reads them. Nothing to do on Windows. */
    static void keepFromEveryThread();

    explicit QuitSignals(std::function<void(int signalNumber)> onSignal,
                         const juce::Array<int>& signalsToCatch = stopSignals());
    ~QuitSignals();

#if JUCE_WINDOWS
    /** What the console's handler reaches while this lives. */
    struct Receiver;

private:
    std::shared_ptr<Receiver> receiver;
#else
private:
    std::function<void(int)> callback;
    int pipeEnds[2] = { -1, -1 };
    int signalDescriptor = -1;
    juce::Array<int> signals;
    juce::Array<struct sigaction> previousActions;

    void deliver(int signalNumber);
#endif

    JUCE_DECLARE_NON_COPYABLE(QuitSignals)
};
