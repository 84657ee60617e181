#pragma once

#include <juce_events/juce_events.h>

/** The message-thread lock as a worker thread takes it step after step (the protocol
    thread, at every message of a pass), held in one lock object that lives as long as its
    owner.

    JUCE 7.0.5's MessageManagerLock is built on the stack of the thread that takes it. The
    message thread grants it by setting a flag and then signalling an event inside the lock
    object; the worker can see the flag, do its step, leave the scope and build its next
    lock in the same place while the message thread is still inside that signal, whose
    late unlock then writes into the worker's stack (ThreadSanitizer reports the race, and
    an upload thread was seen to crash on a return address cut to its lower half). A lock
    object that outlives every step takes such a late signal harmlessly.

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
