#include "protocol/WorkerMessageLock.h"

WorkerMessageLock::Scoped::Scoped(WorkerMessageLock& owner, juce::Thread* threadToCheck)
    : lock(owner.lock)
{
    if (juce::MessageManager::existsAndIsLockedByCurrentThread())
    {
        gained = true;
        return;
    }

    if (threadToCheck != nullptr)
        threadToCheck->addListener(this);

    // A try can give up without cause (an abort left over from an earlier stop request),
    // so it is tried again for as long as the thread may go on. One that gives up again
    // at once finds a message manager that takes no more messages (it is quitting, and the
    // thread is about to be told to stop): the next try waits a little instead of spinning.
    for (int tries = 0; threadToCheck == nullptr || ! threadToCheck->threadShouldExit(); ++tries)
    {
        if (lock.tryEnter())
        {
            entered = true;
            break;
        }

        if (tries > 0)
            juce::Thread::sleep(1);
    }

    if (threadToCheck != nullptr)
        threadToCheck->removeListener(this);

    gained = entered && (threadToCheck == nullptr || ! threadToCheck->threadShouldExit());
}

WorkerMessageLock::Scoped::~Scoped()
{
    if (entered)
        lock.exit();
}

void WorkerMessageLock::Scoped::exitSignalSent()
{
    lock.abort();
}
