#pragma once

#include "FakeSeqControl.h"
#include "app/ContentComp.h"
#include "support/ComponentSearch.h"
#include "support/MessageLoop.h"
#include "ui/AlertBox.h"
#include "ui/UserAlerts.h"

#include <gtest/gtest.h>

/** Lays the alert out in the program's box, with these buttons, on a screen of that area,
    and checks that it can be read whole there: the box on the screen, the text area inside
    the box's outline, every line of the text inside the text area (so that no line runs
    past its right edge), no text pixels in the last columns of the text area, every
    character of the title and message drawn, and the text either all shown or scrollable.
    Returns the lines as laid out. */
inline juce::StringArray expectReadableInBox(const UserAlerts::Alert& alert, juce::Rectangle<int> screenArea,
                                             const juce::StringArray& buttons = { "ok" })
{
    SCOPED_TRACE(
        ("\"" + alert.title + "\" / \"" + alert.message + "\" on " + screenArea.toString()).toStdString());
    const auto icon = alert.icon == UserAlerts::Icon::warning ? juce::MessageBoxIconType::WarningIcon
                                                              : juce::MessageBoxIconType::NoIcon;
    AlertBox box(alert.title, alert.message, icon, screenArea);

    for (int i = 0; i < buttons.size(); ++i)
        box.addButton(buttons[i], i);

    box.layOut();
    const auto area = box.getTextArea();
    const auto& layout = box.getTextLayout();

    EXPECT_TRUE(screenArea.contains(box.getBounds())) << box.getBounds().toString();
    EXPECT_TRUE(box.getLocalBounds().reduced(1).contains(area)) << area.toString();
    EXPECT_EQ(layout.getNumLines(), box.getLines().size()) << box.getLines().joinIntoString("|");
    EXPECT_LE(layout.getWidth(), (float)area.getWidth()) << box.getLines().joinIntoString("|");

    if (! box.isTextScrollable())
    {
        EXPECT_LE(layout.getHeight(), (float)area.getHeight());
    }

    // Glyphs other than spaces: one for each character that is not white space.
    int drawn = 0;

    for (const auto& line : layout)
    {
        for (const auto* run : line.runs)
        {
            juce::Array<int> space;
            juce::Array<float> offsets;
            run->font.getGlyphPositions(" ", space, offsets);

            for (const auto& glyph : run->glyphs)
                drawn += glyph.glyphCode != space[0] ? 1 : 0;
        }
    }

    const auto shown = alert.title + alert.message;
    EXPECT_EQ(drawn, shown.removeCharacters(" \t\r\n").length());

    const auto image = box.createComponentSnapshot(box.getLocalBounds());
    const auto background = box.findColour(juce::AlertWindow::backgroundColourId);
    const auto differs
        = [&](juce::Colour c) { return std::abs(c.getBrightness() - background.getBrightness()) > 0.25f; };
    int textPixelsAtTheEdge = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getRight() - 4; x < area.getRight(); ++x)
            textPixelsAtTheEdge += differs(image.getPixelAt(x, y)) ? 1 : 0;

    EXPECT_EQ(textPixelsAtTheEdge, 0);

    return box.getLines();
}

/** An update screen over the stand-in's ports "Pedal MIDI" and "Broken" (which cannot be
    opened), sized as in the 650 x 400 main window, with the alerts it shows recorded. */
struct ScreenFixture : ::testing::Test
{
    void SetUp() override
    {
        fakeseq_reset();
        fakeseq_add_output_port("Pedal MIDI");
        fakeseq_add_output_port("Broken");
        fakeseq_set_open_fails("Broken", 1);
        temp.createDirectory();
    }

    void TearDown() override
    {
        // Whatever a test made the screen tell the user can be read in the box.
        for (const auto& alert : alerts)
            for (const auto& screenArea :
                 { juce::Rectangle<int>(1280, 1024), juce::Rectangle<int>(640, 480) })
                expectReadableInBox(alert, screenArea);

        // As the application does at shutdown: the screen owns the default look-and-feel.
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        screen.reset();
        fakeseq_reset();
        temp.deleteRecursively();
    }

    void make(const juce::String& commandLine = {})
    {
        labels.clear();
        screen = std::make_unique<ContentComp>(nullptr, commandLine);
        screen->setSize(642, 366);

        midi = testsupport::findChild<MidiInterfaceClass>(*screen);
        selector = testsupport::findChild<juce::ComboBox>(*screen, "Output Selector");
        updateButton = testsupport::findChild<juce::TextButton>(*screen, "update");
        helpButton = testsupport::findChild<juce::TextButton>(*screen, "Help");
        progressBar = testsupport::findChild<juce::ProgressBar>(*screen);

        for (auto* child : screen->getChildren())
            if (auto* label = dynamic_cast<juce::Label*>(child))
                labels.add(label);

        ASSERT_NE(midi, nullptr);
        ASSERT_NE(selector, nullptr);
        ASSERT_NE(updateButton, nullptr);
        ASSERT_NE(helpButton, nullptr);
        ASSERT_NE(progressBar, nullptr);
        testsupport::pumpFor(30); // the selector's first change
    }

    juce::Label* labelStartingWith(const juce::String& start) const
    {
        for (auto* label : labels)
            if (label->getText().startsWith(start))
                return label;
        return nullptr;
    }

    juce::String progressText() const
    {
        auto* label = labelStartingWith(ContentComp::progressLabelPrefix);
        return label != nullptr ? label->getText() : juce::String("<no progress label>");
    }

    juce::String sentence() const
    {
        auto* label = labelStartingWith("This software updater");
        return label != nullptr ? label->getText() : juce::String("<no sentence>");
    }

    void choose(int id)
    {
        selector->setSelectedId(id, juce::sendNotificationAsync);
        testsupport::pumpFor(50);
    }

    void clickUpdate()
    {
        updateButton->triggerClick();
        testsupport::pumpFor(20);
    }

    bool isReadyColour() const
    {
        return updateButton->findColour(juce::TextButton::buttonColourId) == juce::Colour(0xff7ebf7e)
               && updateButton->findColour(juce::TextButton::buttonOnColourId) == juce::Colour(0xff7ebf7e);
    }

    bool isNotReadyColour() const
    {
        return updateButton->findColour(juce::TextButton::buttonColourId) == juce::Colour(0xffff7e7e)
               && updateButton->findColour(juce::TextButton::buttonOnColourId) == juce::Colour(0xffff7e7e);
    }

    juce::File writeFile(const juce::String& name, const std::vector<juce::uint8>& bytes) const
    {
        auto f = temp.getChildFile(name);
        f.getParentDirectory().createDirectory();
        f.replaceWithData(bytes.data(), bytes.size());
        return f;
    }

    /** Messages of the given lengths, back to back; from 7 bytes on, they start as the
        pedal's do (manufacturer 00 7E 56, then the device and the model byte). */
    static std::vector<juce::uint8> messages(std::initializer_list<int> lengths, juce::uint8 model = 0x20,
                                             juce::uint8 device = 0x01)
    {
        std::vector<juce::uint8> bytes;
        for (auto length : lengths)
        {
            const std::vector<juce::uint8> header { 0x00, 0x7E, 0x56, device, model };
            bytes.push_back(0xF0);
            for (int i = 0; i < length - 2; ++i)
                bytes.push_back(length >= 7 && i < 5 ? header[(size_t)i]
                                                     : (juce::uint8)((i * 3 + length) & 0x7F));
            bytes.push_back(0xF7);
        }
        return bytes;
    }

    std::vector<std::vector<juce::uint8>> delivered(const char* port) const
    {
        std::vector<std::vector<juce::uint8>> all;
        for (int i = 0; i < fakeseq_message_count(port); ++i)
        {
            std::vector<unsigned char> buffer(70000);
            const auto n = fakeseq_get_message(port, i, buffer.data(), (int)buffer.size(), nullptr, nullptr);
            all.emplace_back(buffer.begin(), buffer.begin() + n);
        }
        return all;
    }

    std::vector<UserAlerts::Alert> alerts;
    UserAlerts::ScopedPresenter presenter { [this](const UserAlerts::Alert& a) { alerts.push_back(a); } };
    juce::File temp = juce::File::createTempFile("flashmere-screen");

    std::unique_ptr<ContentComp> screen;
    MidiInterfaceClass* midi = nullptr;
    juce::ComboBox* selector = nullptr;
    juce::TextButton* updateButton = nullptr;
    juce::TextButton* helpButton = nullptr;
    juce::ProgressBar* progressBar = nullptr;
    juce::Array<juce::Label*> labels;
};
