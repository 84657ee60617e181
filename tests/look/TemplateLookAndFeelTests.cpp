// The look-and-feel's palette and widget drawing, rendered into images.

#include "LookTestSupport.h"
#include "look/TemplateLookAndFeel.h"
#include "look/TitleBarColour.h"

#include <gtest/gtest.h>

using looktest::hex;
using looktest::render;

namespace
{
const juce::Colour transparent = juce::Colours::transparentBlack;
const juce::Colour white = juce::Colours::white;

/** A component of type C sized and using the look-and-feel; it lets go of the
    look-and-feel before either dies. */
template <typename C> struct Styled
{
    template <typename... Args>
    Styled(juce::LookAndFeel& laf, int w, int h, Args&&... args)
        : component(std::forward<Args>(args)...)
    {
        component.setLookAndFeel(&laf);
        component.setSize(w, h);
    }

    ~Styled() { component.setLookAndFeel(nullptr); }

    C component;
};
} // namespace

//==============================================================================
TEST(Palette, ConstructorSetsTheProgramsColours)
{
    TemplateLookAndFeel laf;
    const auto colour = [&](int id) { return hex(laf.findColour(id)); };

    // Grey at 0.7.
    EXPECT_EQ(hex(laf.getControlBaseColour()), "0xb2808080");
    EXPECT_EQ(colour(juce::TextEditor::focusedOutlineColourId), "0xb2808080");
    EXPECT_EQ(colour(juce::ToggleButton::textColourId), "0xb2808080");
    EXPECT_EQ(colour(juce::PopupMenu::highlightedBackgroundColourId), "0xb2808080");
    EXPECT_EQ(colour(juce::ComboBox::outlineColourId), "0xb2808080");
    EXPECT_EQ(colour(juce::Slider::textBoxOutlineColourId), "0xb2808080");

    EXPECT_EQ(colour(juce::ScrollBar::backgroundColourId), "0x00000000");
    EXPECT_EQ(colour(juce::ScrollBar::thumbColourId), "0xffffffff");
    EXPECT_EQ(colour(juce::PopupMenu::backgroundColourId), "0xffffffff");
    EXPECT_EQ(colour(juce::PopupMenu::highlightedTextColourId), "0xffffffff");
    EXPECT_EQ(colour(juce::Slider::trackColourId), "0xffffffff");
    EXPECT_EQ(colour(juce::ProgressBar::backgroundColourId), "0xffffffff");
    EXPECT_EQ(colour(juce::ProgressBar::foregroundColourId), "0xffd3d3d3");
    EXPECT_EQ(colour(juce::TooltipWindow::backgroundColourId), "0xffffffff");
    EXPECT_EQ(colour(juce::BubbleComponent::backgroundColourId), "0xffffffff");
    EXPECT_EQ(colour(WindowColours::titleBarColourId), "0xff3273a1");

    // Left at the light library defaults: black text on white, and the text buttons'
    // own colour (the control base colour must not take it over).
    EXPECT_EQ(colour(juce::TextButton::buttonColourId), "0xffbbbbff");
    EXPECT_EQ(colour(juce::PopupMenu::textColourId), "0xff000000");
    EXPECT_EQ(colour(juce::ComboBox::backgroundColourId), "0xffffffff");
    EXPECT_EQ(colour(juce::ComboBox::textColourId), "0xff000000");
    EXPECT_EQ(colour(juce::Label::textColourId), "0xff000000");
    EXPECT_EQ(colour(juce::TooltipWindow::textColourId), "0xff000000");
}

//==============================================================================
TEST(ButtonBackground, ConnectedOnAllSidesHasSquareCornersUnconnectedHasRoundOnes)
{
    TemplateLookAndFeel laf;
    Styled<juce::TextButton> button(laf, 60, 20, "b");
    const juce::Colour colour(0xff8090c0);

    const auto draw = [&]
    {
        return render(60, 20, transparent,
                      [&](juce::Graphics& g)
                      { laf.drawButtonBackground(g, button.component, colour, false, false); });
    };

    const auto rounded = draw();
    for (const auto& corner : { juce::Point<int>(0, 0), { 59, 0 }, { 0, 19 }, { 59, 19 } })
        EXPECT_EQ(rounded.getPixelAt(corner.x, corner.y).getAlpha(), 0) << corner.toString();
    EXPECT_GT(rounded.getPixelAt(30, 10).getAlpha(), 128);

    button.component.setConnectedEdges(juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight
                                       | juce::Button::ConnectedOnTop | juce::Button::ConnectedOnBottom);
    const auto square = draw();
    for (const auto& corner : { juce::Point<int>(0, 0), { 59, 0 }, { 0, 19 }, { 59, 19 } })
        EXPECT_GT(square.getPixelAt(corner.x, corner.y).getAlpha(), 128) << corner.toString();
}

TEST(ButtonBackground, DisabledButtonIsDrawnAtHalfAlpha)
{
    TemplateLookAndFeel laf;
    Styled<juce::TextButton> button(laf, 80, 30, "b");
    const juce::Colour colour(0xff8090c0);

    const auto draw = [&]
    {
        return render(80, 30, transparent,
                      [&](juce::Graphics& g)
                      { laf.drawButtonBackground(g, button.component, colour, false, false); });
    };

    const auto enabled = draw();
    button.component.setEnabled(false);
    const auto disabled = draw();

    // In the middle, below the shine, only the body's gradient covers the pixel.
    const auto on = enabled.getPixelAt(40, 14);
    const auto off = disabled.getPixelAt(40, 14);

    ASSERT_GT(on.getAlpha(), 200);
    EXPECT_NEAR((float)off.getAlpha() / (float)on.getAlpha(), 0.5f, 0.03f);
    EXPECT_LE(looktest::channelDistance(on.withAlpha(1.0f), off.withAlpha(1.0f)), 3)
        << "same hue, only fainter";
}

//==============================================================================
TEST(TickBox, TickIsBlackWhenEnabledGreyWhenDisabledAndAbsentWhenNotTicked)
{
    TemplateLookAndFeel laf;
    Styled<juce::ToggleButton> toggle(laf, 90, 90, "t");

    const auto draw = [&](bool ticked, bool enabled)
    {
        return render(90, 90, white,
                      [&](juce::Graphics& g)
                      { laf.drawTickBox(g, toggle.component, 0, 0, 90, 90, ticked, enabled, false, false); });
    };

    // The tick's long stroke runs from (30, 60) to (60, 0) in a 90 x 90 box, 2.5 pixels
    // wide. (44, 30) lies on it over the sphere, (58, 3) on it outside the sphere.
    EXPECT_EQ(hex(draw(true, true).getPixelAt(44, 30)), "0xff000000");
    EXPECT_EQ(hex(draw(true, true).getPixelAt(58, 3)), "0xff000000");
    EXPECT_EQ(hex(draw(true, false).getPixelAt(44, 30)), "0xff808080");

    const auto unticked = draw(false, true);
    EXPECT_EQ(hex(unticked.getPixelAt(58, 3)), "0xffffffff");
    EXPECT_NE(hex(unticked.getPixelAt(44, 30)), "0xff000000");

    // The sphere is 0.7 of the width (63 pixels), centred vertically on the left.
    const auto bounds = looktest::paintedBounds(unticked, white);
    EXPECT_NEAR(bounds.getWidth(), 63, 2);
    EXPECT_NEAR(bounds.getCentreY(), 45, 1);
}

//==============================================================================
class ProgressBarDrawing : public testing::Test
{
protected:
    static constexpr int width = 202;
    static constexpr int height = 20;

    juce::Image draw(double progress, const juce::String& text = {})
    {
        return render(width, height, juce::Colour(0xffff00ff),
                      [&](juce::Graphics& g)
                      { laf.drawProgressBar(g, bar.component, width, height, progress, text); });
    }

    static bool isBarColour(juce::Colour c)
    {
        // Light grey glass over white: clearly darker than the white background, and grey.
        return c.getRed() < 0xf0 && c.getRed() > 0x90 && c.getRed() == c.getGreen()
               && c.getGreen() == c.getBlue();
    }

    TemplateLookAndFeel laf;
    double value = 0.0;
    Styled<juce::ProgressBar> bar { laf, width, height, value };
};

TEST_F(ProgressBarDrawing, AtZeroOnlyTheOutlineIsDrawn)
{
    const auto image = draw(0.0);

    // White background contrasting by 0.2: about 0xcc.
    const juce::Colour outlineColour = white.overlaidWith(juce::Colours::black.withAlpha(0.2f));
    ASSERT_LE(looktest::channelDistance(outlineColour, juce::Colour(0xffcccccc)), 1);
    const auto outline = hex(outlineColour);

    for (int x = 0; x < width; ++x)
    {
        ASSERT_EQ(hex(image.getPixelAt(x, 0)), outline) << x;
        ASSERT_EQ(hex(image.getPixelAt(x, height - 1)), outline) << x;
    }

    for (int y = 0; y < height; ++y)
    {
        ASSERT_EQ(hex(image.getPixelAt(0, y)), outline) << y;
        ASSERT_EQ(hex(image.getPixelAt(width - 1, y)), outline) << y;
    }

    EXPECT_TRUE(looktest::isUniform(image.getClippedImage({ 1, 1, width - 2, height - 2 }), white));
}

TEST_F(ProgressBarDrawing, BarGrowsFromTheLeftInProportion)
{
    // Half of the 200 inner pixels: the bar covers x = 1 to 101.
    const auto image = draw(0.5);
    const int mid = height / 2;

    EXPECT_TRUE(isBarColour(image.getPixelAt(2, mid)));
    EXPECT_TRUE(isBarColour(image.getPixelAt(99, mid)));
    EXPECT_EQ(hex(image.getPixelAt(103, mid)), "0xffffffff");
    EXPECT_EQ(hex(image.getPixelAt(width - 2, mid)), "0xffffffff");
}

TEST_F(ProgressBarDrawing, FullProgressIsAStillFullBarAndMoreIsClamped)
{
    const auto full = draw(1.0);
    const int mid = height / 2;

    for (int x = 1; x < width - 1; ++x)
        ASSERT_TRUE(isBarColour(full.getPixelAt(x, mid)))
            << "x = " << x << ": " << hex(full.getPixelAt(x, mid));

    EXPECT_TRUE(looktest::sameImages(full, draw(1.5)));
    EXPECT_TRUE(looktest::sameImages(full, draw(100.0)));
}

TEST_F(ProgressBarDrawing, UnknownProgressShowsNoBar)
{
    EXPECT_TRUE(looktest::sameImages(draw(0.0), draw(-1.0)));
    EXPECT_TRUE(looktest::sameImages(draw(0.0), draw(std::nan(""))));
}

TEST_F(ProgressBarDrawing, PercentageTextIsDrawnInTheMiddleInAContrastingColour)
{
    const auto plain = draw(0.5);
    const auto image = draw(0.5, "50%");

    // A grey that stands apart from both white and light grey.
    const juce::Colour textColour = juce::Colour::contrasting(white, juce::Colour(0xffd3d3d3));
    ASSERT_LT(textColour.getBrightness(), 0.6f);

    int textPixels = 0;
    juce::Colour darkest = white;

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (image.getPixelAt(x, y) != plain.getPixelAt(x, y))
            {
                ++textPixels;
                EXPECT_NEAR(x, width / 2, 20);

                if (image.getPixelAt(x, y).getBrightness() < darkest.getBrightness())
                    darkest = image.getPixelAt(x, y);
            }

    EXPECT_GT(textPixels, 20);
    // Thin strokes of a 12-pixel font may cover no pixel wholly, hence the margin.
    EXPECT_LE(looktest::channelDistance(darkest, textColour), 8)
        << hex(darkest) << " expected " << hex(textColour);
}

//==============================================================================
TEST(Scrollbar, SlotIsIndentedOnlyFromSixteenPixelsUp)
{
    TemplateLookAndFeel laf;
    Styled<juce::ScrollBar> vertical(laf, 16, 100, true);
    Styled<juce::ScrollBar> horizontal(laf, 100, 16, false);

    const auto drawVertical = [&](int w, int thumbSize)
    {
        return render(
            w, 100, transparent,
            [&](juce::Graphics& g)
            { laf.drawScrollbar(g, vertical.component, 0, 0, w, 100, true, 0, thumbSize, false, false); });
    };
    const auto drawHorizontal = [&](int h)
    {
        return render(100, h, transparent,
                      [&](juce::Graphics& g) {
                          laf.drawScrollbar(g, horizontal.component, 0, 0, 100, h, false, 0, 0, false, false);
                      });
    };

    // Sixteen pixels: a one-pixel gap round the slot.
    EXPECT_EQ(drawVertical(16, 0).getPixelAt(0, 50).getAlpha(), 0);
    EXPECT_EQ(drawVertical(16, 0).getPixelAt(15, 50).getAlpha(), 0);
    EXPECT_EQ(drawHorizontal(16).getPixelAt(50, 0).getAlpha(), 0);

    // Fifteen: the slot fills the bar.
    EXPECT_GT(drawVertical(15, 0).getPixelAt(0, 50).getAlpha(), 0);
    EXPECT_GT(drawHorizontal(15).getPixelAt(50, 0).getAlpha(), 0);
}

TEST(Scrollbar, ThumbIsWhiteAndAbsentForSizeZero)
{
    TemplateLookAndFeel laf;
    Styled<juce::ScrollBar> scrollbar(laf, 16, 100, true);

    const auto draw = [&](int thumbSize)
    {
        return render(
            16, 100, transparent,
            [&](juce::Graphics& g)
            { laf.drawScrollbar(g, scrollbar.component, 0, 0, 16, 100, true, 0, thumbSize, false, false); });
    };

    // The thumb is 2 pixels in from every side of the 16-pixel bar; its left half is plain.
    EXPECT_EQ(hex(draw(40).getPixelAt(5, 20)), "0xffffffff");

    const auto slotOnly = draw(0);
    EXPECT_EQ(slotOnly.getPixelAt(5, 20).getAlpha(), 255);
    EXPECT_LT(slotOnly.getPixelAt(5, 20).getRed(), 0xf0) << "the slot is shaded grey";
}

//==============================================================================
TEST(PopupBackground, EveryThirdRowFromTheTopIsTinted)
{
    TemplateLookAndFeel laf;

    const juce::Colour stripe = white.overlaidWith(juce::Colour(0xffadd8e6).withAlpha(0.17f));
    const juce::Colour outline = juce::Colours::black.withAlpha(0.6f);
    ASSERT_NE(hex(stripe), hex(white));

    for (const int h : { 1, 2, 7, 8, 9, 10 })
    {
        SCOPED_TRACE("height " + juce::String(h));
        const auto image = render(20, h, juce::Colour(0xffff00ff),
                                  [&](juce::Graphics& g) { laf.drawPopupMenuBackground(g, 20, h); });

        for (int y = 0; y < h; ++y)
        {
            const juce::Colour under = (y % 3 == 0) ? stripe : white;
            const bool edge = (y == 0 || y == h - 1);
            const juce::Colour expected = edge ? under.overlaidWith(outline) : under;

            EXPECT_LE(looktest::channelDistance(image.getPixelAt(10, y), expected), 1)
                << "row " << y << ": " << hex(image.getPixelAt(10, y)) << " expected " << hex(expected);
        }
    }
}

//==============================================================================
class ComboBoxDrawing : public testing::Test
{
protected:
    juce::Image draw()
    {
        return render(200, 30, juce::Colour(0xffff00ff),
                      [&](juce::Graphics& g)
                      { laf.drawComboBox(g, 200, 30, false, 170, 0, 30, 30, box.component); });
    }

    static bool isWhite(juce::Colour c) { return c.getARGB() == 0xffffffff; }

    TemplateLookAndFeel laf;
    Styled<juce::ComboBox> box { laf, 200, 30 };
};

TEST_F(ComboBoxDrawing, ButtonHasNoVisibleBodyOnlyArrows)
{
    const auto image = draw();

    // The outline: grey at 0.7 over white, one pixel.
    EXPECT_EQ(hex(image.getPixelAt(0, 15)), hex(white.overlaidWith(juce::Colour(0xb2808080))));
    EXPECT_TRUE(isWhite(image.getPixelAt(1, 15)));

    // Corners of the button area stay white (the glass is fully transparent)...
    EXPECT_TRUE(isWhite(image.getPixelAt(172, 3)));
    EXPECT_TRUE(isWhite(image.getPixelAt(196, 26)));

    // ...and the arrows are black at 0.6: the upward one has its apex at 25 % and its
    // base at 45 % of the height, the downward one its base at 55 % and apex at 75 %.
    const juce::Colour arrow = white.overlaidWith(juce::Colours::black.withAlpha(0.6f));
    EXPECT_LE(looktest::channelDistance(image.getPixelAt(185, 11), arrow), 1)
        << hex(image.getPixelAt(185, 11));
    EXPECT_LE(looktest::channelDistance(image.getPixelAt(185, 18), arrow), 1)
        << hex(image.getPixelAt(185, 18));
    EXPECT_TRUE(isWhite(image.getPixelAt(185, 15))) << "a gap between the arrows";
}

TEST_F(ComboBoxDrawing, DisabledBoxShowsNoArrows)
{
    box.component.setEnabled(false);
    const auto image = draw();

    EXPECT_TRUE(looktest::isUniform(image.getClippedImage({ 1, 1, 198, 28 }), white));
    EXPECT_NE(hex(image.getPixelAt(0, 15)), "0xffffffff");
}

TEST(ComboBoxFonts, BoxTextIsNotSqueezedAndListItemsUse15Points)
{
    TemplateLookAndFeel laf;
    Styled<juce::ComboBox> tall(laf, 200, 30);
    Styled<juce::ComboBox> small(laf, 200, 10);

    EXPECT_FLOAT_EQ(laf.getComboBoxFont(tall.component).getHeight(), 15.0f);
    EXPECT_FLOAT_EQ(laf.getComboBoxFont(small.component).getHeight(), 8.5f);
    EXPECT_FLOAT_EQ(laf.getPopupMenuFont().getHeight(), 15.0f);

    juce::Label label;
    laf.positionComboBoxText(tall.component, label);
    EXPECT_FLOAT_EQ(label.getMinimumHorizontalScale(), 1.0f);
    EXPECT_FLOAT_EQ(label.getFont().getHeight(), 15.0f);
}

//==============================================================================
TEST(TextEditorOutline, OnlyEnabledEditorsGetOne)
{
    TemplateLookAndFeel laf;
    Styled<juce::TextEditor> editor(laf, 100, 30);

    const auto draw = [&]
    {
        return render(100, 30, white,
                      [&](juce::Graphics& g) { laf.drawTextEditorOutline(g, 100, 30, editor.component); });
    };

    // Unfocused: the shadow bevel darkens the top edge.
    EXPECT_LT(draw().getPixelAt(50, 0).getRed(), 0xff);

    editor.component.setEnabled(false);
    EXPECT_TRUE(looktest::isUniform(draw(), white));
}

//==============================================================================
TEST(Slider, ThumbRadiusIsAtMostSevenAndHalfTheShorterSide)
{
    TemplateLookAndFeel laf;
    const auto radius = [&](int w, int h)
    {
        Styled<juce::Slider> slider(laf, w, h);
        return laf.getSliderThumbRadius(slider.component);
    };

    EXPECT_EQ(radius(200, 30), 7);
    EXPECT_EQ(radius(200, 13), 6);
    EXPECT_EQ(radius(9, 200), 4);
    EXPECT_EQ(radius(1, 200), 0);
    EXPECT_EQ(radius(200, 0), 0);
}

TEST(Slider, HorizontalKnobIsCentredOnThePosition)
{
    TemplateLookAndFeel laf;
    Styled<juce::Slider> slider(laf, 200, 20, juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);

    const auto draw = [&](float position)
    {
        return render(200, 20, transparent,
                      [&](juce::Graphics& g)
                      {
                          laf.drawLinearSlider(g, 0, 0, 200, 20, position, 0.0f, 200.0f,
                                               juce::Slider::LinearHorizontal, slider.component);
                      });
    };

    // The groove spans the whole width at half the thumb radius; only the knob (radius 7,
    // so 14 pixels across) rises above and below it.
    const auto image = draw(60.0f);
    const auto knob = looktest::paintedBounds(image.getClippedImage({ 0, 0, 200, 5 }), transparent);

    ASSERT_FALSE(knob.isEmpty());
    EXPECT_NEAR(knob.getCentreX(), 60, 1);
    EXPECT_NEAR(knob.getWidth(), 10, 3) << "the top of a 14-pixel sphere";
}
