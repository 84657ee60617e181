#include "help/HelpWindowbaseClass.h"

#include "look/TitleBarColour.h"

HelpWindowbaseClass::HelpWindowbaseClass()
    : juce::DocumentWindow("Help", WindowColours::background, juce::DocumentWindow::allButtons, true)
{
    setColour(WindowColours::titleBarColourId, WindowColours::titleBar);
}

HelpWindowbaseClass::~HelpWindowbaseClass() {}

void HelpWindowbaseClass::closeButtonPressed()
{
    setVisible(false);
}
