#include "ScreenFixture.h"
#include "help/HelpVariants.h"

using UpdateScreen = ScreenFixture;

TEST_F(UpdateScreen, StartsNotReadyWithAnEmptyProgressLine)
{
    make();
    EXPECT_FALSE(updateButton->isEnabled());
    EXPECT_TRUE(isNotReadyColour());
    EXPECT_EQ(progressText(), "Update progress:");
    EXPECT_TRUE(midi->isEnabled());
    EXPECT_EQ(updateButton->getTooltip(), "click here to update the product");
    EXPECT_EQ(helpButton->getTooltip(), "click here to get help");
    EXPECT_TRUE(updateButton->isConnectedOnLeft());
    EXPECT_NE(labelStartingWith("STEP1"), nullptr);
    EXPECT_NE(labelStartingWith("STEP2"), nullptr);
}

TEST_F(UpdateScreen, TheUpdateButtonFollowsTheOutput)
{
    make();
    choose(1);
    EXPECT_TRUE(updateButton->isEnabled());
    EXPECT_TRUE(isReadyColour());

    choose(3); // "(Disconnected)"
    EXPECT_FALSE(updateButton->isEnabled());
    EXPECT_TRUE(isNotReadyColour());

    choose(2); // cannot be opened: its name stays shown, and the screen is not ready
    EXPECT_EQ(selector->getText(), "Broken");
    EXPECT_FALSE(updateButton->isEnabled());
    EXPECT_TRUE(isNotReadyColour());
}

TEST_F(UpdateScreen, UpdateWithoutAnOutputAsksForOneAndStartsNothing)
{
    make();
    screen->buttonClicked(updateButton); // the button is disabled; a direct call still must not start
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].icon, UserAlerts::Icon::warning);
    EXPECT_EQ(alerts[0].title, "");
    EXPECT_EQ(alerts[0].message, "Please select an output device");
    EXPECT_FALSE(screen->getProtocol()->isThreadRunning());
}

TEST_F(UpdateScreen, IsLaidOutInTheWindowsContentArea)
{
    make();
    EXPECT_EQ(labelStartingWith("This software")->getBounds(), juce::Rectangle<int>(10, 15, 622, 50));
    EXPECT_EQ(helpButton->getBounds(), juce::Rectangle<int>(538, 2, 94, 30));
    EXPECT_EQ(labelStartingWith("STEP1")->getBounds(), juce::Rectangle<int>(10, 70, 622, 30));
    EXPECT_EQ(midi->getBounds(), juce::Rectangle<int>(10, 105, 622, 50));
    EXPECT_EQ(labelStartingWith("STEP2")->getBounds(), juce::Rectangle<int>(10, 165, 622, 30));
    EXPECT_EQ(updateButton->getBounds(), juce::Rectangle<int>(538, 215, 94, 30));
    EXPECT_EQ(progressBar->getBounds(), juce::Rectangle<int>(10, 215, 528, 30));

    // The progress label sits on the bar, as wide as it.
    auto* progressLabel = labelStartingWith("Update progress:");
    EXPECT_EQ(progressLabel->getBottom(), 215);
    EXPECT_EQ(progressLabel->getX(), 10);
    EXPECT_EQ(progressLabel->getWidth(), 528);
}

TEST_F(UpdateScreen, NamesTheBuiltInFirmware)
{
    make();
    EXPECT_EQ(sentence(), "This software updater will update your Velamor firmware to version 1.01 - R353");
    EXPECT_EQ(screen->getFirmware()->getProductName(), "Velamor");
    EXPECT_TRUE(alerts.empty());
}

TEST_F(UpdateScreen, NamesALoadedFileWithoutAVersion)
{
    const auto file = writeFile("pedal.syx", messages({ 9 }));
    make(file.getFullPathName());
    EXPECT_EQ(sentence(), "This software updater will update your pedal firmware from the loaded sysex file");
    EXPECT_EQ(screen->getFirmware()->getSize(), 9u);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(UpdateScreen, KeepsTheBuiltInFirmwareWhenTheFileGivesNothing)
{
    make(temp.getChildFile("missing.syx").getFullPathName());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "File not found");
    EXPECT_EQ(sentence(), "This software updater will update your Velamor firmware to version 1.01 - R353");
    TearDown();
    SetUp();

    const auto empty = temp.getChildFile("empty.syx");
    ASSERT_TRUE(empty.create());
    make(empty.getFullPathName());
    EXPECT_TRUE(alerts.size() <= 1u); // the one from before only
    EXPECT_EQ(screen->getFirmware()->getSize(), 26631u);
    EXPECT_EQ(sentence(), "This software updater will update your Velamor firmware to version 1.01 - R353");
}

TEST_F(UpdateScreen, HelpShowsHidesAndRecentresTheSameWindow)
{
    make();
    auto findHelp = []
    {
        VeldtSaturatorHelpWindowClass* found = nullptr;
        for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
            if (auto* w
                = dynamic_cast<VeldtSaturatorHelpWindowClass*>(juce::Desktop::getInstance().getComponent(i)))
                found = w;
        return found;
    };

    auto* help = findHelp();
    ASSERT_NE(help, nullptr);
    EXPECT_FALSE(help->isVisible());

    const auto area = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    const auto centred = juce::Rectangle<int>(550, 400).withCentre(area.getCentre());

    helpButton->triggerClick();
    testsupport::pumpFor(30);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->getBounds(), centred);

    help->setBounds(5, 5, 300, 200); // moved and resized by the user
    screen->setSize(642, 365); // any layout puts it back
    EXPECT_EQ(help->getBounds(), centred);

    helpButton->triggerClick();
    testsupport::pumpFor(30);
    EXPECT_FALSE(help->isVisible());

    helpButton->triggerClick();
    testsupport::pumpFor(30);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(findHelp(), help); // the same window, not a second one
}

TEST_F(UpdateScreen, SharesOneTooltipWindowWithTheHelp)
{
    // Two tooltip windows without a parent would each show every tip.
    make();
    juce::SharedResourcePointer<juce::TooltipWindow> probe;
    EXPECT_EQ(probe.getReferenceCount(), 3); // the screen, the help content, this probe
}
