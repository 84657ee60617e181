#include "help/HelpVariants.h"

HelpWindowContentComp::HelpWindowContentComp(const juce::String& helpText)
{
    addAndMakeVisible(editor);
    editor.setMultiLine(true, true);
    editor.setReadOnly(true);
    editor.setText(helpText);

    // Read before the title-bar buttons: the window opens with the focus on the text.
    setExplicitFocusOrder(1);
}

HelpWindowContentComp::~HelpWindowContentComp() {}

void HelpWindowContentComp::resized()
{
    editor.setBounds(0, 0, getWidth(), getHeight());
}
