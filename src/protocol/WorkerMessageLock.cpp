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
    // so it is tried again for as long as the thread may go on.
    while (threadToCheck == nullptr || ! threadToCheck->threadShouldExit())
    {
        if (lock.tryEnter())
        {
            entered = true;
            break;
        }
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
