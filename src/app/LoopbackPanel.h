#pragma once

#include "app/QuietProgressBar.h"
#include "midi/PortSelector.h"
#include "protocol/LoopbackTest.h"
#include "ui/KeyboardFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>
#include <vector>

/** What the interface test window shows: how to cable the interface, the output and
    input selectors, the start button (a stop button while the test runs), a progress bar
    and the verdict, in reading order for Tab. The verdict is also announced to a screen
    reader. Message thread only. */
class LoopbackPanel final : public juce::Component, private juce::ChangeListener, private juce::Timer
{
public:
    /** outputName: the output to preselect (the one the update used); imageLengths: the
        lengths of the image's messages, which size the series. */
    LoopbackPanel(const juce::String& outputName, std::vector<size_t> imageLengths);
    ~LoopbackPanel() override;

    static const juce::String startText, stopText, cablingText, testingText;

    /** Stops a running test, which ends without a verdict. */
    void stop();

    bool isTesting() const;

    /** The verdict, or why there is none; empty before a test has ended. */
    juce::String getVerdictText() const { return verdictLabel.getText(); }

    void resized() override;
    void paint(juce::Graphics& g) override;

private:
    juce::Label cablingLabel, outputLabel, inputLabel, verdictLabel;
    PortSelector outputSelector, inputSelector;
    juce::TextButton startButton { startText };
    double progress = 0.0;
    QuietProgressBar progressBar { progress };
    juce::Array<juce::MidiDeviceInfo> outputs, inputs;
    const std::vector<size_t> lengths;
    std::unique_ptr<LoopbackTest> test;
    std::unique_ptr<KeyboardFeel::FocusOrder> focusOrder;

    void readPorts(bool inputsToo);

    void readPorts(bool inputsToo, const juce::String& chosen);
    void start();
    void changeListenerCallback(juce::ChangeBroadcaster*) override;
    void timerCallback() override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(LoopbackPanel)
};
