#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** What the program's windows do for a user on the keyboard alone, beyond JUCE's own Tab
    and Return. JUCE 7 offers no screen reader on Linux, so the keyboard is the access the
    program can give there: the focus must always be on a control the user can see and
    use. Message thread, or a thread holding the message-manager lock. */
namespace KeyboardFeel
{
/** A key listener that makes Space press the focused button, as Return does, and open
    the focused combo box's list (the desktop's habit). Add it to a window, or to the
    component that holds the controls: it acts on the focused control inside it. One
    instance serves every window. */
juce::KeyListener& spacePresses();

/** Controls in the order the screen is read: Tab and Shift+Tab go through them in that
    order, and when the control that has the focus is disabled, the focus moves on to the
    next enabled one instead of vanishing, as it would by JUCE's default. A control may
    be a component that holds the focusable one (a selector with its label). The controls
    must be siblings; they may be deleted before this object. */
class FocusOrder final : private juce::ComponentListener
{
public:
    explicit FocusOrder(const juce::Array<juce::Component*>& controlsInReadingOrder);
    ~FocusOrder() override;

private:
    void componentEnablementChanged(juce::Component& component) override;

    juce::Array<juce::Component::SafePointer<juce::Component>> controls;

    JUCE_DECLARE_NON_COPYABLE(FocusOrder)
};

/** Where the keyboard focus was before a window took it, so that the window can give it
    back when it closes. */
class FocusReturn
{
public:
    /** Remembers the component that has the keyboard focus now, if any, and takes the
        focus from it: call it just before the new window takes the focus. */
    void remember();

    /** Gives the focus back to the remembered component; when that can no longer take
        it (deleted, hidden or disabled), to the first control of its window. */
    void giveBack();

private:
    juce::Component::SafePointer<juce::Component> previous;
};
} // namespace KeyboardFeel
