#pragma once

#include "midi/InterfaceBaseClass.h"
#include "midi/MidiOutputPort.h"

#include <atomic>

/** The device interface of the command-line tool: one MIDI output chosen up front, no
    selector on screen. It sends through the same port code as the window. */
class HeadlessInterface final : public InterfaceBaseClass
{
public:
    explicit HeadlessInterface(const juce::MidiDeviceInfo& device);

    /** Whether the device could be opened and connected to. */
    bool isOpen() const { return port.isOpen(); }

    /** How opening the device went. */
    MidiOutputPort::OpenResult getOpenResult() const noexcept { return openResult; }

    /** Messages handed to the device so far. Any thread. */
    int getMessagesSent() const noexcept { return messagesSent.load(); }

    void resized() override {}
    int readBytes(juce::uint8*, unsigned) override { return 0; }
    int sendBytes(const juce::uint8* data, int numBytes) override;
    juce::String getSendProblem() const override { return port.getSendProblem(); }
    bool isConnected() override { return port.isOpen(); }
    int getPreferredHeight() override { return 0; }
    int checkOutput() override { return port.check(); }
    juce::String getOutputName() const override { return port.getDevice().name; }
    std::vector<OtherWriter> getOtherWriters() const override { return port.getOtherWriters(); }
    std::vector<OtherWriter> surveyOtherWriters() { return port.surveyOtherWriters(); }
    void acceptOtherWriters(const std::vector<OtherWriter>& writers) { port.acceptOtherWriters(writers); }
    std::unique_ptr<OutputClaim> claimOutput() override { return port.claim(); }

private:
    MidiOutputPort port;
    MidiOutputPort::OpenResult openResult;
    std::atomic<int> messagesSent { 0 };
};
