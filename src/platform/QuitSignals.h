#pragma once

#include <csignal>
#include <functional>
#include <initializer_list>
#include <juce_core/juce_core.h>
#include <memory>

/** Turns Ctrl-C (SIGINT) and SIGTERM, or the signals given, into a call on the message
    thread while it lives, so that they close the program the way its own close does,
    instead of killing it in the middle of a message.

    The signal handler only writes the signal's number to a pipe that JUCE's run loop
    watches; the callback runs from the message loop, once for each wake-up, with the
    first signal that arrived. When it goes, each signal gets back the handling it had
    before. One instance at a time.

    On Windows a console's Ctrl-C and Ctrl-Break (SIGINT and SIGBREAK) arrive through a
    console control handler instead, on a thread of the system's, which posts the call to
    the message thread; when it goes, the console's earlier handling applies again. */
class QuitSignals
{
public:
    explicit QuitSignals(std::function<void(int signalNumber)> onSignal,
                         std::initializer_list<int> signalsToCatch = { SIGINT, SIGTERM });
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
    juce::Array<int> signals;
    juce::Array<struct sigaction> previousActions;
#endif

    JUCE_DECLARE_NON_COPYABLE(QuitSignals)
};
