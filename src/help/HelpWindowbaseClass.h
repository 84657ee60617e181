#pragma once

#include "ui/KeyboardFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The window every help variant is built on: a desktop window named "Help", in the
    program's colours, with all three title-bar buttons. It is on the desktop from
    construction on but stays invisible until shown. Closing it, by its close button, by
    Escape or by the system, only hides it, so its owner can show the same window again.

    On the keyboard, Tab goes from the text to the title-bar buttons and back, Space and
    Return press them, and when the window is closed while it has the focus, the focus
    goes back to where it was before the window was shown. Message thread only. */
class HelpWindowbaseClass : public juce::DocumentWindow
{
public:
    HelpWindowbaseClass();
    ~HelpWindowbaseClass() override;

    /** Hides the window; DocumentWindow routes the system's close request here too. */
    void closeButtonPressed() override;

    /** Escape closes the window. */
    bool keyPressed(const juce::KeyPress& key) override;

    /** The title-bar buttons are made anew with each look-and-feel. */
    void lookAndFeelChanged() override;

    void visibilityChanged() override;

private:
    KeyboardFeel::FocusReturn focusReturn;

    void letTitleBarButtonsTakeTheFocus();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(HelpWindowbaseClass)
};
