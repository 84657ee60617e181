#include "platform/QuitSignals.h"

#include <juce_events/juce_events.h>
#include <mutex>
#include <windows.h>

struct QuitSignals::Receiver
{
    std::function<void(int)> callback;
    juce::Array<int> signals;
};

namespace
{
volatile std::sig_atomic_t firstNoted = 0;

extern "C" void noteStop(int signalNumber)
{
    if (firstNoted == 0)
        firstNoted = signalNumber;
}

std::mutex currentLock;
std::weak_ptr<QuitSignals::Receiver> current;

int signalFor(DWORD event)
{
    switch (event)
    {
        case CTRL_C_EVENT:
            return SIGINT;
        case CTRL_BREAK_EVENT:
            return SIGBREAK;
        default:
            return 0; // closing the console, logging off: Windows ends the process anyway
    }
}

/** Runs on a thread the system starts for the event: the call is posted to the message
    thread, where it finds the receiver only if it still lives. */
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const auto signalNumber = signalFor(event);
    const std::lock_guard<std::mutex> lock(currentLock);
    const auto receiver = current.lock();

    if (receiver == nullptr || signalNumber == 0 || ! receiver->signals.contains(signalNumber))
        return FALSE; // the next handler, in the end the C runtime's, decides

    juce::MessageManager::callAsync(
        [weak = std::weak_ptr<QuitSignals::Receiver>(receiver), signalNumber]
        {
            if (const auto alive = weak.lock(); alive != nullptr && alive->callback)
                alive->callback(signalNumber);
        });
    return TRUE;
}
} // namespace

juce::Array<int> QuitSignals::stopSignals()
{
    return { SIGINT, SIGBREAK };
}

juce::String QuitSignals::nameOf(int signalNumber)
{
    return signalNumber == SIGINT ? "Ctrl-C" : "Ctrl-Break";
}

void QuitSignals::noteFromNowOn()
{
    for (const auto signalNumber : stopSignals())
        std::signal(signalNumber, noteStop);
}

int QuitSignals::noted()
{
    return firstNoted;
}

void QuitSignals::keepFromEveryThread()
{
    // Console events come on a thread of the system's own; no thread of ours is woken.
}

QuitSignals::QuitSignals(std::function<void(int)> onSignal, const juce::Array<int>& signalsToCatch)
    : receiver(std::make_shared<Receiver>(Receiver { std::move(onSignal), signalsToCatch }))
{
    const std::lock_guard<std::mutex> lock(currentLock);
    jassert(current.expired());
    current = receiver;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

QuitSignals::~QuitSignals()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    const std::lock_guard<std::mutex> lock(currentLock);
    current.reset();
}
