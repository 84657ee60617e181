// The keyboard focus as the look-and-feel shows it. Real keyboard focus needs a window on
// a (virtual) display, so each control sits in a small desktop window and takes the focus
// as a user's Tab would give it.

#include "LookTestSupport.h"
#include "look/TemplateLookAndFeel.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>
#include <memory>

namespace
{
/** 64-bit FNV-1a over the pixels, row by row, as 0xAARRGGBB. */
juce::String pixelHash(const juce::Image& image)
{
    juce::uint64 hash = 14695981039346656037ull;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto argb = image.getPixelAt(x, y).getARGB();

            for (int shift = 0; shift < 32; shift += 8)
            {
                hash ^= (argb >> shift) & 0xffu;
                hash *= 1099511628211ull;
            }
        }

    return juce::String::toHexString((juce::int64)hash);
}

/** Pixels that the focus turns clearly blue, the colour of the program's glass: a ring in
    its palette, not a mere tint (a focused control is also drawn more saturated) nor a
    thicker grey outline. */
int pixelsTurnedBlue(const juce::Image& focused, const juce::Image& unfocused)
{
    int count = 0;

    for (int y = 0; y < focused.getHeight(); ++y)
        for (int x = 0; x < focused.getWidth(); ++x)
        {
            const auto pixel = focused.getPixelAt(x, y);

            if (looktest::channelDistance(pixel, unfocused.getPixelAt(x, y)) > 64
                && pixel.getBlue() - pixel.getRed() > 60)
                ++count;
        }

    return count;
}

/** A plain desktop window in the program's look that holds the controls under test and
    one more focusable component, so that the focus can be taken away from a control
    without leaving the window. */
struct FocusWindow : ::testing::Test
{
    void SetUp() override
    {
        window.setLookAndFeel(&laf);
        window.setBounds(100, 100, 700, 200);
        elsewhere.setWantsKeyboardFocus(true);
        elsewhere.setBounds(0, 0, 10, 10);
        window.addAndMakeVisible(elsewhere);
        window.addToDesktop(0);
        window.setVisible(true);
        ASSERT_TRUE(testsupport::pumpUntil([this] { return window.isShowing(); }));
    }

    void TearDown() override
    {
        window.removeAllChildren();
        window.setLookAndFeel(nullptr);
    }

    /** The control as drawn while it has the keyboard focus and while it has not. */
    std::pair<juce::Image, juce::Image> drawFocusedAndNot(juce::Component& control)
    {
        window.addAndMakeVisible(control);
        control.setTopLeftPosition(20, 20);

        control.grabKeyboardFocus();
        EXPECT_TRUE(testsupport::pumpUntil([&] { return control.hasKeyboardFocus(false); }))
            << "the control did not take the focus";
        auto focused = control.createComponentSnapshot(control.getLocalBounds());

        elsewhere.grabKeyboardFocus();
        EXPECT_TRUE(testsupport::pumpUntil([&] { return ! control.hasKeyboardFocus(true); }));
        auto unfocused = control.createComponentSnapshot(control.getLocalBounds());

        window.removeChildComponent(&control);
        return { focused, unfocused };
    }

    TemplateLookAndFeel laf;
    juce::Component window;
    juce::Component elsewhere;
};
} // namespace

TEST_F(FocusWindow, EachControlShowsTheFocusOnlyWhileItHasItAndLooksAsBeforeWithout)
{
    // The controls as the program builds them, without their texts, so that no font takes
    // part in the comparison with the looks they had before the focus was drawn.
    juce::TextButton update("update");
    update.setButtonText({});
    update.setSize(94, 30);
    update.setConnectedEdges(juce::Button::ConnectedOnLeft);
    update.setColour(juce::TextButton::buttonColourId, juce::Colour(0xff7ebf7e));

    juce::TextButton help("Help");
    help.setButtonText({});
    help.setSize(94, 30);

    juce::ComboBox selector("Output Selector");
    selector.setSize(622, 30);

    // The help window's close button, as its title bar makes it.
    std::unique_ptr<juce::Button> close(laf.createDocumentWindowButton(juce::DocumentWindow::closeButton));
    close->setSize(23, 26);

    juce::TextEditor helpText;
    helpText.setMultiLine(true, true);
    helpText.setReadOnly(true);
    helpText.setSize(200, 100);

    struct Case
    {
        const char* name;
        juce::Component& control;
        const char* unfocusedHash; // drawn before the focus had a look of its own
        int minimumChange;
    };

    const Case cases[] = {
        { "update button", update, "b800c8ac9b27d1c1", 100 },
        { "Help button", help, "d53d7fdeb7e917fb", 150 },
        { "selector", selector, "8cf76f951a41bde5", 1000 },
        { "help window's close button", *close, "f7a726b18bb13f3a", 50 },
        { "help text", helpText, "157dcaf5417e2725", 500 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto [focused, unfocused] = drawFocusedAndNot(c.control);

        EXPECT_EQ(pixelHash(unfocused), juce::String(c.unfocusedHash)) << "the unfocused look changed";
        EXPECT_GE(pixelsTurnedBlue(focused, unfocused), c.minimumChange) << "the focus hardly shows";
    }
}
