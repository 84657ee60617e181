#include "FakeSeqControl.h"
#include "midi/MidiInterfaceClass.h"
#include "midi/PortLock.h"
#include "support/ComponentSearch.h"
#include "support/MessageLoop.h"
#include "ui/UserAlerts.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace
{
struct ChangeCounter final : juce::ChangeListener
{
    int count = 0;
    void changeListenerCallback(juce::ChangeBroadcaster*) override { ++count; }
};

/** An output-only interface over the stand-in's ports, its first change delivered. */
struct Interface : ::testing::Test
{
    void SetUp() override
    {
        fakeseq_reset();
        for (auto* name : { "Pedal A", "Pedal B", "Pedal C" })
            fakeseq_add_output_port(name);
    }

    void TearDown() override
    {
        midi.reset();
        fakeseq_reset();
    }

    void create()
    {
        midi = std::make_unique<MidiInterfaceClass>(true, false);
        midi->addChangeListener(&changes);
        midi->setBounds(0, 0, 400, midi->getPreferredHeight());
        selector = testsupport::findChild<juce::ComboBox>(*midi, "Output Selector");
        ASSERT_NE(selector, nullptr);
        ASSERT_TRUE(testsupport::pumpUntil([&] { return changes.count == 1; }));
    }

    /** Picks an item as the user would, and waits for the interface's notification. */
    void choose(int id)
    {
        const auto before = changes.count;
        selector->setSelectedId(id, juce::sendNotificationAsync);
        ASSERT_TRUE(testsupport::pumpUntil([&] { return changes.count > before; }));
        testsupport::pumpFor(20);
        EXPECT_EQ(changes.count, before + 1) << "one notification per choice";
    }

    std::unique_ptr<MidiInterfaceClass> midi;
    juce::ComboBox* selector = nullptr;
    ChangeCounter changes;
};

const juce::uint8* sysex(std::vector<juce::uint8>& bytes, size_t length)
{
    bytes.assign(length, 0);
    bytes.front() = 0xF0;
    for (size_t i = 1; i + 1 < length; ++i)
        bytes[i] = (juce::uint8)(i % 128);
    bytes.back() = 0xF7;
    return bytes.data();
}
} // namespace

TEST_F(Interface, ListsDisconnectedASeparatorThenTheDevicesAndStartsClosed)
{
    create();
    EXPECT_EQ(testsupport::describeItems(*selector),
              juce::StringArray({ "4:(Disconnected)", "-", "1:Pedal A", "2:Pedal B", "3:Pedal C" }));
    EXPECT_EQ(selector->getSelectedId(), 4);
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_FALSE(midi->isConnected());
    EXPECT_EQ(changes.count, 1); // exactly one change follows construction

    // The label attached above the selector is a child of the interface itself.
    juce::Label* label = nullptr;
    for (auto* child : midi->getChildren())
        if (auto* l = dynamic_cast<juce::Label*>(child))
            label = l;
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->getText(), "Select an output device:");
    EXPECT_EQ(label->getBottom(), selector->getY());
}

TEST_F(Interface, LaysOutOneSelectorUnderItsLabel)
{
    create();
    EXPECT_EQ(midi->getPreferredHeight(), 50);
    EXPECT_EQ(selector->getBounds(), juce::Rectangle<int>(0, 20, 400, 30));

    MidiInterfaceClass both(true, true);
    EXPECT_EQ(both.getPreferredHeight(), 100);
    both.setBounds(0, 0, 300, 100);
    auto* input = testsupport::findChild<juce::ComboBox>(both, "Input Selector");
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->getBounds(), juce::Rectangle<int>(0, 70, 300, 30));
    testsupport::pumpFor(20);
}

TEST_F(Interface, ChoosingADeviceOpensItAndDisconnectedClosesIt)
{
    create();
    choose(2);
    EXPECT_TRUE(midi->isConnected());
    EXPECT_EQ(fakeseq_is_connected("Pedal B"), 1);

    choose(4);
    EXPECT_FALSE(midi->isConnected());
    EXPECT_EQ(fakeseq_is_connected("Pedal B"), 0);
}

TEST_F(Interface, ChoosingAnotherDeviceClosesTheFirst)
{
    create();
    choose(1);
    choose(2);
    EXPECT_EQ(fakeseq_is_connected("Pedal A"), 0);
    EXPECT_EQ(fakeseq_is_connected("Pedal B"), 1);
    EXPECT_TRUE(midi->isConnected());
}

TEST_F(Interface, ADeviceThatFailsToOpenStaysShownButNotConnected)
{
    fakeseq_set_open_fails("Pedal C", 1);
    create();
    choose(3);
    EXPECT_EQ(selector->getText(), "Pedal C");
    EXPECT_FALSE(midi->isConnected());
}

TEST_F(Interface, TheListFollowsTheSystemAndKeepsTheChoiceByIdentifier)
{
    create();
    choose(2);
    const auto before = changes.count;

    // A port before the chosen one goes, another comes: the chosen one moves up the list.
    fakeseq_unplug("Pedal A");
    fakeseq_plug("Pedal D");
    const juce::StringArray expected { "4:(Disconnected)", "-", "1:Pedal B", "2:Pedal C", "3:Pedal D" };
    ASSERT_TRUE(
        testsupport::pumpUntil([&] { return testsupport::describeItems(*selector) == expected; }, 3000))
        << testsupport::describeItems(*selector).joinIntoString(", ");

    EXPECT_EQ(selector->getSelectedId(), 1);
    EXPECT_EQ(selector->getText(), "Pedal B");
    EXPECT_TRUE(midi->isConnected());
    EXPECT_EQ(fakeseq_is_connected("Pedal B"), 1);
    testsupport::pumpFor(50);
    EXPECT_EQ(changes.count, before) << "nothing the screen must hear of";

    // An item chosen from the fresh list opens the port it names.
    choose(3);
    EXPECT_EQ(fakeseq_is_connected("Pedal D"), 1);
    EXPECT_EQ(fakeseq_is_connected("Pedal B"), 0);
}

TEST_F(Interface, WithNothingOpenTheListIsFollowedWithoutClientsComingAndGoing)
{
    create();
    const auto opened = fakeseq_clients_opened();
    testsupport::pumpFor(1700); // three polls
    EXPECT_EQ(fakeseq_clients_opened(), opened) << "clients opened by polls that found no change";

    fakeseq_plug("Pedal D");
    EXPECT_TRUE(testsupport::pumpUntil(
        [&] { return testsupport::describeItems(*selector).contains("4:Pedal D"); }, 3000));
}

TEST_F(Interface, TheChosenOutputUnpluggedIsClosedAndChosenAgainWhenItComesBack)
{
    create();
    choose(1);

    auto before = changes.count;
    fakeseq_unplug("Pedal A");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return changes.count > before; }, 3000));
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_FALSE(midi->isConnected());
    EXPECT_EQ(fakeseq_is_connected("Pedal A"), 0) << "the device is closed";

    // It comes back under a new identifier: chosen again by its name.
    before = changes.count;
    fakeseq_plug("Pedal A");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return changes.count > before; }, 3000));
    EXPECT_EQ(selector->getText(), "Pedal A");
    EXPECT_TRUE(midi->isConnected());
    EXPECT_EQ(fakeseq_is_connected("Pedal A"), 1);

    // Gone again, and the user chooses another port meanwhile: that choice stands.
    fakeseq_unplug("Pedal A");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ! midi->isConnected(); }, 3000));
    choose(1); // "Pedal B", first in the list now
    fakeseq_plug("Pedal A");
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return testsupport::describeItems(*selector).contains("3:Pedal A"); }, 3000));
    testsupport::pumpFor(50);
    EXPECT_EQ(selector->getText(), "Pedal B");
    EXPECT_EQ(fakeseq_is_connected("Pedal B"), 1);
    EXPECT_EQ(fakeseq_is_connected("Pedal A"), 0);
}

TEST_F(Interface, APreferredOutputIsChosenOnceItAppearsUnlessTheUserChoseFirst)
{
    create();
    midi->preferOutput({ "Pedal E" });
    EXPECT_FALSE(midi->isConnected());

    fakeseq_change_after("Pedal E", 1, 0.2);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return midi->isConnected(); }, 3000));
    EXPECT_EQ(selector->getText(), "Pedal E");
    EXPECT_EQ(fakeseq_is_connected("Pedal E"), 1);
    EXPECT_EQ(midi->getChosenOutput().name, "Pedal E");

    // Wished for by the program, but the user chooses another port first, and then
    // "(Disconnected)": that stands.
    midi->preferOutput({ "Pedal F" });
    choose(2);
    choose(5);
    fakeseq_plug("Pedal F");
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return testsupport::describeItems(*selector).contains("5:Pedal F"); }, 3000));
    testsupport::pumpFor(50);
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_EQ(fakeseq_is_connected("Pedal F"), 0);
}

TEST_F(Interface, TheListIsLeftAloneWhileDisabledAndCatchesUpAfter)
{
    // An upload disables the interface while it sends through the open output.
    create();
    choose(1);
    const auto items = testsupport::describeItems(*selector);
    midi->setEnabled(false);

    fakeseq_plug("Pedal D");
    fakeseq_unplug("Pedal A");
    testsupport::pumpFor(3 * MidiInterfaceClass::outputPollIntervalMs);
    EXPECT_EQ(testsupport::describeItems(*selector), items);
    EXPECT_EQ(selector->getText(), "Pedal A");

    midi->setEnabled(true);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return selector->getText() == "(Disconnected)"; }, 3000));
    EXPECT_TRUE(testsupport::describeItems(*selector).contains("3:Pedal D"));
    EXPECT_FALSE(midi->isConnected());
}

TEST_F(Interface, NamesThatRepeatAreNumberedAndNeverTakenForEachOther)
{
    fakeseq_add_output_port("Pedal A");
    create();
    EXPECT_EQ(testsupport::describeItems(*selector),
              juce::StringArray(
                  { "5:(Disconnected)", "-", "1:Pedal A (1)", "2:Pedal B", "3:Pedal C", "4:Pedal A (2)" }));

    // The second of two identical interfaces: while it is away, the first is not taken for
    // it; back, it is chosen again.
    choose(4);
    EXPECT_EQ(midi->getChosenOutput().position, 1);
    fakeseq_unplug("Pedal A"); // the one added last
    ASSERT_TRUE(testsupport::pumpUntil([&] { return selector->getText() == "(Disconnected)"; }, 3000));
    testsupport::pumpFor(2 * MidiInterfaceClass::outputPollIntervalMs);
    EXPECT_FALSE(midi->isConnected());
    EXPECT_EQ(selector->getText(), "(Disconnected)");

    fakeseq_plug("Pedal A");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return midi->isConnected(); }, 3000));
    EXPECT_EQ(selector->getText(), "Pedal A (2)");
}

TEST_F(Interface, SendsAWholeSysexAsOneMessage)
{
    create();
    choose(1);

    std::vector<juce::uint8> bytes;
    EXPECT_EQ(midi->sendBytes(sysex(bytes, 500), 500), InterfaceBaseClass::sent);

    ASSERT_EQ(fakeseq_message_count("Pedal A"), 1);
    std::vector<unsigned char> got(600);
    ASSERT_EQ(fakeseq_get_message("Pedal A", 0, got.data(), (int)got.size(), nullptr, nullptr), 500);
    got.resize(500);
    EXPECT_EQ(std::vector<juce::uint8>(got.begin(), got.end()), bytes);
}

TEST_F(Interface, SendsNothingWithoutAnOutputOrWithoutBytes)
{
    create();
    std::vector<juce::uint8> bytes;
    EXPECT_EQ(midi->sendBytes(sysex(bytes, 9), 9), InterfaceBaseClass::noOutputOpen);

    choose(1);
    EXPECT_EQ(midi->sendBytes(bytes.data(), 0), InterfaceBaseClass::nothingToSend);
    EXPECT_EQ(midi->sendBytes(nullptr, 9), InterfaceBaseClass::nothingToSend);
    EXPECT_EQ(fakeseq_message_count("Pedal A"), 0);
    EXPECT_EQ(fakeseq_message_count("Pedal B"), 0);
}

TEST_F(Interface, AnOutputUnpluggedMidUploadFailsItsCheckAndShowsDisconnected)
{
    create();
    choose(1);
    fakeseq_unplug_after("Pedal A", 2);

    std::vector<juce::uint8> bytes;
    sysex(bytes, 40);
    EXPECT_EQ(midi->checkOutput(), InterfaceBaseClass::sent);
    EXPECT_EQ(midi->sendBytes(bytes.data(), 40), InterfaceBaseClass::sent);
    EXPECT_EQ(midi->sendBytes(bytes.data(), 40), InterfaceBaseClass::sent);
    EXPECT_EQ(midi->checkOutput(), InterfaceBaseClass::outputGone);
    EXPECT_EQ(midi->sendBytes(bytes.data(), 40), InterfaceBaseClass::noOutputOpen);
    EXPECT_EQ(fakeseq_message_count("Pedal A"), 2);
    EXPECT_EQ(fakeseq_send_failures("Pedal A"), 0); // nothing more was even tried

    const auto before = changes.count;
    ASSERT_TRUE(testsupport::pumpUntil([&] { return changes.count > before; }));
    EXPECT_FALSE(midi->isConnected());
    EXPECT_EQ(selector->getText(), "(Disconnected)");
    EXPECT_FALSE(midi->confirmOutputPresent());
}

TEST_F(Interface, APortThatRefusesTheConnectionIsNotOpenedAndTheUserIsToldItIsBusy)
{
    // JUCE hands back an output even when the system refused to connect it to the port.
    fakeseq_set_busy("Pedal B", 1);
    create();

    std::vector<UserAlerts::Alert> boxes;
    const UserAlerts::ScopedPresenter presenter([&](const UserAlerts::Alert& a) { boxes.push_back(a); });
    choose(2);

    EXPECT_FALSE(midi->isConnected());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].message.contains("\"Pedal B\" is in use by another program")) << boxes[0].message;

    // Another program cutting an open output off is found by the next check.
    choose(1);
    ASSERT_TRUE(midi->isConnected());
    fakeseq_disconnect("Pedal A");
    EXPECT_EQ(midi->checkOutput(), InterfaceBaseClass::notConnected);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Interface, AnOutputChosenAfterALongIdleWithNothingOpenIsConnected)
{
    // With nothing open, every poll of the list opens and closes a sequencer client; the
    // system numbers clients below 192, so an idle afternoon must not make the connection
    // check ask about a client number that cannot exist.
    for (int poll = 0; poll < 300; ++poll)
        juce::MidiOutput::getAvailableDevices();

    create();
    std::vector<UserAlerts::Alert> boxes;
    const UserAlerts::ScopedPresenter presenter([&](const UserAlerts::Alert& a) { boxes.push_back(a); });
    choose(1);

    EXPECT_TRUE(midi->isConnected());
    EXPECT_TRUE(boxes.empty()) << boxes.front().message;
}

TEST_F(Interface, OnePassAtATimeHoldsAnOutputAcrossInterfacesWhateverTheRuntimeFolderHolds)
{
    const auto runtime = juce::File(juce::SystemStats::getEnvironmentVariable("XDG_RUNTIME_DIR", {}));
    ASSERT_TRUE(runtime.isDirectory()) << "the test main gives each test process a runtime folder";

    create();
    choose(1);
    MidiInterfaceClass other(true, false);
    testsupport::findChild<juce::ComboBox>(other, "Output Selector")
        ->setSelectedId(1, juce::sendNotificationSync);
    ASSERT_TRUE(other.isConnected());

    // Nothing in a folder takes part in the lock: a folder, a link and a read-only
    // runtime folder where a lock file might be looked for change nothing.
    const auto name = PortLock::nameFor(juce::MidiOutput::getAvailableDevices()[0]);
    ASSERT_TRUE(runtime.getChildFile(name).createDirectory());
    ASSERT_TRUE(juce::File("/nonexistent").createSymbolicLink(runtime.getChildFile(name + ".lock"), true));
    ASSERT_TRUE(runtime.setReadOnly(true));
    const auto standing = [](const std::unique_ptr<OutputClaim>& claim)
    { return claim != nullptr ? claim->getStanding() : OutputClaim::Standing::unavailable; };
    using Standing = OutputClaim::Standing;

    {
        auto claim = midi->claimOutput();
        EXPECT_EQ(standing(claim), Standing::held);
        EXPECT_EQ(standing(other.claimOutput()), Standing::busy) << "the same port, from another interface";

        choose(2);
        EXPECT_EQ(standing(midi->claimOutput()), Standing::held) << "another port is not affected";
        choose(1);
    }

    EXPECT_EQ(standing(other.claimOutput()), Standing::held) << "the lock ends with its pass";
    runtime.setReadOnly(false);

    fakeseq_refuse_port_locks(1);
    const auto refused = other.claimOutput();
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(standing(refused), Standing::unavailable) << "a lock the system refuses is never held";
    EXPECT_EQ(refused->getProblem(), "Operation not permitted");
    fakeseq_refuse_port_locks(0);
}

TEST_F(Interface, PortNamesInUtf8AreShownAsWritten)
{
    fakeseq_add_output_port("T\xc3\xaate MIDI \xe2\x86\x92 1"); // "Tête MIDI → 1"
    fakeseq_add_output_port("Caf\xe9"); // Latin-1, not UTF-8: kept as read
    create();
    const auto items = testsupport::describeItems(*selector);
    ASSERT_EQ(items.size(), 7);
    EXPECT_EQ(items[5], juce::String::fromUTF8("4:T\xc3\xaate MIDI \xe2\x86\x92 1"));
    EXPECT_EQ(items[6], juce::String::fromUTF8("5:Caf\xc3\xa9"));
}

TEST_F(Interface, ASendNeverRacesTheClosingOfItsOutput)
{
    // The protocol sends on its own thread while the user may still switch ports; the
    // sanitizer builds catch a send through an output that is being deleted.
    create();
    choose(1);

    // As during an upload: the list does not look at the system while the sends go on.
    midi->setEnabled(false);

    std::atomic<bool> stop { false };
    std::vector<juce::uint8> bytes;
    sysex(bytes, 20);

    std::thread sender(
        [&]
        {
            while (! stop)
                midi->sendBytes(bytes.data(), (int)bytes.size());
        });

    for (int i = 0; i < 30; ++i)
    {
        selector->setSelectedId(1 + i % 4, juce::sendNotificationSync);
        testsupport::pumpFor(2);
    }

    stop = true;
    sender.join();
    SUCCEED();
}
