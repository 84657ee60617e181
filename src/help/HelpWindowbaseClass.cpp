#include "help/HelpWindowbaseClass.h"

#include "look/TitleBarColour.h"
#include "ui/AppIcon.h"

HelpWindowbaseClass::HelpWindowbaseClass()
    : juce::DocumentWindow("Help", WindowColours::background, juce::DocumentWindow::allButtons, true)
{
    setColour(WindowColours::titleBarColourId, WindowColours::titleBar);
    AppIcon::applyTo(*this);

    // The window passes the focus on to its text, where it shows, rather than keeping it
    // itself, where nothing would.
    setWantsKeyboardFocus(false);
    addKeyListener(&KeyboardFeel::spacePresses());
    letTitleBarButtonsTakeTheFocus();
}

HelpWindowbaseClass::~HelpWindowbaseClass() {}

void HelpWindowbaseClass::closeButtonPressed()
{
    const auto hadFocus = hasKeyboardFocus(true);
    setVisible(false);

    if (hadFocus)
        focusReturn.giveBack();
}

bool HelpWindowbaseClass::keyPressed(const juce::KeyPress& key)
{
    if (key == juce::KeyPress(juce::KeyPress::escapeKey))
    {
        closeButtonPressed();
        return true;
    }

    return juce::DocumentWindow::keyPressed(key);
}

void HelpWindowbaseClass::lookAndFeelChanged()
{
    juce::DocumentWindow::lookAndFeelChanged();
    letTitleBarButtonsTakeTheFocus();
}

void HelpWindowbaseClass::visibilityChanged()
{
    // Remembered before the window, being shown, takes the focus.
    if (isVisible() && ! hasKeyboardFocus(true))
        focusReturn.remember();

    juce::DocumentWindow::visibilityChanged();
}

void HelpWindowbaseClass::letTitleBarButtonsTakeTheFocus()
{
    // DocumentWindow keeps its title-bar buttons out of the focus; here they are the
    // window's only buttons, so a keyboard user must be able to reach them.
    for (auto* button : { getMinimiseButton(), getMaximiseButton(), getCloseButton() })
        if (button != nullptr)
            button->setWantsKeyboardFocus(true);
}
