#include "FakeSeqControl.h"
#include "app/Application.h"
#include "app/ContentComp.h"
#include "app/MainWindow.h"
#include "look/TitleBarColour.h"
#include "support/ComponentSearch.h"
#include "support/MessageLoop.h"
#include "ui/UserAlerts.h"

#include <gtest/gtest.h>

namespace
{
struct Window : ::testing::Test
{
    void SetUp() override
    {
        fakeseq_reset();
        fakeseq_add_output_port("Pedal MIDI");
    }

    void TearDown() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        window.reset();
        fakeseq_reset();
    }

    std::unique_ptr<MainWindow> window;
};
} // namespace

TEST_F(Window, IsTitledWithTheBuiltInFirmware)
{
    window = Application::openMainWindow({});

    EXPECT_EQ(window->getName(), "Velamor version 1.01 - R353");
    EXPECT_EQ(window->getBackgroundColour(), juce::Colour(0xffeff2f3));
    EXPECT_EQ(window->findColour(WindowColours::titleBarColourId), juce::Colour(0xff3273a1));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->getContentComponent()->getWidth(), 642);
    EXPECT_EQ(window->getContentComponent()->getHeight(), 366);

    // Neither smaller nor larger by dragging its border.
    window->setBoundsConstrained(window->getBounds().withSize(800, 600));
    EXPECT_EQ(window->getWidth(), 650);
    EXPECT_EQ(window->getHeight(), 400);
}

TEST_F(Window, IsTitledWithALoadedFilesNameAndNoBuild)
{
    const auto dir = juce::File::createTempFile("flashmere-title");
    dir.createDirectory();
    const auto file = dir.getChildFile("nd_v2.syx");
    const juce::uint8 bytes[] = { 0xF0, 0x01, 0xF7 };
    file.replaceWithData(bytes, sizeof(bytes));

    window = std::make_unique<MainWindow>(file.getFullPathName());
    EXPECT_EQ(window->getName(), "nd_v2 version 0.00");
    dir.deleteRecursively();
}

TEST_F(Window, ClosingDuringAnUploadEndsItWithinOneMessageAndPause)
{
    window = Application::openMainWindow({});
    window->centreWithSize(650, 400);
    auto* selector = testsupport::findChild<juce::ComboBox>(*window, "Output Selector");
    ASSERT_NE(selector, nullptr);
    selector->setSelectedId(1, juce::sendNotificationAsync);
    testsupport::pumpFor(50);

    testsupport::findChild<juce::TextButton>(*window, "update")->triggerClick();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return fakeseq_message_count("Pedal MIDI") >= 2; }));

    const auto sentBefore = fakeseq_message_count("Pedal MIDI");
    const auto start = juce::Time::getMillisecondCounterHiRes();
    window->closeButtonPressed(); // the test application's quit does nothing
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;

    EXPECT_FALSE(window->getContent()->getProtocol()->isThreadRunning());
    EXPECT_LT(elapsed, 1500.0);
    EXPECT_LE(fakeseq_message_count("Pedal MIDI"), sentBefore + 1);
    std::printf("close during an upload took %.1f ms\n", elapsed);
}

TEST_F(Window, ClosingWithNoUploadDoesNotWait)
{
    window = Application::openMainWindow({});
    const auto start = juce::Time::getMillisecondCounterHiRes();
    window->closeButtonPressed();
    EXPECT_LT(juce::Time::getMillisecondCounterHiRes() - start, 200.0);
}
