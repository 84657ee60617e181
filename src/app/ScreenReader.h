#pragma once

#include "protocol/UploadOutcome.h"

#include <functional>
#include <juce_gui_basics/juce_gui_basics.h>

/** What the program tells a screen reader beyond what the reader finds in the controls
    themselves: announcements, and a control's value having changed.

    By default both go to the system through JUCE's accessibility bridge (UI Automation on
    Windows; JUCE 7.0.5 has no bridge on Linux, where they go nowhere). Tests put a
    recipient of their own in its place for a while. */
namespace ScreenReader
{
using Priority = juce::AccessibilityHandler::AnnouncementPriority;

struct Event
{
    enum class Kind
    {
        announcement,
        valueChanged
    };

    Kind kind = Kind::announcement;
    juce::String text; // an announcement's words
    Priority priority = Priority::medium;
    juce::Component* component = nullptr; // whose value changed
};

using Recipient = std::function<void(const Event&)>;

/** The default recipient: hands the event to JUCE. */
void tellSystem(const Event& event);

/** Has the text read out. Message thread. */
void announce(const juce::String& text, Priority priority);

/** Tells the reader that the control's value changed. On the message thread, or on a thread
    that has it locked. */
void valueChanged(juce::Component& control);

/** Puts a recipient in place of the current one for as long as this object lives. */
class ScopedRecipient
{
public:
    explicit ScopedRecipient(Recipient recipientToUse);
    ~ScopedRecipient();

private:
    Recipient previous;

    JUCE_DECLARE_NON_COPYABLE(ScopedRecipient)
};

//==============================================================================
/** The order a screen reader goes through a window's controls: JUCE's own, but keeping
    the controls that are disabled for now, which the reader gives as unavailable. JUCE's
    order leaves them out, and with them "update" until an output is chosen. */
class ReadingOrder final : public juce::ComponentTraverser
{
public:
    juce::Component* getDefaultComponent(juce::Component* parent) override;
    juce::Component* getNextComponent(juce::Component* current) override;
    juce::Component* getPreviousComponent(juce::Component* current) override;
    std::vector<juce::Component*> getAllComponents(juce::Component* parent) override;

private:
    juce::Component* step(juce::Component* current, int delta);
};

//==============================================================================
/** Tells a screen reader that an update started and, once, how it ended: the reader hears
    nothing of a pass otherwise unless a box takes the focus. Message thread. */
class UpdateAnnouncer
{
public:
    static const juce::String startedText;

    /** A pass was just started. */
    void passStarted();

    /** The protocol's outcome and status, as the update screen hears them. Ignored off the
        message thread, where progress arrives with the message thread locked. */
    void statusChanged(const UploadOutcome& outcome, const juce::String& status);

private:
    bool passEnded = true;
};
} // namespace ScreenReader
