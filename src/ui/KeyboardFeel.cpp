#include "ui/KeyboardFeel.h"

namespace KeyboardFeel
{
namespace
{
class SpacePresses final : public juce::KeyListener
{
public:
    bool keyPressed(const juce::KeyPress& key, juce::Component* listenedTo) override
    {
        if (key != juce::KeyPress(juce::KeyPress::spaceKey) || listenedTo == nullptr)
            return false;

        auto* focused = juce::Component::getCurrentlyFocusedComponent();

        if (focused == nullptr || ! focused->isEnabled()
            || ! (focused == listenedTo || listenedTo->isParentOf(focused)))
            return false;

        // What Return does there, by the control's own way: a button clicks, a combo box
        // opens its list once any other list has closed.
        if (dynamic_cast<juce::Button*>(focused) != nullptr
            || dynamic_cast<juce::ComboBox*>(focused) != nullptr)
            return focused->keyPressed(juce::KeyPress(juce::KeyPress::returnKey));

        return false;
    }
};
} // namespace

juce::KeyListener& spacePresses()
{
    static SpacePresses listener;
    return listener;
}

//==============================================================================
FocusOrder::FocusOrder(const juce::Array<juce::Component*>& controlsInReadingOrder)
{
    for (auto* control : controlsInReadingOrder)
    {
        controls.add(control);
        control->setExplicitFocusOrder(controls.size());
        control->addComponentListener(this);
    }
}

FocusOrder::~FocusOrder()
{
    for (auto& control : controls)
        if (control != nullptr)
            control->removeComponentListener(this);
}

void FocusOrder::componentEnablementChanged(juce::Component& component)
{
    // This comes before JUCE takes the focus from a control being disabled, which would
    // leave it nowhere: no control shows it, and Tab has nothing to move on from.
    if (component.isEnabled() || ! component.hasKeyboardFocus(true))
        return;

    const auto index = controls.indexOf(&component);

    if (index < 0)
        return;

    for (int step = 1; step < controls.size() && component.hasKeyboardFocus(true); ++step)
        if (auto* next = controls.getReference((index + step) % controls.size()).getComponent())
            if (next->isShowing() && next->isEnabled())
                next->grabKeyboardFocus();
}

//==============================================================================
void FocusReturn::remember()
{
    previous = juce::Component::getCurrentlyFocusedComponent();

    // The window system tells the window that it lost the focus only some time after the
    // new window took it. By then no control of the window has the focus, so its peer
    // keeps an older one (the selector, from when its list was open) and hands the focus
    // to that one when the window is active again: after it was given back here. Told
    // now, the peer hands it to the same control as this.
    if (previous != nullptr)
        if (auto* peer = previous->getPeer())
            peer->handleFocusLoss();
}

void FocusReturn::giveBack()
{
    auto* target = previous.getComponent();
    previous = nullptr;

    if (target == nullptr)
        return;

    if (! target->isShowing() || ! target->isEnabled())
        target = target->getTopLevelComponent();

    if (target->isShowing())
        target->grabKeyboardFocus();
}
} // namespace KeyboardFeel
