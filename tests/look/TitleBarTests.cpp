// The title bar: its gradient and text, the glass buttons and where they go.

#include "LookTestSupport.h"
#include "look/GlassWindowButton.h"
#include "look/TemplateLookAndFeel.h"
#include "look/TitleBarColour.h"

#include <gtest/gtest.h>

using looktest::hex;
using looktest::render;

namespace
{
const juce::Colour transparent = juce::Colours::transparentBlack;
const juce::Colour magenta(0xffff00ff);

/** A document window that is never put on the desktop, drawn by the given look-and-feel. */
struct OffscreenWindow
{
    OffscreenWindow(juce::LookAndFeel& laf, const juce::String& name,
                    int buttons = juce::DocumentWindow::allButtons)
        : window(name, WindowColours::background, buttons, false)
    {
        window.setLookAndFeel(&laf);
    }

    ~OffscreenWindow() { window.setLookAndFeel(nullptr); }

    juce::DocumentWindow window;
};

juce::Image drawTitleBar(TemplateLookAndFeel& laf, juce::DocumentWindow& window, int w, int h,
                         int titleSpaceX, int titleSpaceW, bool onLeft)
{
    return render(
        w, h, magenta,
        [&](juce::Graphics& g)
        { laf.drawDocumentWindowTitleBar(window, g, w, h, titleSpaceX, titleSpaceW, nullptr, onLeft); });
}

/** The gradient's colour at the centre of row y of a bar h pixels high. */
juce::Colour gradientAt(juce::Colour top, juce::Colour bottom, int y, int h)
{
    return top.interpolatedWith(bottom, ((float)y + 0.5f) / (float)h);
}

/** Bounds of the pixels in which `withText` differs from `withoutText`. */
juce::Rectangle<int> textBounds(const juce::Image& withText, const juce::Image& withoutText)
{
    int left = withText.getWidth(), right = -1;
    for (int y = 0; y < withText.getHeight(); ++y)
        for (int x = 0; x < withText.getWidth(); ++x)
            if (withText.getPixelAt(x, y).getARGB() != withoutText.getPixelAt(x, y).getARGB())
            {
                left = juce::jmin(left, x);
                right = juce::jmax(right, x);
            }

    return right < 0 ? juce::Rectangle<int>()
                     : juce::Rectangle<int>(left, 0, right - left + 1, withText.getHeight());
}
} // namespace

//==============================================================================
TEST(TitleBar, GradientRunsFromTheWindowsTitleBarColourToItsBackground)
{
    TemplateLookAndFeel laf;
    OffscreenWindow programWindow(laf, {});
    programWindow.window.setColour(WindowColours::titleBarColourId, WindowColours::titleBar);
    OffscreenWindow redWindow(laf, {});
    redWindow.window.setColour(WindowColours::titleBarColourId, juce::Colour(0xffc02020));
    OffscreenWindow otherWindow(laf, {}); // carries no title-bar colour of its own

    const int h = 26;

    for (auto* window : { &programWindow.window, &redWindow.window, &otherWindow.window })
    {
        const juce::Colour top
            = window == &redWindow.window ? juce::Colour(0xffc02020) : juce::Colour(0xff3273a1);
        SCOPED_TRACE("title-bar colour " + hex(top));

        const auto image = drawTitleBar(laf, *window, 200, h, 6, 188, true);

        for (const int y : { 0, 6, 13, 25 })
            EXPECT_LE(looktest::channelDistance(image.getPixelAt(2, y),
                                                gradientAt(top, WindowColours::background, y, h)),
                      3)
                << "row " << y << ": " << hex(image.getPixelAt(2, y));

        // The end rows are half a row (1/52 of the way) from either end colour.
        EXPECT_LE(looktest::channelDistance(image.getPixelAt(2, 0), top), 6);
        EXPECT_LE(looktest::channelDistance(image.getPixelAt(2, h - 1), WindowColours::background), 7);
    }
}

TEST(TitleBar, InactiveWindowTitleIsTheBackgroundContrastingByPointFour)
{
    TemplateLookAndFeel laf;
    OffscreenWindow named(laf, "Velamor");
    OffscreenWindow unnamed(laf, {});
    ASSERT_FALSE(named.window.isActiveWindow());

    const auto withText = drawTitleBar(laf, named.window, 300, 26, 6, 288, true);
    const auto withoutText = drawTitleBar(laf, unnamed.window, 300, 26, 6, 288, true);

    // The darkest text pixel is the text colour itself: the near-white background has a
    // channel sum above 384, so black is laid over it at 0.4.
    juce::Colour darkest = juce::Colours::white;
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 300; ++x)
            if (withText.getPixelAt(x, y).getBrightness() < darkest.getBrightness())
                darkest = withText.getPixelAt(x, y);

    const juce::Colour expected
        = WindowColours::background.overlaidWith(juce::Colours::black.withAlpha(0.4f));
    EXPECT_LE(looktest::channelDistance(darkest, expected), 3)
        << hex(darkest) << " expected " << hex(expected);

    // Drawn on the left, the text starts at the title space.
    const auto bounds = textBounds(withText, withoutText);
    EXPECT_GE(bounds.getX(), 6);
    EXPECT_LE(bounds.getX(), 9);
}

TEST(TitleBar, CentredTitleIsCentredAndALongOneStaysInsideTheTitleSpace)
{
    TemplateLookAndFeel laf;
    OffscreenWindow named(laf, "Velamor");
    OffscreenWindow longName(laf, "Velamor version 1.01 - R353 with a much longer title than fits");
    OffscreenWindow unnamed(laf, {});

    const auto plain = drawTitleBar(laf, unnamed.window, 300, 26, 6, 288, false);
    const auto centred = textBounds(drawTitleBar(laf, named.window, 300, 26, 6, 288, false), plain);
    EXPECT_NEAR(centred.getCentreX(), 150, 3);

    const auto clipped = textBounds(drawTitleBar(laf, longName.window, 300, 26, 40, 150, false), plain);
    EXPECT_GE(clipped.getX(), 40);
    EXPECT_LE(clipped.getRight(), 190);
}

//==============================================================================
TEST(WindowButtons, OnlyMinimiseMaximiseAndCloseGetAButton)
{
    TemplateLookAndFeel laf;

    const std::pair<int, const char*> known[] = {
        { juce::DocumentWindow::minimiseButton, "minimise" },
        { juce::DocumentWindow::maximiseButton, "maximise" },
        { juce::DocumentWindow::closeButton, "close" },
    };

    for (const auto& [type, name] : known)
    {
        std::unique_ptr<juce::Button> button(laf.createDocumentWindowButton(type));
        ASSERT_NE(dynamic_cast<GlassWindowButton*>(button.get()), nullptr) << type;
        EXPECT_EQ(button->getName(), name);
    }

    for (const int type : { 0, 3, 5, 7, 8, -1 })
        EXPECT_EQ(std::unique_ptr<juce::Button>(laf.createDocumentWindowButton(type)), nullptr) << type;
}

//==============================================================================
class ButtonPositions : public testing::Test
{
protected:
    void place(int x, int y, int w, int h, bool onLeft)
    {
        laf.positionDocumentWindowButtons(host.window, x, y, w, h, &minimise, &maximise, &close, onLeft);
    }

    TemplateLookAndFeel laf;
    OffscreenWindow host { laf, {}, 0 };
    juce::TextButton minimise, maximise, close;
};

TEST_F(ButtonPositions, OnTheRightCloseSitsAQuarterButtonInThenAQuarterGapThenMaximiseAndMinimise)
{
    // A 26-pixel title bar gets buttons 23 wide (an eighth narrower); a quarter of that is 5.
    place(0, 0, 650, 26, false);

    EXPECT_EQ(close.getBounds(), juce::Rectangle<int>(650 - 5 - 23, 0, 23, 26));
    EXPECT_EQ(maximise.getBounds(), juce::Rectangle<int>(close.getX() - 5 - 23, 0, 23, 26));
    EXPECT_EQ(minimise.getBounds(), juce::Rectangle<int>(maximise.getX() - 23, 0, 23, 26));
    EXPECT_EQ(minimise.getX(), 571);
}

TEST_F(ButtonPositions, OnTheLeftTheOrderIsCloseMinimiseMaximiseFromFourPixelsIn)
{
    place(10, 3, 400, 26, true);

    EXPECT_EQ(close.getBounds(), juce::Rectangle<int>(14, 3, 23, 26));
    EXPECT_EQ(minimise.getBounds(), juce::Rectangle<int>(37, 3, 23, 26));
    EXPECT_EQ(maximise.getBounds(), juce::Rectangle<int>(60, 3, 23, 26));
}

TEST(WindowButtons, AWindowGetsGlassButtonsAtTheRightOfItsTitleBar)
{
    TemplateLookAndFeel laf;
    OffscreenWindow window(laf, "Velamor");
    window.window.setBounds(0, 0, 650, 400);

    const auto titleBar = window.window.getTitleBarArea();
    ASSERT_EQ(titleBar.getHeight(), 26);

    auto* close = window.window.getCloseButton();
    auto* maximise = window.window.getMaximiseButton();
    auto* minimise = window.window.getMinimiseButton();
    ASSERT_NE(dynamic_cast<GlassWindowButton*>(close), nullptr);
    ASSERT_NE(dynamic_cast<GlassWindowButton*>(maximise), nullptr);
    ASSERT_NE(dynamic_cast<GlassWindowButton*>(minimise), nullptr);

    EXPECT_EQ(close->getRight(), titleBar.getRight() - 5);
    EXPECT_EQ(maximise->getRight(), close->getX() - 5);
    EXPECT_EQ(minimise->getRight(), maximise->getX());
    EXPECT_EQ(close->getY(), titleBar.getY());
    EXPECT_EQ(close->getHeight(), 26);
}

//==============================================================================
TEST(GlassWindowButton, CircleIsCentredAlongTheLongerSide)
{

    juce::Path cross;
    cross.addLineSegment({ 0.0f, 0.0f, 1.0f, 1.0f }, 0.35f);

    const auto paintedArea = [&](int w, int h)
    {
        GlassWindowButton button("close", juce::Colour(0xff3273a1), cross, cross);
        button.setSize(w, h);
        return looktest::paintedBounds(
            render(w, h, transparent, [&](juce::Graphics& g) { button.paintButton(g, false, false); }),
            transparent);
    };

    // The circle is 0.9 of the shorter side: 18 pixels of a 20-pixel side.
    const auto wide = paintedArea(60, 20);
    EXPECT_NEAR(wide.getWidth(), 18, 1);
    EXPECT_NEAR(wide.getHeight(), 18, 1);
    EXPECT_LE(std::abs(wide.getX() - (60 - wide.getRight())), 1) << wide.toString();
    EXPECT_LE(std::abs(wide.getY() - (20 - wide.getBottom())), 1) << wide.toString();

    const auto tall = paintedArea(20, 60);
    EXPECT_NEAR(tall.getWidth(), 18, 1);
    EXPECT_LE(std::abs(tall.getY() - (60 - tall.getBottom())), 1) << tall.toString();
    EXPECT_LE(std::abs(tall.getX() - (20 - tall.getRight())), 1) << tall.toString();
}

TEST(GlassWindowButton, StrengthFollowsHoverAndPressAndHalvesWhenDisabled)
{
    juce::Path bar;
    bar.addLineSegment({ 0.0f, 0.5f, 1.0f, 0.5f }, 0.25f);
    GlassWindowButton button("minimise", juce::Colour(0xffeff2f3), bar, bar);
    button.setSize(40, 40);

    // (20, 2) lies in the grey ring round the glass (the ring spans 2 pixels between the
    // outer circle, radius 18, and the sphere, radius 16), covered by nothing else.
    const auto ringAlpha = [&](bool over, bool down)
    {
        return render(40, 40, transparent, [&](juce::Graphics& g) { button.paintButton(g, over, down); })
                   .getPixelAt(20, 2)
                   .getFloatAlpha()
               * 255.0f;
    };

    // The pixel is not wholly inside the anti-aliased circle, so compare the states with
    // each other: 0.55 normal, 0.8 hovered, 1.0 pressed, and half of each when disabled.
    const float normal = ringAlpha(false, false);
    ASSERT_GT(normal, 100.0f);
    EXPECT_NEAR(ringAlpha(true, false) / normal, 0.8f / 0.55f, 0.03f);
    EXPECT_NEAR(ringAlpha(true, true) / normal, 1.0f / 0.55f, 0.03f);

    button.setEnabled(false);
    EXPECT_NEAR(ringAlpha(false, false) / normal, 0.5f, 0.02f);
    EXPECT_NEAR(ringAlpha(true, true) / normal, 0.5f / 0.55f, 0.03f);
}
