#include "ScreenFixture.h"
#include "firmware/SysexFraming.h"
#include "look/TemplateLookAndFeel.h"
#include "midi/PortLock.h"
#include "protocol/TestPass.h"

using UpdateFlow = ScreenFixture;

TEST_F(UpdateFlow, AFileIsSentWholeAndInOrderWhileTheScreenFollows)
{
    const auto bytes = messages({ 9, 40, 9 });
    const auto file = writeFile("dir with blank/fw.syx", bytes);
    make(file.getFullPathName());
    choose(1);
    ASSERT_TRUE(updateButton->isEnabled());

    // The bar's right end, where only a full bar reaches.
    auto barEnd = [this]
    {
        const auto image = progressBar->createComponentSnapshot(progressBar->getLocalBounds());
        return image.getPixelAt(image.getWidth() - 4, image.getHeight() / 2);
    };
    EXPECT_EQ(barEnd(), juce::Colours::white);

    clickUpdate();
    EXPECT_FALSE(updateButton->isEnabled());
    EXPECT_TRUE(
        testsupport::pumpUntil([&] { return progressText() == "Update progress: Uploading firmware"; }));
    EXPECT_FALSE(midi->isEnabled());

    ASSERT_TRUE(
        testsupport::pumpUntil([&] { return progressText() == "Update progress: Update completed"; }, 5000));
    EXPECT_TRUE(updateButton->isEnabled());
    EXPECT_TRUE(midi->isEnabled());
    EXPECT_EQ(screen->getProtocol()->getProgress(), 1.0);
    EXPECT_NE(barEnd(), juce::Colours::white) << "the bar shows the whole image sent";

    const auto got = delivered("Pedal MIDI");
    ASSERT_EQ(got.size(), 3u);
    std::vector<juce::uint8> all;
    for (const auto& m : got)
        all.insert(all.end(), m.begin(), m.end());
    EXPECT_EQ(all, bytes);

    // The pedal gets 300 ms of silence after each message has left the cable.
    for (int i = 1; i < 3; ++i)
    {
        double previousWireEnd = 0, start = 0;
        fakeseq_get_message("Pedal MIDI", i - 1, nullptr, 0, nullptr, &previousWireEnd);
        fakeseq_get_message("Pedal MIDI", i, nullptr, 0, &start, nullptr);
        EXPECT_GE(start - previousWireEnd, 0.300) << "gap before message " << i;
    }
}

TEST_F(UpdateFlow, TheSelectorStaysDisabledAndUpdateDoesNothingWhileAPassRuns)
{
    make();
    choose(1);
    clickUpdate();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return fakeseq_message_count("Pedal MIDI") >= 1; }));

    midi->sendChangeMessage(); // any notification from the interface during the pass
    testsupport::pumpFor(30);
    EXPECT_FALSE(midi->isEnabled());
    EXPECT_FALSE(updateButton->isEnabled());

    const auto progressBefore = screen->getProtocol()->getProgress();
    screen->buttonClicked(updateButton); // a click that slipped through
    testsupport::pumpFor(30);
    EXPECT_TRUE(screen->getProtocol()->isThreadRunning());
    EXPECT_GE(screen->getProtocol()->getProgress(), progressBefore);
    EXPECT_FALSE(updateButton->isEnabled());
}

TEST_F(UpdateFlow, ADamagedFileSendsNothingAndGivesTheControlsBack)
{
    const auto file = writeFile("notes.syx", { 'n', 'o', 't', ' ', 's', 'y', 's', 'e', 'x', '\n' });
    make(file.getFullPathName());
    choose(1);
    clickUpdate();

    ASSERT_TRUE(
        testsupport::pumpUntil([&] { return progressText().startsWith("Update progress: Update failed"); }));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! screen->getProtocol()->isThreadRunning(); }));
    testsupport::pumpFor(30);
    EXPECT_EQ(fakeseq_message_count("Pedal MIDI"), 0);
    EXPECT_EQ(progressText(), "Update progress: Update failed: the firmware image is damaged");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].message.contains("Nothing was sent to the pedal")) << alerts[0].message;
    EXPECT_TRUE(updateButton->isEnabled());
    EXPECT_TRUE(isReadyColour());
    EXPECT_TRUE(midi->isEnabled());
    EXPECT_NE(screen->getProtocol()->getProgress(), 1.0);
}

TEST_F(UpdateFlow, AnOutputThatCannotBeLockedForThePassSendsNothingAndSaysWhyInABox)
{
    make();
    choose(1);

    // failNow(): one pass, told of in its box; the box's first words.
    const auto failNow = [&]
    {
        alerts.clear();
        clickUpdate();
        EXPECT_TRUE(testsupport::pumpUntil([&] { return ! alerts.empty(); }, 5000));
        EXPECT_TRUE(testsupport::pumpUntil([&] { return ! screen->getProtocol()->isThreadRunning(); }));
        if (alerts.size() != 1u)
            return juce::String("(") + juce::String(int(alerts.size())) + " boxes)";

        EXPECT_EQ(alerts[0].title, "Update failed");
        EXPECT_TRUE(alerts[0].message.contains("Nothing was sent to the pedal")) << alerts[0].message;
        EXPECT_TRUE(updateButton->isEnabled());
        return alerts[0].message.upToFirstOccurrenceOf(".", false, false);
    };

    {
        const PortLock otherPass(juce::MidiOutput::getAvailableDevices()[0]);
        ASSERT_TRUE(otherPass.isHeld());
        EXPECT_EQ(failNow(), "Another update is sending to this MIDI output");
    }

    fakeseq_refuse_port_locks(1);
    EXPECT_EQ(failNow(), "Flashmere could not make sure that no other update sends to this MIDI output");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].message.contains("(Operation not permitted)")) << alerts[0].message;
    EXPECT_EQ(progressText(), "Update progress: Update failed: Flashmere could not make sure that no other "
                              "update sends to this MIDI output");
    EXPECT_EQ(fakeseq_message_count("Pedal MIDI"), 0);
}

TEST_F(UpdateFlow, AnInterfaceUnpluggedDuringTheUploadIsAFailedUpdate)
{
    const auto file = writeFile("fw.syx", messages({ 9, 40, 9 }));
    make(file.getFullPathName());
    choose(1);
    fakeseq_unplug_after("Pedal MIDI", 1);
    clickUpdate();

    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return progressText().startsWith("Update progress: Update failed"); }, 5000));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! screen->getProtocol()->isThreadRunning(); }));
    testsupport::pumpFor(50);

    EXPECT_EQ(progressText(), "Update progress: Update failed: the MIDI interface was disconnected");
    ASSERT_EQ(alerts.size(), 1u); // the whole story, once
    EXPECT_EQ(alerts[0].title, "Update failed");
    EXPECT_EQ(alerts[0].icon, UserAlerts::Icon::warning);
    EXPECT_TRUE(alerts[0].message.startsWith("The MIDI interface was disconnected."));
    EXPECT_TRUE(alerts[0].message.contains("Reconnect the interface")) << alerts[0].message;

    // The box says where the log of what was sent is, and the log is there.
    const auto log = screen->getProtocol()->getLogFile();
    EXPECT_TRUE(log.getFullPathName().endsWith(".log"));
    EXPECT_TRUE(alerts[0].message.contains(log.getFullPathName())) << alerts[0].message;
    EXPECT_TRUE(log.loadFileAsString().contains("\noutcome\tfailed\toutputGone\t"));
    EXPECT_EQ(fakeseq_message_count("Pedal MIDI"), 1);
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_FALSE(midi->isConnected());
    EXPECT_TRUE(midi->isEnabled());
    EXPECT_FALSE(updateButton->isEnabled());
    EXPECT_TRUE(isNotReadyColour());
    EXPECT_LT(screen->getProtocol()->getProgress(), 1.0);

    // The box's second button opens the interface test, the main window's layout as it was.
    const auto before = screen->getLocalBounds();
    EXPECT_EQ(alerts[0].actionButton, juce::String::fromUTF8("Test the interface\xe2\x80\xa6"));
    ASSERT_TRUE(alerts[0].action != nullptr);
    alerts[0].action();
    ASSERT_NE(screen->getLoopbackWindow(), nullptr);
    EXPECT_TRUE(screen->getLoopbackWindow()->isVisible());
    EXPECT_EQ(screen->getLoopbackWindow()->getName(), "Test the interface");
    EXPECT_EQ(screen->getLocalBounds(), before);
}

TEST_F(UpdateFlow, ALastMessageLostToAnUnplugIsAFailureNeverAFullBar)
{
    // The first message is 98.8 % of the image; the interface goes away in the moment the
    // second one is handed over, so it never reaches the pedal.
    const auto file = writeFile("fw.syx", messages({ 600, 7 }));
    make(file.getFullPathName());
    choose(1);
    fakeseq_unplug_at_event("Pedal MIDI", 1);
    clickUpdate();

    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! alerts.empty(); }, 5000));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! screen->getProtocol()->isThreadRunning(); }));
    testsupport::pumpFor(50);

    EXPECT_EQ(progressText(), "Update progress: Update failed: the MIDI interface was disconnected");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "Update failed");
    EXPECT_TRUE(alerts[0].message.contains("holds only part of the firmware")) << alerts[0].message;
    EXPECT_EQ(screen->getProtocol()->getProgress(), 0.99);
    EXPECT_EQ(fakeseq_message_count("Pedal MIDI"), 1);
    EXPECT_TRUE(isNotReadyColour());
}

TEST_F(UpdateFlow, AnOutputThatWentAwayBeforeUpdateIsReportedAndNothingStarts)
{
    make();
    choose(1);
    fakeseq_unplug("Pedal MIDI");
    clickUpdate();

    EXPECT_FALSE(screen->getProtocol()->isThreadRunning());
    EXPECT_EQ(progressText(), "Update progress: The selected MIDI output is no longer connected");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, ContentComp::outputGoneText);
    EXPECT_TRUE(alerts[0].message.contains("Plug the MIDI interface back in")) << alerts[0].message;
    EXPECT_FALSE(alerts[0].message.containsIgnoreCase("restart")) << alerts[0].message;
    testsupport::pumpFor(50);
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_FALSE(updateButton->isEnabled());
    EXPECT_TRUE(isNotReadyColour());

    // As the box says: plugged back in, it is ready again, with no restart.
    fakeseq_plug("Pedal MIDI");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return updateButton->isEnabled(); }, 3000));
    EXPECT_TRUE(isReadyColour());
    EXPECT_EQ(selector->getText(), "Pedal MIDI");
}

TEST_F(UpdateFlow, UpdateAgainAfterACompletedPassStartsOver)
{
    const auto file = writeFile("fw.syx", messages({ 9 }));
    make(file.getFullPathName());
    choose(1);
    clickUpdate();
    ASSERT_TRUE(
        testsupport::pumpUntil([&] { return progressText() == "Update progress: Update completed"; }));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! screen->getProtocol()->isThreadRunning(); }));

    clickUpdate();
    EXPECT_FALSE(updateButton->isEnabled());
    ASSERT_TRUE(testsupport::pumpUntil([&] { return fakeseq_message_count("Pedal MIDI") == 2; }));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return updateButton->isEnabled(); }));
    EXPECT_EQ(delivered("Pedal MIDI")[1], delivered("Pedal MIDI")[0]);
}

TEST_F(UpdateFlow, AStateFolderThatCannotBeWrittenCostsTheLogOnly)
{
    // A file where the folder of logs would have to be made.
    const auto blocker = writeFile("state", { 'x' });
    const auto* before = std::getenv("XDG_STATE_HOME");
    const juce::String previous = before != nullptr ? before : "";
    setenv("XDG_STATE_HOME", blocker.getFullPathName().toRawUTF8(), 1);

    make(writeFile("fw.syx", messages({ 9, 9 })).getFullPathName());
    choose(1);
    clickUpdate();
    const auto completed
        = testsupport::pumpUntil([&] { return progressText() == "Update progress: Update completed"; }, 5000);
    setenv("XDG_STATE_HOME", previous.toRawUTF8(), 1);

    ASSERT_TRUE(completed);
    EXPECT_EQ(screen->getProtocol()->getOutcome().state, UploadOutcome::State::completed);
    EXPECT_EQ(screen->getProtocol()->getLogFile(), juce::File());
    EXPECT_EQ(fakeseq_message_count("Pedal MIDI"), 2);
    EXPECT_TRUE(alerts.empty()) << "no box for a log";
    EXPECT_TRUE(updateButton->isEnabled());
}

namespace
{
// An interface whose output another update holds: every claim on it is refused.
struct HeldInterface final : InterfaceBaseClass
{
    void resized() override {}
    int readBytes(juce::uint8*, unsigned) override { return 0; }
    int sendBytes(const juce::uint8*, int) override { return sent; }
    bool isConnected() override { return true; }
    int getPreferredHeight() override { return 50; }
    std::unique_ptr<OutputClaim> claimOutput() override { return nullptr; }
};

// Every status a failed pass ends with, as the real pass words it: for each fault of an
// image, a held output, and each way a send or a check of the output fails, before the
// first message and after one.
juce::StringArray failedPassStatuses()
{
    juce::StringArray statuses;
    const auto keep = [&](Pass& pass)
    {
        if (pass.runToEnd() && pass.protocol.getOutcome().isFailure())
            statuses.addIfNotAlreadyThere(pass.protocol.getStatusText());
    };

    const auto limit = (int)SysexFraming::largestSendableMessage;

    for (const auto& bytes :
         { std::vector<juce::uint8> { 0x42 }, std::vector<juce::uint8> { 0xF0, 0x01 },
           std::vector<juce::uint8> { 0xF0, 0x90, 0xF7 }, testimages::messages({ limit + 1 }) })
    {
        Pass pass(testimages::fromBytes(bytes));
        keep(pass);
    }

    Pass empty(std::make_unique<FirmwareImage>("nothing", 0.0, 0));
    keep(empty);

    for (const auto result : { InterfaceBaseClass::noOutputOpen, InterfaceBaseClass::outputGone,
                               InterfaceBaseClass::notConnected, InterfaceBaseClass::nothingToSend })
    {
        for (const auto from : { 0, 1 })
        {
            Pass sending(testimages::fromBytes(testimages::messages({ 5, 5, 5 })));
            sending.device.failFrom(from, result);
            keep(sending);
            Pass checking(testimages::fromBytes(testimages::messages({ 5, 5, 5 })));
            checking.device.failCheckFrom(from, result);
            keep(checking);
        }
    }

    HeldInterface held;
    const auto image = testimages::fromBytes(testimages::messages({ 5 }));
    BasicSysexProtocolClass protocol(&held, image.get());
    protocol.startUpdate();

    if (testsupport::pumpUntil([&]
                               { return protocol.getOutcome().isFailure() && ! protocol.isThreadRunning(); }))
        statuses.addIfNotAlreadyThere(protocol.getStatusText());

    return statuses;
}
} // namespace

TEST(FailureBox, EveryFailureCanBeReadWholeWithTheLogsPathOnLinesOfItsOwn)
{
#if defined(__SANITIZE_ADDRESS__)
    // Asking the display for its size makes the X libraries keep memory that they never
    // give back, in a library unloaded before LeakSanitizer can name it; the plain and
    // ThreadSanitizer runs keep this test.
    GTEST_SKIP() << "the X libraries' own leaks under AddressSanitizer";
#endif
    // Drawn as the program draws its boxes.
    TemplateLookAndFeel look;
    juce::LookAndFeel::setDefaultLookAndFeel(&look);
    const struct LookBack
    {
        ~LookBack() { juce::LookAndFeel::setDefaultLookAndFeel(nullptr); }
    } lookBack;

    const auto statuses = failedPassStatuses();
    ASSERT_GE(statuses.size(), 12) << statuses.joinIntoString("\n");

    // A log where a user's would be, and one under a folder too long for any line.
    const auto home = juce::File::getSpecialLocation(juce::File::userHomeDirectory);
    const juce::File logs[] = {
        {},
        home.getChildFile(".local/state/flashmere/logs/2026-12-09T11-16-40.123Z.log"),
        home.getChildFile(juce::String::repeatedString("a-folder-name-without-an-end-", 12)
                          + "/flashmere logs/2026-12-09T11-16-40.123Z.log"),
    };

    const juce::Rectangle<int> screens[]
        = { { 1280, 1024 }, { 1024, 768 }, { 800, 600 }, { 640, 480 }, { 320, 240 } };

    for (const auto& status : statuses)
    {
        for (const auto& log : logs)
        {
            const UserAlerts::Alert alert { UserAlerts::Icon::warning, ContentComp::updateFailedTitle,
                                            ContentComp::failureBoxText(status, log) };

            for (const auto& screenArea : screens)
            {
                const auto lines = expectReadableInBox(alert, screenArea);

                if (log == juce::File())
                    continue;

                // The last lines are the path and nothing else, after the line that says so.
                const auto path = log.getFullPathName();
                juce::String tail;
                auto first = lines.size();

                while (first > 0 && tail.length() < path.length())
                    tail = lines[--first] + tail;

                EXPECT_EQ(tail, path) << lines.joinIntoString("\n");
                EXPECT_TRUE(lines[first - 1].endsWith("log:")) << lines.joinIntoString("\n");
            }
        }
    }

    // The boxes the window shows of its own.
    for (const auto& alert :
         { UserAlerts::Alert { UserAlerts::Icon::warning, {}, ContentComp::outputGoneText },
           UserAlerts::Alert { UserAlerts::Icon::warning, "MIDI output busy",
                               MidiInterfaceClass::busyOutputText("Pedal MIDI") } })
        for (const auto& screenArea : screens)
            expectReadableInBox(alert, screenArea);
}
