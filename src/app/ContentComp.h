#pragma once

#include "app/LoopbackWindow.h"
#include "app/QuietProgressBar.h"
#include "app/ScreenReader.h"
#include "app/UserSettings.h"
#include "firmware/FirmwareImage.h"
#include "help/HelpVariants.h"
#include "look/TemplateLookAndFeel.h"
#include "midi/MidiInterfaceClass.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "ui/KeyboardFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

class MainWindow;

/** The update screen: names the firmware, lets the user pick the MIDI output, starts the
    update and shows its progress. It owns everything an update needs: the image, the MIDI
    interface, the protocol, the help window and the program's look-and-feel. */
class ContentComp final : public juce::Component, public juce::Button::Listener, public juce::ChangeListener
{
public:
    /** Builds the screen and loads the firmware file named by commandLine, if any.
        Message thread. */
    ContentComp(MainWindow* owner, juce::String commandLine);

    /** Stops the upload thread before anything it uses is destroyed. */
    ~ContentComp() override;

    /** The current firmware image. */
    FirmwareImage* getFirmware() const noexcept { return firmware.get(); }

    /** The upload protocol; the main window stops its thread when it closes. */
    BasicSysexProtocolClass* getProtocol() const noexcept { return protocol.get(); }

    /** Makes the named SysEx file the current image, with a new protocol for it; returns
        false, keeping the current image, when the file gives no bytes. */
    bool loadFirmwareFile(juce::String path);

    //==============================================================================
    void resized() override;

    /** Message thread: "update" or "Help" was clicked. */
    void buttonClicked(juce::Button* button) override;

    /** The interface's notifications and the protocol's status texts arrive on the
        message thread; the protocol's progress arrives on the protocol thread, with the
        message thread locked out. */
    void changeListenerCallback(juce::ChangeBroadcaster* source) override;

    //==============================================================================
    /** The two colours of the update button. */
    static const juce::Colour readyColour;
    static const juce::Colour notReadyColour;

    /** The text before the status in the progress label. */
    static const juce::String progressLabelPrefix;

    /** What the user is told when the chosen output has gone before an update. */
    static const juce::String outputGoneText;

    /** The title of the box that tells how an update failed. */
    static const juce::String updateFailedTitle;

    /** The text of that box: the failure's story from the pass's status, then, when a log
        was written, where it is, its path on a line of its own. */
    static juce::String failureBoxText(const juce::String& status, const juce::File& log);

    /** The failure box's second button, which opens the interface test's window. */
    static const juce::String testInterfaceButton;

    /** Opens the interface test's window, the output of the update chosen in it. */
    void openLoopbackWindow();

    /** The interface test's window, once opened; null before. */
    LoopbackWindow* getLoopbackWindow() const noexcept { return loopbackWindow.get(); }

    /** The box that asks before another product's firmware is sent: its title and the
        button that sends. */
    static const juce::String foreignFirmwareTitle;
    static const juce::String sendAnywayButton;

    /** The title of the box that asks before sending to an output other programs write to. */
    static const juce::String sharedOutputTitle;

private:
    //==============================================================================
    std::unique_ptr<VeldtSaturatorHelpWindowClass> helpWindow;
    std::unique_ptr<LoopbackWindow> loopbackWindow;
    MainWindow* ownerWindow;
    std::unique_ptr<MidiInterfaceClass> midiInterface;
    std::unique_ptr<BasicSysexProtocolClass> protocol;
    std::unique_ptr<juce::TextButton> updateButton;
    std::unique_ptr<QuietProgressBar> progressBar;
    std::unique_ptr<juce::Label> progressLabel;
    double progress = 0.0;
    std::unique_ptr<juce::TextButton> helpButton;
    std::unique_ptr<juce::Label> infoLabel;
    std::unique_ptr<juce::Label> step1Label;
    std::unique_ptr<juce::Label> step2Label;
    std::unique_ptr<FirmwareImage> firmware;
    TemplateLookAndFeel lookAndFeel;
    juce::SharedResourcePointer<juce::TooltipWindow> tooltipWindow;

    // Set when a pass starts, cleared when the screen hears how it ended (progress 1.0 or a
    // failure), whatever order its notifications and the interface's arrive in.
    bool passEnded = true;
    ScreenReader::UpdateAnnouncer announcer;

    // Made last, once the controls it orders are there.
    std::unique_ptr<KeyboardFeel::FocusOrder> focusOrder;
    // The output the last completed update went to is remembered for the next start.
    UserSettings settings;
    OutputChoice passOutput;

    void makeProtocol();
    void tellOutputGone();
    void showUpdateButtonState(bool ready);
    bool isUploadUnderWay() const;
    void rememberPassOutput();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ContentComp)
};
