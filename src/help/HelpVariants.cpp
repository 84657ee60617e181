#include "help/HelpVariants.h"

HelpWindowContentComp::HelpWindowContentComp(const juce::String& helpText)
{
    addAndMakeVisible(editor);
    editor.setMultiLine(true, true);
    editor.setReadOnly(true);
    editor.setText(helpText);
}

HelpWindowContentComp::~HelpWindowContentComp() {}

void HelpWindowContentComp::resized()
{
    editor.setBounds(0, 0, getWidth(), getHeight());
}
