#include "app/LoopbackWindow.h"

const juce::String LoopbackWindow::titleText = "Test the interface";

LoopbackWindow::LoopbackWindow(const juce::String& outputName, std::vector<size_t> imageLengths)
    : panel(new LoopbackPanel(outputName, std::move(imageLengths)))
{
    setName(titleText);
    setContentOwned(panel, true);
    setResizable(false, false);
}

void LoopbackWindow::closeButtonPressed()
{
    panel->stop();
    HelpWindowbaseClass::closeButtonPressed();
}
