// The program as a screen reader meets it: the accessibility tree of the shown windows, and
// what the program tells the reader by itself. JUCE builds the tree on Linux too; only the
// bridge to a reader is missing, so the announcements and value notifications are recorded.

#include "FakeSeqControl.h"
#include "app/ContentComp.h"
#include "app/MainWindow.h"
#include "app/ScreenReader.h"
#include "help/HelpVariants.h"
#include "support/ComponentSearch.h"
#include "support/MessageLoop.h"
#include "ui/UserAlerts.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace
{
using Role = juce::AccessibilityRole;

struct Node
{
    juce::AccessibilityHandler* handler;
    Role role;
    juce::String title, value;
};

juce::String valueOf(const juce::AccessibilityHandler& h)
{
    auto* value = h.getValueInterface();
    return value != nullptr ? value->getCurrentValueAsString() : juce::String();
}

void walk(juce::AccessibilityHandler& h, std::vector<Node>& nodes)
{
    nodes.push_back({ &h, h.getRole(), h.getTitle(), valueOf(h) });
    for (auto* child : h.getChildren())
        walk(*child, nodes);
}

/** Every node of the tree below the component, as "role | title | value" lines. */
juce::String describe(const std::vector<Node>& nodes)
{
    juce::String text;
    for (const auto& n : nodes)
        text << (int)n.role << " | " << n.title << " | " << n.value << "\n";
    return text;
}

struct NoPause final : UploadPacing
{
    void pause(int) override {}
};

/** The main window over the stand-in's port "Pedal MIDI", with a firmware of ten 10-byte
    messages, and whatever it tells a screen reader recorded. The output it remembers is
    kept in the test's own configuration folder. */
struct ByEar : ::testing::Test
{
    void SetUp() override
    {
        fakeseq_reset();
        fakeseq_add_output_port("Pedal MIDI");
        file.replaceWithData(firmware.data(), firmware.size());
        const char* previous = std::getenv("XDG_CONFIG_HOME");
        savedConfigHome = previous != nullptr ? previous : "";
        setenv("XDG_CONFIG_HOME", configHome.getFullPathName().toRawUTF8(), 1);

        window = std::make_unique<MainWindow>(file.getFullPathName());
        window->centreWithSize(650, 400);
        selector = testsupport::findChild<PortSelector>(*window);
        ASSERT_NE(selector, nullptr);
        ASSERT_TRUE(testsupport::pumpUntil([this] { return window->isShowing(); }));
    }

    void TearDown() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        window.reset();
        fakeseq_reset();
        file.deleteFile();
        configHome.deleteRecursively();
        setenv("XDG_CONFIG_HOME", savedConfigHome.toRawUTF8(), 1);
    }

    std::vector<Node> tree(juce::Component& top) const
    {
        std::vector<Node> nodes;
        if (auto* root = top.getAccessibilityHandler())
            walk(*root, nodes);
        return nodes;
    }

    juce::AccessibilityHandler* find(juce::Component& top, Role role, const juce::String& title) const
    {
        for (const auto& n : tree(top))
            if (n.role == role && n.title == title)
                return n.handler;
        return nullptr;
    }

    void chooseThePedal()
    {
        selector->setSelectedId(1, juce::sendNotificationAsync);
        auto* update = testsupport::findChild<juce::TextButton>(*window, "update");
        ASSERT_TRUE(testsupport::pumpUntil([update] { return update->isEnabled(); }));
    }

    /** Presses "update" as a reader does, and waits for the pass to end. */
    void pressUpdate(const juce::String& lastWords)
    {
        auto* update = find(*window, Role::button, "update");
        ASSERT_NE(update, nullptr) << describe(tree(*window));
        window->getContent()->getProtocol()->setPacing(std::make_unique<NoPause>());
        ASSERT_TRUE(update->getActions().invoke(juce::AccessibilityActionType::press));
        ASSERT_TRUE(testsupport::pumpUntil([&] { return announcements.contains(lastWords); }))
            << announcements.joinIntoString(" / ");
        testsupport::pumpFor(100); // nothing more comes
    }

    const std::vector<juce::uint8> firmware = []
    {
        std::vector<juce::uint8> bytes;
        for (juce::uint8 i = 0; i < 10; ++i)
            bytes.insert(bytes.end(), { 0xF0, 0x00, 0x7E, 0x56, 0x01, 0x20, i, 0x02, 0x03, 0xF7 });
        return bytes;
    }();

    juce::File file = juce::File::createTempFile(".syx");
    juce::File configHome = juce::File::createTempFile("config");
    juce::String savedConfigHome;
    std::unique_ptr<MainWindow> window;
    PortSelector* selector = nullptr;

    juce::StringArray announcements;
    juce::StringArray percentsTold;
    ScreenReader::ScopedRecipient recipient { [this](const ScreenReader::Event& e)
                                              {
                                                  if (e.kind == ScreenReader::Event::Kind::announcement)
                                                      announcements.add(e.text);
                                                  else if (auto* h = e.component->getAccessibilityHandler())
                                                      percentsTold.add(valueOf(*h));
                                              } };
    std::vector<UserAlerts::Alert> alerts;
    UserAlerts::ScopedPresenter presenter { [this](const UserAlerts::Alert& a) { alerts.push_back(a); } };
};
} // namespace

TEST_F(ByEar, EveryControlHasARoleANameAndItsValue)
{
    const auto nodes = tree(*window);
    ASSERT_FALSE(nodes.empty());
    EXPECT_EQ(nodes.front().role, Role::window);
    EXPECT_EQ(nodes.front().title, window->getName());

    for (const auto& n : nodes)
    {
        const auto interactive
            = n.role == Role::button || n.role == Role::comboBox || n.role == Role::progressBar;
        EXPECT_TRUE(! interactive || n.title.isNotEmpty()) << describe(nodes);
    }

    // Disabled until an output is chosen, and read as such rather than left out.
    auto* update = find(*window, Role::button, "update");
    ASSERT_NE(update, nullptr) << describe(nodes);
    EXPECT_FALSE(update->getComponent().isEnabled());

    auto* output = find(*window, Role::comboBox, "MIDI output");
    ASSERT_NE(output, nullptr) << describe(nodes);
    EXPECT_EQ(valueOf(*output), "(Disconnected)");
    chooseThePedal();
    EXPECT_EQ(valueOf(*output), "Pedal MIDI");

    for (auto title : { "update", "Help" })
    {
        auto* button = find(*window, Role::button, title);
        ASSERT_NE(button, nullptr) << title << "\n" << describe(nodes);
        EXPECT_TRUE(button->getDescription().isNotEmpty()) << title;
    }

    auto* bar = find(*window, Role::progressBar, "Update progress");
    ASSERT_NE(bar, nullptr) << describe(nodes);
    EXPECT_EQ(valueOf(*bar), "0%");

    const auto status
        = std::find_if(nodes.begin(), nodes.end(),
                       [](const Node& n) { return n.title.startsWith(ContentComp::progressLabelPrefix); });
    ASSERT_NE(status, nodes.end()) << describe(nodes);
    EXPECT_EQ(status->role, Role::label);

    // The help window, opened as a reader would, by the button's press action.
    find(*window, Role::button, "Help")->getActions().invoke(juce::AccessibilityActionType::press);
    juce::Component* help = nullptr;
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* w = dynamic_cast<VeldtSaturatorHelpWindowClass*>(desktop.getComponent(i)))
            help = w;
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(testsupport::pumpUntil([help] { return help->isShowing(); }));
    EXPECT_EQ(help->getAccessibilityHandler()->getTitle(), "Velamor update help");

    auto* text = find(*help, Role::staticText, "Velamor update help");
    ASSERT_NE(text, nullptr) << describe(tree(*help));
    ASSERT_NE(text->getTextInterface(), nullptr);
    EXPECT_TRUE(text->getTextInterface()->isReadOnly());
    EXPECT_TRUE(text->getTextInterface()->getAllText().contains("Velamor"));
}

TEST_F(ByEar, APassIsAnnouncedAndItsBarToldAtEachWholePercent)
{
    chooseThePedal();
    pressUpdate("Update completed");

    EXPECT_EQ(fakeseq_message_count("Pedal MIDI"), 10);
    EXPECT_EQ(announcements.joinIntoString(" / "), "Update started / Update completed");
    EXPECT_EQ(percentsTold.joinIntoString(" "), "10% 20% 30% 40% 50% 60% 70% 80% 90% 100%");

    // Again: the bar told back at 0%, and the pass announced as the first.
    announcements.clear();
    percentsTold.clear();
    pressUpdate("Update completed");
    EXPECT_EQ(announcements.joinIntoString(" / "), "Update started / Update completed");
    EXPECT_EQ(percentsTold.joinIntoString(" "), "0% 10% 20% 30% 40% 50% 60% 70% 80% 90% 100%");
}

TEST_F(ByEar, AFailedPassIsAnnouncedByItsHeadlineOnce)
{
    chooseThePedal();
    fakeseq_unplug_after("Pedal MIDI", 3);
    pressUpdate("Update failed: the MIDI interface was disconnected");
    EXPECT_EQ(announcements.joinIntoString(" / "),
              "Update started / Update failed: the MIDI interface was disconnected");
    EXPECT_EQ(alerts.size(), 1u);

    // Plugged back in and run again: the old failure is neither announced nor boxed again.
    announcements.clear();
    fakeseq_plug("Pedal MIDI");
    ASSERT_TRUE(testsupport::pumpUntil([this] { return selector->getText() == "Pedal MIDI"; }));
    pressUpdate("Update completed");
    EXPECT_EQ(announcements.joinIntoString(" / "), "Update started / Update completed");
    EXPECT_EQ(alerts.size(), 1u);
}

TEST_F(ByEar, BoxesAreDialogsNamedByTheirTitleWithTheirMessage)
{
    // Reads the box once it is up, then closes it.
    struct BoxReader final : juce::Timer
    {
        BoxReader() { startTimer(100); }

        void timerCallback() override
        {
            if (auto* box = juce::Component::getCurrentlyModalComponent())
            {
                if (auto* h = box->getAccessibilityHandler())
                    read = { h, h->getRole(), h->getTitle(), h->getDescription() };
                box->exitModalState(0);
            }
        }

        Node read { nullptr, Role::unspecified, {}, {} };
    };

    const UserAlerts::Alert titled { UserAlerts::Icon::warning, "Update failed", "The interface is gone." };
    const UserAlerts::Alert untitled { UserAlerts::Icon::warning, {}, "Please select an output device" };

    for (const auto& [alert, name] : { std::pair(titled, "Update failed"), std::pair(untitled, "Warning") })
    {
        BoxReader reader;
        UserAlerts::showModalBox(alert);
        EXPECT_EQ(reader.read.role, Role::dialogWindow);
        EXPECT_EQ(reader.read.title, name);
        EXPECT_TRUE(reader.read.value.contains(alert.message)) << reader.read.value;
    }

    BoxReader reader;
    UserAlerts::askInModalBox({ UserAlerts::Icon::warning,
                                ContentComp::foreignFirmwareTitle,
                                "Send it?",
                                { "Send anyway", "Cancel" } });
    EXPECT_EQ(reader.read.role, Role::dialogWindow);
    EXPECT_EQ(reader.read.title, ContentComp::foreignFirmwareTitle);
    EXPECT_TRUE(reader.read.value.contains("Send it?")) << reader.read.value;
}
