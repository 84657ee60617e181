#include "app/ScreenReader.h"

#include "protocol/BasicSysexProtocolClass.h"

namespace ScreenReader
{
void tellSystem(const Event& event)
{
    if (event.kind == Event::Kind::announcement)
        juce::AccessibilityHandler::postAnnouncement(event.text, event.priority);
    else if (event.component != nullptr)
        if (auto* handler = event.component->getAccessibilityHandler())
            handler->notifyAccessibilityEvent(juce::AccessibilityEvent::valueChanged);
}

namespace
{
Recipient& currentRecipient()
{
    static Recipient recipient { tellSystem };
    return recipient;
}

void tell(const Event& event)
{
    // A copy, so that a recipient may replace itself while it runs.
    const auto recipient = currentRecipient();
    recipient(event);
}
} // namespace

void announce(const juce::String& text, Priority priority)
{
    tell({ Event::Kind::announcement, text, priority, nullptr });
}

void valueChanged(juce::Component& control)
{
    tell({ Event::Kind::valueChanged, {}, Priority::low, &control });
}

ScopedRecipient::ScopedRecipient(Recipient recipientToUse)
    : previous(std::exchange(currentRecipient(), std::move(recipientToUse)))
{
}

ScopedRecipient::~ScopedRecipient()
{
    currentRecipient() = std::move(previous);
}

//==============================================================================
const juce::String UpdateAnnouncer::startedText = "Update started";

void UpdateAnnouncer::passStarted()
{
    passEnded = false;
    announce(startedText, Priority::medium);
}

void UpdateAnnouncer::statusChanged(const UploadOutcome& outcome, const juce::String& status)
{
    if (passEnded || ! juce::MessageManager::getInstance()->isThisTheMessageThread())
        return;

    // The status text is what the screen shows; a failure's headline is what its line shows.
    if (outcome.state == UploadOutcome::State::completed)
        announce(status, Priority::high);
    else if (outcome.isFailure())
        announce(BasicSysexProtocolClass::headline(status), Priority::high);
    else
        return;

    passEnded = true;
}
} // namespace ScreenReader
