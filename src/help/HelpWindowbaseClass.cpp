#include "help/HelpWindowbaseClass.h"

#include "look/TitleBarColour.h"
#include "platform/AppIcon.h"

HelpWindowbaseClass::HelpWindowbaseClass()
    : juce::DocumentWindow("Help", WindowColours::background, juce::DocumentWindow::allButtons, true)
{
    setColour(WindowColours::titleBarColourId, WindowColours::titleBar);
    AppIcon::applyTo(*this);
}

HelpWindowbaseClass::~HelpWindowbaseClass() {}

void HelpWindowbaseClass::closeButtonPressed()
{
    setVisible(false);
}
