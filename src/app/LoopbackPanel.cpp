#include "app/LoopbackPanel.h"

#include "MidiLimits.h"
#include "app/ScreenReader.h"
#include "midi/PortNames.h"

const juce::String LoopbackPanel::startText = "Start the test";
const juce::String LoopbackPanel::cablingText
    = "Unplug the pedal and cable the interface's MIDI Out to its own MIDI In. The test sends a "
      "series of test messages (never firmware) and checks what comes back.";
const juce::String LoopbackPanel::testingText = "Testing...";
const juce::String LoopbackPanel::stopText = "Stop the test";

namespace
{
/** Fills the selector with the ports' readable names and chooses the one called wanted,
    else the first. */
void fill(PortSelector& selector, const juce::Array<juce::MidiDeviceInfo>& devices,
          const juce::String& wanted)
{
    selector.clear(juce::dontSendNotification);
    int chosen = devices.isEmpty() ? 0 : 1;

    for (int i = 0; i < devices.size(); ++i)
    {
        selector.addItem(PortNames::readable(devices[i].name), i + 1);

        if (devices[i].name == wanted)
            chosen = i + 1;
    }

    selector.setSelectedId(chosen, juce::dontSendNotification);
}
} // namespace

LoopbackPanel::LoopbackPanel(const juce::String& outputName, std::vector<size_t> imageLengths)
    : lengths(std::move(imageLengths))
{
    cablingLabel.setText(cablingText, juce::dontSendNotification);
    outputLabel.setText("MIDI output:", juce::dontSendNotification);
    inputLabel.setText("MIDI input:", juce::dontSendNotification);
    outputLabel.attachToComponent(&outputSelector, true);
    inputLabel.attachToComponent(&inputSelector, true);
    outputSelector.setName("Output");
    inputSelector.setName("Input");
    outputSelector.setTitle("MIDI output");
    inputSelector.setTitle("MIDI input");
    verdictLabel.setName("Verdict");
    verdictLabel.setTitle("Verdict");
    verdictLabel.setJustificationType(juce::Justification::topLeft);

    for (auto* c : std::initializer_list<juce::Component*> { &cablingLabel, &outputSelector, &inputSelector,
                                                             &startButton, &progressBar, &verdictLabel })
        addAndMakeVisible(c);

    // The ports are read afresh as a list opens, the output's choice kept by name.
    outputSelector.onListAboutToOpen = [this] { readPorts(false); };
    inputSelector.onListAboutToOpen = [this] { readPorts(true); };
    readPorts(false, outputName);
    // An interface's input usually has its output's name.
    readPorts(true, outputName);

    startButton.onClick = [this] { isTesting() ? stop() : start(); };
    addKeyListener(&KeyboardFeel::spacePresses());
    focusOrder = std::make_unique<KeyboardFeel::FocusOrder>(
        juce::Array<juce::Component*> { &outputSelector, &inputSelector, &startButton });
    setSize(460, 240);
}

LoopbackPanel::~LoopbackPanel()
{
    if (test != nullptr)
        test->removeChangeListener(this);
}

void LoopbackPanel::readPorts(bool inputsToo)
{
    const auto& devices = inputsToo ? inputs : outputs;
    const auto& selector = inputsToo ? inputSelector : outputSelector;
    readPorts(inputsToo, devices[selector.getSelectedId() - 1].name);
}

void LoopbackPanel::readPorts(bool inputsToo, const juce::String& chosen)
{
    auto& selector = inputsToo ? inputSelector : outputSelector;
    auto& devices = inputsToo ? inputs : outputs;
    devices = inputsToo ? juce::MidiInput::getAvailableDevices() : juce::MidiOutput::getAvailableDevices();
    fill(selector, devices, chosen);
}

bool LoopbackPanel::isTesting() const
{
    return test != nullptr && ! test->isFinished();
}

void LoopbackPanel::stop()
{
    if (test != nullptr)
        test->stop();
}

void LoopbackPanel::start()
{
    const auto output = outputs[outputSelector.getSelectedId() - 1];
    const auto input = inputs[inputSelector.getSelectedId() - 1];

    if (output.identifier.isEmpty() || input.identifier.isEmpty())
    {
        verdictLabel.setText("Choose a MIDI output and a MIDI input first.", juce::dontSendNotification);
        ScreenReader::announce(verdictLabel.getText(), ScreenReader::Priority::high);
        return;
    }

    if (test != nullptr)
        test->removeChangeListener(this);

    test = std::make_unique<LoopbackTest>(output, input,
                                          LoopbackSeries::quick(lengths, systemMidiLargestSysex));
    test->addChangeListener(this);
    progress = 0.0;
    verdictLabel.setText(testingText, juce::dontSendNotification);

    // The selectors wait while the test runs; the button, which keeps the focus, stops it.
    outputSelector.setEnabled(false);
    inputSelector.setEnabled(false);
    startButton.setButtonText(stopText);

    test->start();
    startTimer(100);
}

void LoopbackPanel::timerCallback()
{
    if (test != nullptr)
    {
        progress = test->getProgress();
        progressBar.progressChanged();
        progressBar.repaint();
    }
}

void LoopbackPanel::changeListenerCallback(juce::ChangeBroadcaster*)
{
    if (test == nullptr || ! test->isFinished())
        return;

    stopTimer();
    timerCallback();
    const auto verdict = test->describe();
    verdictLabel.setText(test->getOutcome() == LoopbackTest::Outcome::judged ? "Verdict: " + verdict
                                                                             : verdict,
                         juce::dontSendNotification);

    outputSelector.setEnabled(true);
    inputSelector.setEnabled(true);
    startButton.setButtonText(startText);

    ScreenReader::announce(verdictLabel.getText(), ScreenReader::Priority::high);
}

void LoopbackPanel::paint(juce::Graphics& g)
{
    g.fillAll(findColour(juce::ResizableWindow::backgroundColourId));
}

void LoopbackPanel::resized()
{
    auto area = getLocalBounds().reduced(12);
    cablingLabel.setBounds(area.removeFromTop(54));
    area.removeFromTop(6);
    const auto labelWidth = 100;
    outputSelector.setBounds(area.removeFromTop(26).withTrimmedLeft(labelWidth));
    area.removeFromTop(6);
    inputSelector.setBounds(area.removeFromTop(26).withTrimmedLeft(labelWidth));
    area.removeFromTop(10);
    auto row = area.removeFromTop(28);
    startButton.setBounds(row.removeFromLeft(140));
    row.removeFromLeft(10);
    progressBar.setBounds(row);
    area.removeFromTop(8);
    verdictLabel.setBounds(area);
}
