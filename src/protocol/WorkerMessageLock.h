#pragma once

#include <juce_events/juce_events.h>

/** The message-thread lock as a worker thread takes it step after step (the protocol
    thread, at every message of a pass), held in one lock object that lives as long as its
    owner: JUCE 7.0.5 builds its MessageManagerLock on the worker's stack, and the message
    thread may still be signalling it after the worker has left its scope (docs/performance.md
    tells how that was found). A lock object that outlives every step takes such a late
    signal harmlessly.

    Otherwise it behaves as MessageManagerLock(Thread*): the wait gives up when the given
    thread is told to stop. On the message thread, or on a thread that already holds the
    lock, it is gained at once and the shared lock object is not touched. The owner is
    destroyed on the message thread, after the worker has ended. */
class WorkerMessageLock final
{
public:
    WorkerMessageLock() = default;

    /** Holds the lock for its scope, when it could be gained. */
    class Scoped final : private juce::Thread::Listener
    {
    public:
        Scoped(WorkerMessageLock& owner, juce::Thread* threadToCheck);
        ~Scoped() override;

        bool lockWasGained() const noexcept { return gained; }

    private:
        void exitSignalSent() override;

        const juce::MessageManager::Lock& lock;
        bool entered = false;
        bool gained = false;

        JUCE_DECLARE_NON_COPYABLE(Scoped)
    };

private:
    juce::MessageManager::Lock lock;

    JUCE_DECLARE_NON_COPYABLE(WorkerMessageLock)
};
