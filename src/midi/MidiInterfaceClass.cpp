#include "midi/MidiInterfaceClass.h"

#include "midi/PortNames.h"
#include "ui/UserAlerts.h"

#include <utility>

namespace
{
const juce::String disconnectedItem = "(Disconnected)";

juce::StringArray displayNames(const juce::Array<juce::MidiDeviceInfo>& devices)
{
    juce::StringArray names;

    for (const auto& device : devices)
        names.add(PortNames::readable(device.name));

    // Two ports of the same name stay apart in the list: "Name (1)", "Name (2)".
    names.appendNumbersToDuplicates(true, true);
    return names;
}

// "(Disconnected)" with the id after the devices', a separator, then the devices with
// ids from 1.
void addItems(juce::ComboBox& selector, const juce::StringArray& names)
{
    selector.addItem(disconnectedItem, names.size() + 1);
    selector.addSeparator();

    for (int i = 0; i < names.size(); ++i)
        selector.addItem(names[i], i + 1);
}
} // namespace

MidiInterfaceClass::MidiInterfaceClass(bool shouldUseOutput, bool shouldUseInput)
    : useInput(shouldUseInput)
    , useOutput(shouldUseOutput)
{
    output.onLost = [this] { outputLossNotifier.triggerAsyncUpdate(); };

    if (useOutput)
    {
        portWatch = std::make_unique<PortListWatch>();
        portWatch->mayHaveChanged();
        portWatch->onSystemChange = [this] { followOutputs(); };
        outputDevices = juce::MidiOutput::getAvailableDevices();
        outputNames = displayNames(outputDevices);
        numOutputs = outputNames.size();
        setUpSelector(outputSelector, outputLabel, outputNames, "Output Selector",
                      "Select an output device:");
        outputSelector->setTitle("MIDI output");

        // Opening the list shows the ports as they are now, not as they were at the last
        // look. The list cannot be opened while the interface is disabled.
        outputSelector->onListAboutToOpen = [this]
        {
            readOutputs();

            // A port shown but not open (it could not be opened, or went away) is shown as
            // "(Disconnected)" while the list is up, so that choosing it again is a change
            // and tries to open it again.
            const auto shown = outputSelector->getSelectedId();

            if (shown >= 1 && shown <= numOutputs && ! output.isOpen())
                outputSelector->setSelectedId(numOutputs + 1, juce::dontSendNotification);
        };
        outputWatch.startTimer(outputPollIntervalMs);
    }

    if (useInput)
    {
        inputDevices = juce::MidiInput::getAvailableDevices();
        inputNames = displayNames(inputDevices);
        numInputs = inputNames.size();
        setUpSelector(inputSelector, inputLabel, inputNames, "Input Selector", "Select an input device");
        inputSelector->setTitle("MIDI input");
    }
}

MidiInterfaceClass::~MidiInterfaceClass()
{
    outputWatch.stopTimer();
    outputLossNotifier.cancelPendingUpdate();

    inputLabel.reset();
    inputSelector.reset();
    outputLabel.reset();
    outputSelector.reset();
    closeInput();
    output.close();
}

void MidiInterfaceClass::setUpSelector(std::unique_ptr<PortSelector>& selector,
                                       std::unique_ptr<juce::Label>& label, const juce::StringArray& names,
                                       const juce::String& componentName, const juce::String& labelText)
{
    selector = std::make_unique<PortSelector>(componentName);
    addAndMakeVisible(*selector);

    label = std::make_unique<juce::Label>(juce::String(), labelText);
    label->attachToComponent(selector.get(), false);

    const auto disconnectedId = names.size() + 1;
    addItems(*selector, names);

    // Posted, not sent at once: the one change that follows construction reaches the
    // listener registered next, and closes any device.
    selector->setSelectedId(disconnectedId, juce::sendNotificationAsync);
    selector->addListener(this);
}

//==============================================================================
void MidiInterfaceClass::resized()
{
    const auto w = getWidth();

    if (outputSelector != nullptr && inputSelector != nullptr)
    {
        outputSelector->setBounds(0, 20, w, 30);
        inputSelector->setBounds(0, 70, w, 30);
    }
    else if (outputSelector != nullptr)
    {
        outputSelector->setBounds(0, 20, w, 30);
    }
    else if (inputSelector != nullptr)
    {
        inputSelector->setBounds(0, 20, w, 30);
    }
}

int MidiInterfaceClass::getPreferredHeight()
{
    return useOutput && useInput ? 100 : 50;
}

bool MidiInterfaceClass::isConnected()
{
    if (useOutput && useInput)
        return output.isOpen() && input != nullptr;

    if (useOutput)
        return output.isOpen();

    if (useInput)
        return input != nullptr;

    return false;
}

//==============================================================================
void MidiInterfaceClass::comboBoxChanged(juce::ComboBox* box)
{
    if (box == nullptr)
        return;

    const auto id = box->getSelectedId();

    if (box == outputSelector.get())
    {
        auto opened = MidiOutputPort::OpenResult::opened;

        if (id >= 1 && id <= numOutputs)
        {
            opened = openOutput(id);
        }
        else if (id == numOutputs + 1)
        {
            // The user closes the output: nothing awaited is chosen behind their back. The
            // one notification that follows construction closes nothing and keeps it.
            if (chosenOutput.identifier.isNotEmpty())
                awaitedOutput = {};

            closeOutput();
        }
        else
        {
            return;
        }

        sendChangeMessage();

        // A busy port is one the user can do something about: say what.
        if (opened == MidiOutputPort::OpenResult::busy)
            UserAlerts::show(UserAlerts::Icon::warning, "MIDI output busy",
                             busyOutputText(outputNames[id - 1]));
    }
    else if (box == inputSelector.get())
    {
        if (id >= 1 && id <= numInputs)
            openInput(id);
        else if (id == numInputs + 1)
            closeInput();
        else
            return;

        sendChangeMessage();
    }
}

juce::String MidiInterfaceClass::getOutputName() const
{
    if (! output.isOpen())
        return {};

    // The lists are replaced whenever the system's outputs are read again: message thread.
    const auto identifier = output.getDevice().identifier;

    for (int i = 0; i < outputDevices.size(); ++i)
        if (outputDevices.getReference(i).identifier == identifier)
            return outputNames[i];

    return {};
}

MidiOutputPort::OpenResult MidiInterfaceClass::openOutput(int id)
{
    const auto& device = outputDevices.getReference(id - 1);

    // Already chosen and open: the program chose it before the notification that follows
    // construction arrived. It stays open.
    if (device == chosenOutput && output.isOpen())
        return MidiOutputPort::OpenResult::opened;

    // The previous device is closed before the next one is opened.
    chosenOutput = device;
    return output.open(device);
}

void MidiInterfaceClass::closeOutput()
{
    chosenOutput = {};
    output.close();
}

void MidiInterfaceClass::openInput(int id)
{
    closeInput();
    input = juce::MidiInput::openDevice(inputDevices[id - 1].identifier, this);

    if (input != nullptr)
        input->start();
}

void MidiInterfaceClass::closeInput()
{
    if (input != nullptr)
    {
        input->stop();
        input.reset();
    }
}

//==============================================================================
bool MidiInterfaceClass::confirmOutputPresent()
{
    // Another program writing to it does not make the output any less there.
    const auto fit = output.check();
    return fit == sent || fit == outputShared;
}

int MidiInterfaceClass::checkOutput()
{
    return output.check();
}

std::unique_ptr<OutputClaim> MidiInterfaceClass::claimOutput()
{
    return output.claim();
}

juce::String MidiInterfaceClass::busyOutputText(const juce::String& portName)
{
    return "The MIDI output \"" + portName
           + "\" is in use by another program, which holds it for itself, so nothing can be sent "
             "through it. Close the other program that uses the interface (a sequencer, a "
             "recording program or another updater), then choose the output again.";
}

int MidiInterfaceClass::sendBytes(const juce::uint8* data, int numBytes)
{
    return output.send(data, numBytes);
}

void MidiInterfaceClass::showOutputClosed()
{
    // News that came late: the list was read meanwhile and an output is open again.
    if (output.isOpen())
        return;

    // The device has gone: say so in the selector, as after choosing "(Disconnected)".
    loseChosenOutput(outputDevices);

    if (outputSelector != nullptr)
        outputSelector->setSelectedId(numOutputs + 1, juce::dontSendNotification);

    sendChangeMessage();
}

void MidiInterfaceClass::loseChosenOutput(const juce::Array<juce::MidiDeviceInfo>& chosenFrom)
{
    // Awaited back under its name and place: the system may give a device that returns
    // another identifier. The list it was chosen from still holds it.
    if (chosenOutput.identifier.isNotEmpty())
        awaitedOutput = OutputChoice::of(chosenFrom, chosenFrom.indexOf(chosenOutput));

    chosenOutput = {};
    output.close();
}

//==============================================================================
void MidiInterfaceClass::preferOutput(const OutputChoice& wanted)
{
    if (outputSelector == nullptr || wanted.isEmpty())
        return;

    awaitedOutput = wanted;
    chooseAwaitedOutput();
}

OutputChoice MidiInterfaceClass::getChosenOutput() const
{
    return OutputChoice::of(outputDevices, outputDevices.indexOf(chosenOutput));
}

void MidiInterfaceClass::followOutputs()
{
    // While the list is open its items stand for the ports it shows: it is left alone.
    if (outputSelector != nullptr && ! outputSelector->isPopupActive())
        readOutputs();
}

void MidiInterfaceClass::readOutputs()
{
    // Disabled while an upload sends through the open output: the list waits.
    if (outputSelector == nullptr || ! isEnabled() || ! portWatch->mayHaveChanged())
        return;

    auto devices = juce::MidiOutput::getAvailableDevices();

    if (devices == outputDevices)
        return;

    const auto previousDevices = std::exchange(outputDevices, std::move(devices));
    outputNames = displayNames(outputDevices);
    numOutputs = outputNames.size();
    outputSelector->clear(juce::dontSendNotification);
    addItems(*outputSelector, outputNames);

    const auto chosenIndex = outputDevices.indexOf(chosenOutput);

    if (chosenIndex >= 0)
    {
        outputSelector->setSelectedId(chosenIndex + 1, juce::dontSendNotification);
        return;
    }

    const auto hadChosen = chosenOutput.identifier.isNotEmpty();
    loseChosenOutput(previousDevices);
    outputSelector->setSelectedId(numOutputs + 1, juce::dontSendNotification);

    if (! chooseAwaitedOutput() && hadChosen)
        sendChangeMessage();
}

bool MidiInterfaceClass::chooseAwaitedOutput()
{
    const auto index = awaitedOutput.findIn(outputDevices);

    if (index < 0)
        return false;

    // As if the user had chosen it.
    outputSelector->setSelectedId(index + 1, juce::dontSendNotification);
    openOutput(index + 1);
    sendChangeMessage();
    return true;
}

//==============================================================================
void MidiInterfaceClass::handleIncomingMidiMessage(juce::MidiInput*, const juce::MidiMessage& message)
{
    const auto* raw = message.getRawData();
    const auto numBytes = message.getRawDataSize();

    const juce::SpinLock::ScopedLockType sl(receiveLock);

    for (int i = 0; i < numBytes; ++i)
    {
        receiveBuffer[writeIndex] = raw[i];

        if (++writeIndex >= (juce::uint32)sizeof(receiveBuffer))
            writeIndex = 0;
    }
}

int MidiInterfaceClass::readBytes(juce::uint8* dest, unsigned maxBytes)
{
    if (input == nullptr || dest == nullptr)
        return 0;

    const juce::SpinLock::ScopedLockType sl(receiveLock);
    int copied = 0;

    for (unsigned i = 0; i < maxBytes; ++i)
    {
        if (readIndex >= (juce::uint32)sizeof(receiveBuffer))
            readIndex = 0;

        if (readIndex == writeIndex)
            break;

        dest[copied++] = receiveBuffer[readIndex++];
    }

    return copied;
}
