#include "app/ScreenReader.h"

#include "protocol/BasicSysexProtocolClass.h"

namespace ScreenReader
{
void tellSystem(const Event& event)
{
    if (event.kind == Event::Kind::announcement)
    {
        juce::AccessibilityHandler::postAnnouncement(event.text, event.priority);
        return;
    }

    // Progress arrives on the upload's thread, with the message thread locked: the system
    // hears of it on the message thread, as of every other change.
    const auto notify = [control = juce::Component::SafePointer<juce::Component>(event.component)]
    {
        if (control != nullptr)
            if (auto* handler = control->getAccessibilityHandler())
                handler->notifyAccessibilityEvent(juce::AccessibilityEvent::valueChanged);
    };

    if (juce::MessageManager::getInstance()->isThisTheMessageThread())
        notify();
    else
        juce::MessageManager::callAsync(notify);
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
std::vector<juce::Component*> ReadingOrder::getAllComponents(juce::Component* parent)
{
    std::vector<juce::Component*> all;

    if (parent == nullptr)
        return all;

    std::vector<juce::Component*> shown;

    for (auto* c : parent->getChildren())
        if (c->isVisible())
            shown.push_back(c);

    // As JUCE orders them: by explicit focus order, always-on-top first, then by position.
    const auto key = [](const juce::Component* c)
    {
        const auto order = c->getExplicitFocusOrder();
        return std::make_tuple(order > 0 ? order : std::numeric_limits<int>::max(),
                               c->isAlwaysOnTop() ? 0 : 1, c->getY(), c->getX());
    };
    std::stable_sort(shown.begin(), shown.end(),
                     [&](const juce::Component* a, const juce::Component* b) { return key(a) < key(b); });

    for (auto* c : shown)
    {
        all.push_back(c);

        if (! c->isFocusContainer())
            for (auto* below : getAllComponents(c))
                all.push_back(below);
    }

    return all;
}

juce::Component* ReadingOrder::getDefaultComponent(juce::Component* parent)
{
    const auto all = getAllComponents(parent);
    return all.empty() ? nullptr : all.front();
}

juce::Component* ReadingOrder::getNextComponent(juce::Component* current)
{
    return step(current, 1);
}

juce::Component* ReadingOrder::getPreviousComponent(juce::Component* current)
{
    return step(current, -1);
}

juce::Component* ReadingOrder::step(juce::Component* current, int delta)
{
    if (current == nullptr)
        return nullptr;

    auto* container = current->getParentComponent();

    while (container != nullptr && ! container->isFocusContainer()
           && container->getParentComponent() != nullptr)
        container = container->getParentComponent();

    const auto all = getAllComponents(container);
    const auto at = std::find(all.begin(), all.end(), current);

    if (at == all.end())
        return nullptr;

    const auto index = (int)std::distance(all.begin(), at) + delta;
    return juce::isPositiveAndBelow(index, (int)all.size()) ? all[(size_t)index] : nullptr;
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
