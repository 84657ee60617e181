#include "app/ContentComp.h"

#include "BuildInfo.h"
#include "firmware/ProductSignature.h"
#include "ui/UserAlerts.h"

namespace
{
// A warning that a send could harm the pedal: true only when the user clicks "Send anyway".
bool asksSendAnyway(const juce::String& title, const juce::String& message)
{
    return UserAlerts::ask(UserAlerts::Icon::warning, title, message,
                           { ContentComp::sendAnywayButton, "Cancel" })
           == 0;
}

// Whether the user wants the image sent: at once for this pedal's firmware; for another
// product's, only when they say so in a box that warns of the risk. A damaged image is
// not asked about: the upload refuses it and says why.
bool agreesToSend(const FirmwareImage& image)
{
    const auto& facts = image.getFacts();

    if (! facts.framing.isClean())
        return true;

    const auto& verdict = facts.product;

    if (verdict.isThisProduct)
        return true;

    const juce::String product = BuildInfo::firmwareProduct;
    const auto which
        = verdict.firstForeignMessage == 0
              ? juce::String("The file's messages start with ")
              : "Message " + juce::String(verdict.firstForeignMessage + 1) + " of the file starts with ";
    const auto message
        = which + verdict.foreignStart + ", where the " + product + "'s start with "
          + ProductSignature::thisPedal().describe() + ": the file looks like another product's "
          + "firmware.\n\nSending another product's firmware can leave the pedal unusable. Send it "
          + "only if you are sure that it is meant for the " + product + ".";

    return asksSendAnyway(ContentComp::foreignFirmwareTitle, message);
}

// Whether the user wants to send although other programs write to the output: what they
// send meanwhile would be mixed into the firmware on the cable.
bool agreesToShare(const std::vector<OtherWriter>& writers, const juce::String& outputName)
{
    if (writers.empty())
        return true;

    const auto message
        = juce::String(writers.size() == 1 ? "Another program is" : "Other programs are")
          + " connected to the MIDI output " + outputName.quoted() + ":\n\n"
          + OtherWriter::describeAsList(writers)
          + "\n\nWhatever is sent to the output during the update would be mixed into the firmware on "
            "the cable, and the pedal would get a damaged firmware. Disconnect the programs listed "
            "from the output, or close them, then run the update again. Send anyway only if you are "
            "sure that they send nothing.";

    return asksSendAnyway(ContentComp::sharedOutputTitle, message);
}
} // namespace

const juce::Colour ContentComp::readyColour = juce::Colours::green.brighter(0.99f);
const juce::Colour ContentComp::notReadyColour = juce::Colours::red.brighter(0.99f);
const juce::String ContentComp::progressLabelPrefix = "Update progress:";
const juce::String ContentComp::outputGoneText
    = "The selected MIDI output is no longer connected. Plug the MIDI interface back in: Flashmere "
      "chooses it again by itself. Or choose another output.";
const juce::String ContentComp::updateFailedTitle = "Update failed";
const juce::String ContentComp::testInterfaceButton
    = juce::String::fromUTF8("Test the interface\xe2\x80\xa6");
const juce::String ContentComp::foreignFirmwareTitle = "Another product's firmware?";
const juce::String ContentComp::sendAnywayButton = "Send anyway";
const juce::String ContentComp::sharedOutputTitle = "Other programs on the output";

ContentComp::ContentComp(MainWindow* owner, juce::String commandLine)
    : ownerWindow(owner)
{
    // Installed before anything is built, so every window, the main window whose
    // constructor is still running included, is drawn with it from its first paint.
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);
    helpWindow = std::make_unique<VeldtSaturatorHelpWindowClass>();

    midiInterface = std::make_unique<MidiInterfaceClass>(true, false);

    firmware = std::make_unique<FirmwareImage>();
    firmware->setProductName(BuildInfo::firmwareProduct);

    makeProtocol();

    const auto loaded = commandLine.isNotEmpty() && loadFirmwareFile(commandLine);

    addAndMakeVisible(*midiInterface);

    protocol->addChangeListener(this);
    midiInterface->addChangeListener(this);

    // The output of the last completed update, now if it is plugged in, or once it is.
    midiInterface->preferOutput(settings.getLastOutput());

    const auto productName = firmware->getProductName();
    juce::String info = "This software updater will update your " + productName;

    if (loaded)
        info << " firmware from the loaded sysex file";
    else
        info << " firmware to version " << firmware->getVersionText();

    infoLabel = std::make_unique<juce::Label>(juce::String(), info);
    addAndMakeVisible(*infoLabel);

    step1Label = std::make_unique<juce::Label>(juce::String(), "STEP1");
    addAndMakeVisible(*step1Label);
    step2Label = std::make_unique<juce::Label>(juce::String(), "STEP2");
    addAndMakeVisible(*step2Label);

    updateButton = std::make_unique<juce::TextButton>("update", "click here to update the product");
    addAndMakeVisible(*updateButton);
    updateButton->addListener(this);
    updateButton->setConnectedEdges(juce::Button::ConnectedOnLeft);
    updateButton->setDescription("Sends the firmware to the pedal through the chosen MIDI output");
    showUpdateButtonState(midiInterface->isConnected());

    progress = 0.0;
    progressBar = std::make_unique<QuietProgressBar>(progress);
    addAndMakeVisible(*progressBar);
    progressBar->setTitle(progressLabelPrefix.upToLastOccurrenceOf(":", false, false));

    progressLabel = std::make_unique<juce::Label>(juce::String(), progressLabelPrefix);
    progressLabel->attachToComponent(progressBar.get(), false);

    helpButton = std::make_unique<juce::TextButton>("Help", "click here to get help");
    addAndMakeVisible(*helpButton);
    helpButton->addListener(this);
    helpButton->setDescription("Shows how to get the pedal ready for the update");

    // The keyboard goes through the controls in the order the screen is read, Space
    // presses what Return presses, and the focus survives a control being disabled.
    focusOrder = std::make_unique<KeyboardFeel::FocusOrder>(
        juce::Array<juce::Component*> { midiInterface.get(), updateButton.get(), helpButton.get() });
    addKeyListener(&KeyboardFeel::spacePresses());
}

ContentComp::~ContentComp()
{
    focusOrder.reset();

    // The upload thread sends through the MIDI interface: it ends before anything dies.
    protocol.reset();

    progressLabel.reset();
    helpButton.reset();
    progressBar.reset();
    updateButton.reset();
    step2Label.reset();
    step1Label.reset();
    infoLabel.reset();
    midiInterface.reset();

    firmware.reset();
    helpWindow.reset();
    loopbackWindow.reset();
}

void ContentComp::openLoopbackWindow()
{
    // Made anew each time, for the image and the output of the update that failed.
    std::vector<size_t> lengths;

    for (const auto& message : firmware->getFacts().framing.messages)
        lengths.push_back(message.length);

    loopbackWindow = std::make_unique<LoopbackWindow>(midiInterface->getChosenOutput().name, lengths);
    loopbackWindow->centreWithSize(480, 280);
    loopbackWindow->setVisible(true);
    loopbackWindow->toFront(true);
}

bool ContentComp::loadFirmwareFile(juce::String path)
{
    auto image = std::make_unique<FirmwareImage>(path);

    if (image->getData() == nullptr)
        return false;

    // The old protocol's thread has never run: the file is loaded during construction.
    protocol.reset();
    firmware = std::move(image);
    makeProtocol();
    return true;
}

void ContentComp::makeProtocol()
{
    protocol = std::make_unique<BasicSysexProtocolClass>(midiInterface.get(), firmware.get());
    protocol->setLogTarget(UploadLog::Target::standardFolder());
}

//==============================================================================
void ContentComp::resized()
{
    const auto w = getWidth();

    infoLabel->setBounds(10, 15, w - 20, 50);
    helpButton->setBounds(w - 104, 2, 94, 30);
    step1Label->setBounds(10, infoLabel->getBottom() + 5, w - 20, 30);
    midiInterface->setBounds(10, step1Label->getBottom() + 5, w - 20, midiInterface->getPreferredHeight());
    step2Label->setBounds(10, midiInterface->getBottom() + 10, w - 20, 30);
    updateButton->setBounds(w - 104, step2Label->getBottom() + 20, 94, 30);
    progressBar->setBounds(10, step2Label->getBottom() + 20, w - 114, 30);

    helpWindow->centreWithSize(550, 400);
}

void ContentComp::buttonClicked(juce::Button* button)
{
    if (button == updateButton.get())
    {
        // A pass that is still finishing cannot be restarted; a click then changes nothing,
        // so the button is never left disabled with no pass to enable it again.
        if (protocol->isThreadRunning())
            return;

        if (midiInterface->isConnected() && ! midiInterface->confirmOutputPresent())
        {
            tellOutputGone();
        }
        else if (midiInterface->isConnected())
        {
            if (! agreesToSend(*firmware))
                return;

            const auto writers = midiInterface->surveyOtherWriters();

            if (! agreesToShare(writers, midiInterface->getOutputName()))
                return;

            // A question may have been up for a while, and the interface unplugged
            // meanwhile: that is no busy port, and nothing starts.
            if (! midiInterface->isConnected() || ! midiInterface->confirmOutputPresent())
                return tellOutputGone();

            // Only those the user was told of: one that came since fails the pass before
            // it sends anything.
            midiInterface->acceptOtherWriters(writers);

            progress = 0.0;
            passOutput = midiInterface->getChosenOutput();
            protocol->startUpdate();
            // Only now: the start resets the bar with the last pass's outcome still in place,
            // and a failure heard then is the last pass's, already told.
            passEnded = false;
            updateButton->setEnabled(false);
            announcer.passStarted();
        }
        else
        {
            UserAlerts::show(UserAlerts::Icon::warning, {}, "Please select an output device");
        }
    }
    else if (button == helpButton.get())
    {
        helpWindow->setVisible(! helpWindow->isVisible());
        helpWindow->centreWithSize(550, 400);
    }
}

void ContentComp::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    if (source == midiInterface.get())
    {
        // While an upload runs the selector stays disabled, whatever the notification.
        const auto running = isUploadUnderWay();
        midiInterface->setEnabled(! running);

        const auto connected = midiInterface->isConnected();
        showUpdateButtonState(connected);
        updateButton->setEnabled(connected && ! running);
    }
    else if (source == protocol.get())
    {
        progress = protocol->getProgress();
        progressBar->progressChanged();
        const auto status = protocol->getStatusText();
        announcer.statusChanged(protocol->getOutcome(), status);

        if (progress == 1.0)
        {
            passEnded = true;
            updateButton->setEnabled(true);
            midiInterface->setEnabled(true);
        }

        // A pass that failed gives the controls back, as a completed one does; the bar
        // keeps showing how far it got. The label has room for the headline only: the
        // whole story, with what to do, comes in a box, once per pass.
        const auto failed = protocol->getOutcome().isFailure();
        const auto failureIsNew = failed && ! passEnded;

        if (failed)
        {
            passEnded = true;
            midiInterface->setEnabled(true);
            const auto connected = midiInterface->isConnected();
            showUpdateButtonState(connected);
            updateButton->setEnabled(connected);
        }

        progressLabel->setText(progressLabelPrefix + " "
                                   + (failed ? BasicSysexProtocolClass::headline(status) : status),
                               juce::dontSendNotification);

        // Decided on the outcome, never on the words of the status; the outcome still says
        // so as the next pass starts, with the bar back at 0.
        if (progress == 1.0 && protocol->getOutcome().state == UploadOutcome::State::completed)
            rememberPassOutput();

        if (failureIsNew)
        {
            // Failures are only ever posted, so this runs on the message thread.
            jassert(juce::MessageManager::getInstance()->isThisTheMessageThread());
            repaint();
            // The log is written before the pass tells how it ended.
            UserAlerts::show({ UserAlerts::Icon::warning, updateFailedTitle,
                               failureBoxText(status, protocol->getLogFile()), testInterfaceButton,
                               [safeThis = juce::Component::SafePointer<ContentComp>(this)]
                               {
                                   if (safeThis != nullptr)
                                       safeThis->openLoopbackWindow();
                               } });
            return;
        }
    }

    repaint();
}

void ContentComp::tellOutputGone()
{
    // Unplugged since the list was last read: the interface chooses it again by itself
    // once it is back.
    progressLabel->setText(progressLabelPrefix + " " + BasicSysexProtocolClass::headline(outputGoneText),
                           juce::dontSendNotification);
    showUpdateButtonState(false);
    UserAlerts::show(UserAlerts::Icon::warning, {}, outputGoneText);
}

juce::String ContentComp::failureBoxText(const juce::String& status, const juce::File& log)
{
    auto story = BasicSysexProtocolClass::failureStory(status);

    if (log != juce::File())
        story << "\n\nWhat was sent is in the update's log:\n" << log.getFullPathName();

    return story;
}

void ContentComp::showUpdateButtonState(bool ready)
{
    const auto colour = ready ? readyColour : notReadyColour;
    updateButton->setColour(juce::TextButton::buttonColourId, colour);
    updateButton->setColour(juce::TextButton::buttonOnColourId, colour);
    updateButton->setEnabled(ready);
}

void ContentComp::rememberPassOutput()
{
    // The file is written on the message thread, where the completion is also announced,
    // never on the upload's thread; a file that cannot be written is no news to the user.
    if (passOutput.isEmpty() || ! juce::MessageManager::getInstance()->isThisTheMessageThread())
        return;

    settings.setLastOutput(passOutput);
    passOutput = {};
}

bool ContentComp::isUploadUnderWay() const
{
    return protocol != nullptr && protocol->isThreadRunning() && ! passEnded;
}
