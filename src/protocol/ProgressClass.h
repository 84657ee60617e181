#pragma once

#include "protocol/UploadOutcome.h"
#include "protocol/WorkerMessageLock.h"

#include <juce_events/juce_events.h>

class ProtocolBaseClass;

/** How far an update has got and what it is doing, for the update screen.

    A new progress value is announced synchronously, on the calling thread, while the
    message thread is locked out; a new status text is posted to the message thread. A
    listener re-reads both values on every notification. */
class ProgressClass : public juce::ChangeBroadcaster
{
public:
    explicit ProgressClass(ProtocolBaseClass* owner);
    ~ProgressClass() override;

    /** Stores the value rounded to hundredths (halves to even) and, when the hundredths
        changed, notifies the listeners at once under the message-thread lock. On the
        protocol thread, a stop request ends the wait for that lock and the notification is
        skipped. Message thread or protocol thread. */
    void setProgress(double newValue);

    /** The fraction done, 0.0 to 1.0, in hundredths. Any thread. */
    double getProgress() const;

    /** Stores the text and, when it changed, posts a notification. Any thread. */
    void setStatusText(const juce::String& newText);

    /** The current status line. Any thread. */
    juce::String getStatusText() const;

    /** Stores the text and the outcome it tells of together, and posts a notification
        when either changed. Any thread. */
    void setStatus(const juce::String& newText, UploadOutcome newOutcome);

    /** How the pass stands, set together with the status text. Any thread. */
    UploadOutcome getOutcome() const;

    /** The protocol this progress belongs to. */
    ProtocolBaseClass* getOwner() const noexcept { return owner; }

protected:
    /** The message-thread lock of the protocol thread's steps: the progress notice here,
        and whatever else a step does on the message thread's behalf. */
    WorkerMessageLock messageThreadLock;

private:
    juce::String statusText;
    UploadOutcome outcome;
    double progressValue = 0.0;
    ProtocolBaseClass* owner;

    // Guards the values across threads; held only while copying them, never while
    // notifying or taking another lock.
    juce::CriticalSection valueLock;

    JUCE_DECLARE_NON_COPYABLE(ProgressClass)
};
