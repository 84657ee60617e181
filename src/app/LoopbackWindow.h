#pragma once

#include "app/LoopbackPanel.h"
#include "help/HelpWindowbaseClass.h"

/** The interface test's window, in the help window's look and with its keyboard habits:
    Escape or the close button hide it, and stop a test that is running. Message thread. */
class LoopbackWindow final : public HelpWindowbaseClass
{
public:
    static const juce::String titleText;

    LoopbackWindow(const juce::String& outputName, std::vector<size_t> imageLengths);

    LoopbackPanel& getPanel() { return *panel; }

    void closeButtonPressed() override;

private:
    LoopbackPanel* panel; // owned by the window, as its content

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(LoopbackWindow)
};
