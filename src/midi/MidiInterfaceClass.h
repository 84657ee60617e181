#pragma once

#include "midi/InterfaceBaseClass.h"
#include "midi/MidiOutputPort.h"
#include "midi/OutputChoice.h"
#include "midi/PortListWatch.h"
#include "midi/PortSelector.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>

/** The device interface on JUCE's MIDI devices: a drop-down selector for the output and,
    optionally, one for the input, each with "(Disconnected)" to close the device.

    The output list follows the system's MIDI outputs while the interface is enabled (it
    is disabled while an upload runs): it is read again now and then, and whenever the
    list is opened. The chosen output is kept by its identifier whatever else comes or
    goes. When it leaves the system it is closed and "(Disconnected)" shown; when a port of
    its name comes back and nothing else was chosen meanwhile, that port is chosen again.
    The input list is read once, at construction. A device is always opened by the
    identifier read with the list the user chose from, never by its position in a fresh
    list. */
class MidiInterfaceClass final : public InterfaceBaseClass,
                                 public juce::ComboBox::Listener,
                                 public juce::MidiInputCallback
{
public:
    MidiInterfaceClass(bool useOutput, bool useInput);
    ~MidiInterfaceClass() override;

    //==============================================================================
    void resized() override;

    /** Copies received bytes in arrival order; returns 0 when no input is open. Any
        thread. */
    int readBytes(juce::uint8* dest, unsigned maxBytes) override;

    /** Sends the bytes as one MIDI message through the open output. Called on the
        protocol thread; it never races the opening or closing of the output on the message
        thread. */
    int sendBytes(const juce::uint8* data, int numBytes) override;
    juce::String getSendProblem() const override { return output.getSendProblem(); }

    /** Whether the open output is still on the system and connected to this program. One
        found gone is closed, and the selector soon shows "(Disconnected)". Any thread. */
    int checkOutput() override;

    /** Locks the open output against other passes to it. Protocol thread. */
    std::unique_ptr<OutputClaim> claimOutput() override;

    bool isConnected() override;
    int getPreferredHeight() override;

    /** The open output's name as the selector shows it. Message thread. */
    juce::String getOutputName() const override;
    std::vector<OtherWriter> getOtherWriters() const override { return output.getOtherWriters(); }

    /** The other programs' ports writing to the open output now; the next pass fails on
        any of them that acceptOtherWriters() was not given. Any thread. */
    std::vector<OtherWriter> surveyOtherWriters() { return output.surveyOtherWriters(); }
    void acceptOtherWriters(const std::vector<OtherWriter>& writers) { output.acceptOtherWriters(writers); }

    /** Whether the open output is still on the system and connected to this program (see
        checkOutput). False when no output is open. Any thread. */
    bool confirmOutputPresent();

    /** What the user is told when the chosen output is held by another program. */
    static juce::String busyOutputText(const juce::String& portName);

    /** Chooses that output now if it is present, otherwise as soon as it appears, unless
        the user chooses something first. Message thread. */
    void preferOutput(const OutputChoice& wanted);

    /** The chosen output, or none when "(Disconnected)" is chosen. Message thread. */
    OutputChoice getChosenOutput() const;

    /** Reads the system's outputs and brings the selector up to date, unless the
        interface is disabled or the list is open; the interface does this by itself now
        and then. Message thread. */
    void followOutputs();

    /** How often, in milliseconds, the system's outputs are read while nobody looks. */
    static constexpr int outputPollIntervalMs = 500;

    //==============================================================================
    /** Message thread: the user picked an item in a selector. */
    void comboBoxChanged(juce::ComboBox* box) override;

    /** The MIDI input thread: appends the message's bytes to the receive ring. */
    void handleIncomingMidiMessage(juce::MidiInput* source, const juce::MidiMessage& message) override;

private:
    //==============================================================================
    int numOutputs = 0;
    int numInputs = 0;
    bool useInput;
    bool useOutput;
    juce::Array<juce::MidiDeviceInfo> outputDevices;
    juce::StringArray outputNames;
    MidiOutputPort output;
    juce::MidiDeviceInfo chosenOutput; // the user's choice, open or not; empty for none
    OutputChoice awaitedOutput; // chosen by itself when it appears
    juce::Array<juce::MidiDeviceInfo> inputDevices;
    juce::StringArray inputNames;
    std::unique_ptr<juce::MidiInput> input;
    std::unique_ptr<PortSelector> outputSelector;
    std::unique_ptr<juce::Label> outputLabel;
    std::unique_ptr<PortSelector> inputSelector;
    std::unique_ptr<juce::Label> inputLabel;

    // The receive ring keeps the last 256 bytes; a reader that falls behind loses the
    // oldest. The lock keeps the MIDI input thread and a reader apart.
    juce::uint8 receiveBuffer[256] = {};
    juce::uint32 writeIndex = 0;
    juce::uint32 readIndex = 0;
    juce::SpinLock receiveLock;

    void setUpSelector(std::unique_ptr<PortSelector>& selector, std::unique_ptr<juce::Label>& label,
                       const juce::StringArray& names, const juce::String& componentName,
                       const juce::String& labelText);
    MidiOutputPort::OpenResult openOutput(int id);
    void closeOutput();
    void openInput(int id);
    void closeInput();
    void showOutputClosed();
    void readOutputs();
    bool chooseAwaitedOutput();
    void loseChosenOutput(const juce::Array<juce::MidiDeviceInfo>& chosenFrom);

    // Brings the news that the open output has left the system from the protocol thread,
    // where a send finds it, to the message thread, where the selector is.
    struct OutputLossNotifier final : juce::AsyncUpdater
    {
        explicit OutputLossNotifier(MidiInterfaceClass& o)
            : owner(o)
        {
        }
        ~OutputLossNotifier() override { cancelPendingUpdate(); }
        void handleAsyncUpdate() override { owner.showOutputClosed(); }
        MidiInterfaceClass& owner;
    };

    OutputLossNotifier outputLossNotifier { *this };

    // JUCE 7 tells nobody on Linux when MIDI devices come and go: the list is read again
    // on a gentle timer, on the message thread, when the watch has seen a change.
    std::unique_ptr<PortListWatch> portWatch;

    struct OutputWatch final : juce::Timer
    {
        explicit OutputWatch(MidiInterfaceClass& o)
            : owner(o)
        {
        }
        ~OutputWatch() override { stopTimer(); }
        void timerCallback() override { owner.followOutputs(); }
        MidiInterfaceClass& owner;
    };

    OutputWatch outputWatch { *this };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MidiInterfaceClass)
};
