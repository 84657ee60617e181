#include "ScreenFixture.h"
#include "app/UserSettings.h"

#include <cstdlib>
#include <sys/stat.h>

namespace
{
/** The update screen with the user's configuration folder in the test's own folder. */
struct OutputMemory : ScreenFixture
{
    void SetUp() override
    {
        ScreenFixture::SetUp();
        const char* previous = std::getenv("XDG_CONFIG_HOME");
        savedConfigHome = previous != nullptr ? previous : "";
        setenv("XDG_CONFIG_HOME", configHome.getFullPathName().toRawUTF8(), 1);
    }

    void TearDown() override
    {
        ScreenFixture::TearDown();
        setenv("XDG_CONFIG_HOME", savedConfigHome.toRawUTF8(), 1);
    }

    /** Sends a one-message file through the chosen output until "Update completed". */
    void completeAnUpdate()
    {
        clickUpdate();
        ASSERT_TRUE(
            testsupport::pumpUntil([&] { return progressText() == "Update progress: Update completed"; }));
        ASSERT_TRUE(testsupport::pumpUntil([&] { return ! screen->getProtocol()->isThreadRunning(); }));
    }

    juce::File configHome = temp.getChildFile("config");
    juce::File settingsFile = configHome.getChildFile("Flashmere/Flashmere.settings");
    juce::String savedConfigHome;
};
} // namespace

TEST_F(OutputMemory, TheOutputOfACompletedUpdateIsChosenAtTheNextStart)
{
    EXPECT_EQ(UserSettings::defaultFile(), settingsFile);
    const auto firmware = writeFile("fw.syx", messages({ 9, 9 })).getFullPathName();

    make(firmware);
    choose(1);
    completeAnUpdate();
    EXPECT_TRUE(settingsFile.loadFileAsString().contains("Pedal MIDI"));

    // A pass that fails is not remembered, even when the one before it completed.
    fakeseq_plug("Other Port");
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return testsupport::describeItems(*selector).contains("3:Other Port"); }, 3000));
    choose(3);
    fakeseq_unplug_after("Other Port", 1);
    clickUpdate();
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return progressText().startsWith("Update progress: Update failed"); }, 5000));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! screen->getProtocol()->isThreadRunning(); }));
    alerts.clear();
    EXPECT_FALSE(settingsFile.loadFileAsString().contains("Other Port"));

    // Another port comes first in the system's list at the next start.
    screen.reset();
    fakeseq_reset();
    fakeseq_add_output_port("Other Port");
    fakeseq_add_output_port("Pedal MIDI");
    make(firmware);
    EXPECT_EQ(selector->getText(), "Pedal MIDI");
    EXPECT_TRUE(updateButton->isEnabled());
    EXPECT_TRUE(isReadyColour());
    EXPECT_EQ(fakeseq_is_connected("Pedal MIDI"), 1);

    // Not there at the next start: "(Disconnected)", until it is plugged in.
    screen.reset();
    fakeseq_reset();
    fakeseq_add_output_port("Other Port");
    make(firmware);
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_FALSE(updateButton->isEnabled());
    fakeseq_plug("Pedal MIDI");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return updateButton->isEnabled(); }, 3000));
    EXPECT_EQ(selector->getText(), "Pedal MIDI");
    EXPECT_TRUE(isReadyColour());
}

TEST_F(OutputMemory, OfTwoOutputsOfOneNameTheOneUsedIsChosenAndNeverTheOther)
{
    fakeseq_reset();
    fakeseq_add_output_port("Same");
    fakeseq_add_output_port("Same");
    const auto firmware = writeFile("fw.syx", messages({ 9 })).getFullPathName();
    make(firmware);
    choose(2);
    completeAnUpdate();

    screen.reset();
    make(firmware);
    EXPECT_EQ(selector->getText(), "Same (2)");
    EXPECT_TRUE(updateButton->isEnabled());

    // Only one of them at the next start: it may be the other one, so none is chosen.
    screen.reset();
    fakeseq_reset();
    fakeseq_add_output_port("Same");
    make(firmware);
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_FALSE(updateButton->isEnabled());
}

TEST_F(OutputMemory, ASettingsFileThatCannotBeUsedIsIgnored)
{
    const auto firmware = writeFile("fw.syx", messages({ 9 })).getFullPathName();

    // Each leaves the program as without settings: no box, nothing chosen, updates work.
    const auto folder = settingsFile.getParentDirectory();
    const std::vector<std::pair<const char*, std::function<void()>>> cases {
        { "damaged",
          [&] { settingsFile.replaceWithText("<?xml version=\"1.0\"?>\n<PROPERTIES><VALUE name=\"la"); } },
        { "not text", [&] { settingsFile.replaceWithData("PROP\xff\xff\xff\x7f\x01\x02", 10); } },
        { "a folder", [&] { settingsFile.createDirectory(); } },
        // Reading a named pipe would wait for a writer that never comes.
        { "a named pipe", [&] { ASSERT_EQ(mkfifo(settingsFile.getFullPathName().toRawUTF8(), 0600), 0); } },
        // The configuration folder cannot be made, as in a read-only home.
        { "unwritable",
          [&]
          {
              folder.deleteRecursively();
              folder.replaceWithText("not a folder");
          } },
    };

    for (const auto& [name, prepare] : cases)
    {
        SCOPED_TRACE(name);
        configHome.deleteRecursively();
        folder.createDirectory();
        prepare();

        make(firmware);
        EXPECT_EQ(selector->getText(), "(Disconnected)");
        EXPECT_FALSE(updateButton->isEnabled());
        choose(1);
        completeAnUpdate();
        EXPECT_TRUE(alerts.empty());
        screen.reset();
    }
}

TEST_F(OutputMemory, OpeningTheListShowsAPortPluggedInJustBefore)
{
    make();
    fakeseq_plug("Late Port");
    selector->showPopup(); // no message loop in between: read as the list opens
    EXPECT_TRUE(testsupport::describeItems(*selector).contains("3:Late Port"));
    selector->hidePopup();
    testsupport::pumpFor(20);
}
