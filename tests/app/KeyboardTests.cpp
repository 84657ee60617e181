// The program by keyboard alone, on a real (virtual) display: keys go in where the window
// system would deliver them, to the window that has the focus, and travel from the focused
// control up as JUCE sends them.

#include "FakeSeqControl.h"
#include "app/ContentComp.h"
#include "app/LoopbackWindow.h"
#include "app/MainWindow.h"
#include "app/ScreenReader.h"
#include "help/HelpVariants.h"
#include "support/ComponentSearch.h"
#include "support/MessageLoop.h"
#include "ui/UserAlerts.h"

#include <gtest/gtest.h>

namespace
{
const juce::KeyPress tab(juce::KeyPress::tabKey);
const juce::KeyPress shiftTab(juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0);
const juce::KeyPress space(juce::KeyPress::spaceKey);
const juce::KeyPress returnKey(juce::KeyPress::returnKey);
const juce::KeyPress escape(juce::KeyPress::escapeKey);
const juce::KeyPress down(juce::KeyPress::downKey);

juce::Component* focused()
{
    return juce::Component::getCurrentlyFocusedComponent();
}

/** What the focused component is, for messages. */
juce::String describeFocus()
{
    auto* c = focused();
    return c == nullptr ? juce::String("nothing") : c->getName() + " (" + typeid(*c).name() + ")";
}

/** The key, sent to the window that has the keyboard focus. */
void press(const juce::KeyPress& key)
{
    auto* c = focused();
    ASSERT_NE(c, nullptr) << "no component has the keyboard focus for " << key.getTextDescription();
    ASSERT_NE(c->getPeer(), nullptr);
    c->getPeer()->handleKeyPress(key);
    testsupport::pumpFor(30);
}

/** The main window over the stand-in's port "Pedal MIDI", with a one-message firmware file
    so that a pass ends within a second. */
struct Keyboard : ::testing::Test
{
    void SetUp() override
    {
        fakeseq_reset();
        fakeseq_add_output_port("Pedal MIDI");

        // Keys only: the pointer rests where it touches no window.
        juce::Desktop::setMousePosition({ 0, 0 });
        // The pedal's own header, so that no question about another product's firmware comes.
        const juce::uint8 message[] = { 0xF0, 0x00, 0x7E, 0x56, 0x01, 0x20, 0x01, 0x02, 0xF7 };
        file.replaceWithData(message, sizeof(message));

        window = std::make_unique<MainWindow>(file.getFullPathName());
        window->centreWithSize(650, 400);
        selector = testsupport::findChild<juce::ComboBox>(*window, "Output Selector");
        update = testsupport::findChild<juce::TextButton>(*window, "update");
        help = testsupport::findChild<juce::TextButton>(*window, "Help");
        ASSERT_TRUE(selector != nullptr && update != nullptr && help != nullptr);

        ASSERT_TRUE(focusIsOn(selector)) << "focus on " << describeFocus();
    }

    void TearDown() override
    {
        juce::PopupMenu::dismissAllActiveMenus();
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        window.reset();
        fakeseq_reset();
        file.deleteFile();
    }

    bool focusIsOn(juce::Component* c) const
    {
        return testsupport::pumpUntil([c] { return focused() == c; }, 2000);
    }

    static VeldtSaturatorHelpWindowClass* helpWindow()
    {
        auto& desktop = juce::Desktop::getInstance();
        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* w = dynamic_cast<VeldtSaturatorHelpWindowClass*>(desktop.getComponent(i)))
                return w;
        return nullptr;
    }

    juce::File file = juce::File::createTempFile(".syx");
    std::unique_ptr<MainWindow> window;
    juce::ComboBox* selector = nullptr;
    juce::TextButton* update = nullptr;
    juce::TextButton* help = nullptr;
};
} // namespace

TEST_F(Keyboard, TheWindowOpensOnTheSelectorAndTabGoesInReadingOrderPastDisabledControls)
{
    // SetUp has seen the focus go to the selector.
    // No output yet: the update button is disabled and skipped both ways.
    press(tab);
    EXPECT_TRUE(focusIsOn(help)) << describeFocus();
    press(tab);
    EXPECT_TRUE(focusIsOn(selector)) << describeFocus();
    press(shiftTab);
    EXPECT_TRUE(focusIsOn(help)) << describeFocus();
    press(tab);

    press(down); // the first port
    ASSERT_TRUE(testsupport::pumpUntil([this] { return update->isEnabled(); }));
    EXPECT_EQ(selector->getText(), "Pedal MIDI");
    press(tab);
    EXPECT_TRUE(focusIsOn(update)) << describeFocus();
    press(tab);
    EXPECT_TRUE(focusIsOn(help)) << describeFocus();
    press(shiftTab);
    EXPECT_TRUE(focusIsOn(update)) << describeFocus();
}

// The selector's list is opened by real keys in the end-to-end test: the keys here do not
// go through the X server, and the server's news of the window's focus, still unread,
// would reach JUCE only while the list is open and send the focus there.
TEST_F(Keyboard, SpaceAndReturnPressTheFocusedButton)
{
    press(down);
    ASSERT_TRUE(testsupport::pumpUntil([this] { return update->isEnabled(); }));
    press(tab);
    ASSERT_TRUE(focusIsOn(update));

    for (const auto& key : { space, returnKey })
    {
        SCOPED_TRACE(key.getTextDescription());
        const auto sentBefore = fakeseq_message_count("Pedal MIDI");
        press(key);
        EXPECT_TRUE(
            testsupport::pumpUntil([&] { return fakeseq_message_count("Pedal MIDI") == sentBefore + 1; }));

        // The pass disables the button; the focus moves on to the next enabled control
        // rather than vanishing with it.
        EXPECT_TRUE(focusIsOn(help)) << describeFocus();
        ASSERT_TRUE(testsupport::pumpUntil([this] { return update->isEnabled(); }));
        press(shiftTab);
        ASSERT_TRUE(focusIsOn(update)) << describeFocus();
    }
}

TEST_F(Keyboard, TheHelpWindowTakesTheFocusTabLeavesItsTextAndEscapeGivesTheFocusBack)
{
    press(shiftTab);
    ASSERT_TRUE(focusIsOn(help));
    press(space);

    auto* window = helpWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(testsupport::pumpUntil([window] { return window->isShowing(); }));
    auto* text = testsupport::findChild<juce::TextEditor>(*window);
    ASSERT_TRUE(focusIsOn(text)) << describeFocus();

    const auto helpText = text->getText();
    press(juce::KeyPress('x', 0, 'x'));
    EXPECT_EQ(text->getText(), helpText);

    // Tab leaves the text for the title-bar buttons, and comes back to it.
    juce::Component* previous = text;
    for (int i = 0; i < 3; ++i)
    {
        press(tab);
        auto* button = dynamic_cast<juce::Button*>(focused());
        ASSERT_NE(button, nullptr) << describeFocus();
        EXPECT_TRUE(window->isParentOf(button));
        EXPECT_NE(button, previous);
        previous = button;
    }
    press(tab);
    EXPECT_TRUE(focusIsOn(text)) << describeFocus();

    press(escape);
    EXPECT_TRUE(testsupport::pumpUntil([window] { return ! window->isVisible(); }));
    EXPECT_TRUE(focusIsOn(help)) << "the focus went to " << describeFocus();

    // Return shows it again; its close button, pressed by Space, gives the focus back too.
    press(returnKey);
    ASSERT_TRUE(focusIsOn(text)) << describeFocus();
    window->getCloseButton()->grabKeyboardFocus();
    press(space);
    EXPECT_TRUE(testsupport::pumpUntil([window] { return ! window->isVisible(); }));
    EXPECT_TRUE(focusIsOn(help)) << "the focus went to " << describeFocus();
}

TEST_F(Keyboard, TheMessageBoxTakesTheFocusAndReturnSpaceAndEscapeEachCloseIt)
{
    press(shiftTab);
    ASSERT_TRUE(focusIsOn(help));

    for (const auto& key : { returnKey, space, escape })
    {
        SCOPED_TRACE(key.getTextDescription());

        // Presses the key once the box is up; if the key does not close the box, closes it
        // itself a little later, so that the test fails instead of hanging.
        struct BoxDriver final : juce::Timer
        {
            explicit BoxDriver(juce::KeyPress k)
                : key(k)
            {
                startTimer(300);
            }

            void timerCallback() override
            {
                auto* box = dynamic_cast<juce::AlertWindow*>(juce::Component::getCurrentlyModalComponent());

                if (keyPressed)
                {
                    stopTimer();
                    if (box != nullptr)
                    {
                        closedByTheKey = false;
                        box->exitModalState(0);
                    }
                    return;
                }

                if (box == nullptr)
                    return;

                auto* ok = testsupport::findChild<juce::TextButton>(*box);
                focusInBox = ok != nullptr && ok->hasKeyboardFocus(false) ? "ok" : describeFocus();
                keyPressed = true;
                startTimer(3000);
                press(key);
            }

            juce::KeyPress key;
            juce::String focusInBox = "the box was not found";
            bool keyPressed = false;
            bool closedByTheKey = true;
        } driver(key);

        UserAlerts::showModalBox({ UserAlerts::Icon::warning, "Update failed", "The interface is gone." });

        EXPECT_EQ(driver.focusInBox, "ok");
        EXPECT_TRUE(driver.closedByTheKey);
        EXPECT_TRUE(focusIsOn(help)) << "the focus went to " << describeFocus();
    }
}

// The window system's news that the window lost and regained the focus come late and in
// any order with JUCE's own focus changes. After the selector's list, the peer remembered
// the selector; a box closed by Return then gave the focus back to the help button, and
// the late news of the window being active again took it to the selector, where the next
// Return opened the list.
TEST_F(Keyboard, TheFocusGivenBackAfterABoxSurvivesTheWindowSystemsLateNews)
{
    auto* peer = window->getPeer();
    ASSERT_NE(peer, nullptr);
    peer->handleFocusLoss(); // the selector's list takes the focus...
    peer->handleFocusGain(); // ...and gives it back
    press(shiftTab);
    ASSERT_TRUE(focusIsOn(help));

    struct BoxCloser final : juce::Timer
    {
        BoxCloser() { startTimer(100); }

        void timerCallback() override
        {
            if (auto* box = juce::Component::getCurrentlyModalComponent())
                box->exitModalState(0);
        }
    } closer;

    UserAlerts::showModalBox({ UserAlerts::Icon::warning, "Update failed", "The interface is gone." });
    ASSERT_TRUE(focusIsOn(help)) << describeFocus();

    peer->handleFocusGain(); // the window is active again
    EXPECT_EQ(focused(), help) << "the focus went to " << describeFocus();
}

TEST_F(Keyboard, TheInterfaceTestRunsByKeyboardAloneAndItsVerdictIsShownAndAnnounced)
{
    fakeseq_add_loopback_port("Loop");
    juce::StringArray announced;
    const ScreenReader::ScopedRecipient recipient { [&](const ScreenReader::Event& e)
                                                    {
                                                        if (e.kind == ScreenReader::Event::Kind::announcement)
                                                            announced.add(e.text);
                                                    } };
    LoopbackWindow testWindow("Loop", { 9, 20 });
    testWindow.centreWithSize(480, 280);
    testWindow.setVisible(true);
    testWindow.toFront(true);
    auto& panel = testWindow.getPanel();
    auto* output = testsupport::findChild<juce::ComboBox>(panel, "Output");
    auto* start = testsupport::findChild<juce::TextButton>(panel, LoopbackPanel::startText);
    ASSERT_TRUE(output != nullptr && start != nullptr);
    EXPECT_EQ(output->getText(), "Loop") << "the output is preselected";
    ASSERT_TRUE(focusIsOn(output)) << describeFocus();

    // Output, input, start: Space starts; the verdict is shown, told, and the focus is back
    // on the start button for another run.
    fakeseq_set_loop_faults("drop:1");
    press(tab);
    press(tab);
    ASSERT_TRUE(focusIsOn(start)) << describeFocus();
    press(space);
    EXPECT_TRUE(panel.isTesting());
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! panel.isTesting(); }, 10000));
    testsupport::pumpFor(50);
    EXPECT_EQ(panel.getVerdictText(), "Verdict: message 1 lost");
    EXPECT_TRUE(announced.contains("Verdict: message 1 lost")) << announced.joinIntoString("|");
    EXPECT_TRUE(focusIsOn(start)) << describeFocus();

    // The verdict is painted where it can be read: text pixels in its label.
    const auto image = panel.createComponentSnapshot(panel.getLocalBounds());
    const auto* verdict = testsupport::findChild<juce::Label>(panel, "Verdict");
    ASSERT_NE(verdict, nullptr);
    const auto background = panel.findColour(juce::ResizableWindow::backgroundColourId);
    int textPixels = 0;

    for (int y = verdict->getY(); y < verdict->getBottom(); ++y)
        for (int x = verdict->getX(); x < verdict->getRight(); ++x)
            textPixels
                += std::abs(image.getPixelAt(x, y).getBrightness() - background.getBrightness()) > 0.3f;

    EXPECT_GT(textPixels, 50);

    // Escape closes the window in the middle of a run, which stops the test.
    fakeseq_set_loop_faults("");
    press(returnKey);
    EXPECT_TRUE(panel.isTesting());
    press(escape);
    EXPECT_FALSE(testWindow.isVisible());
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! panel.isTesting(); }, 2000));
    EXPECT_EQ(panel.getVerdictText(), "the test was stopped");
}
