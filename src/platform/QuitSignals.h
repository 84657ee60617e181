#pragma once

#include <csignal>
#include <functional>
#include <initializer_list>
#include <juce_core/juce_core.h>

/** Turns Ctrl-C (SIGINT) and SIGTERM, or the signals given, into a call on the message
    thread while it lives, so that they close the program the way its own close does,
    instead of killing it in the middle of a message.

    The signal handler only writes the signal's number to a pipe that JUCE's run loop
    watches; the callback runs from the message loop, once for each wake-up, with the
    first signal that arrived. When it goes, each signal gets back the handling it had
    before. One instance at a time. */
class QuitSignals
{
public:
    explicit QuitSignals(std::function<void(int signalNumber)> onSignal,
                         std::initializer_list<int> signalsToCatch = { SIGINT, SIGTERM });
    ~QuitSignals();

private:
    std::function<void(int)> callback;
    int pipeEnds[2] = { -1, -1 };
    juce::Array<int> signals;
    juce::Array<struct sigaction> previousActions;

    JUCE_DECLARE_NON_COPYABLE(QuitSignals)
};
