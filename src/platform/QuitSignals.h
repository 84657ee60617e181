#pragma once

#include <functional>
#include <juce_core/juce_core.h>

/** Turns Ctrl-C (SIGINT) and SIGTERM into a call on the message thread while it lives, so
    that they close the program the way its own close does, instead of killing it in the
    middle of a message.

    The signal handler only writes a byte to a pipe that JUCE's run loop watches; the
    callback runs from the message loop. One instance at a time. */
class QuitSignals
{
public:
    explicit QuitSignals(std::function<void()> onSignal);
    ~QuitSignals();

private:
    std::function<void()> callback;
    int pipeEnds[2] = { -1, -1 };

    JUCE_DECLARE_NON_COPYABLE(QuitSignals)
};
