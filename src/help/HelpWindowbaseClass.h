#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The window every help variant is built on: a desktop window named "Help", in the
    program's colours, with all three title-bar buttons. It is on the desktop from
    construction on but stays invisible until shown. Closing it, by its close button or
    by the system, only hides it, so its owner can show the same window again. Message
    thread only. */
class HelpWindowbaseClass : public juce::DocumentWindow
{
public:
    HelpWindowbaseClass();
    ~HelpWindowbaseClass() override;

    /** Hides the window; DocumentWindow routes the system's close request here too. */
    void closeButtonPressed() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(HelpWindowbaseClass)
};
