// The colour rule and the shared glass routines, drawn into images.

#include "LookTestSupport.h"
#include "look/ColourRules.h"
#include "look/GlassRoutines.h"

#include <gtest/gtest.h>

using looktest::hex;
using looktest::render;

namespace
{
const juce::Colour transparent = juce::Colours::transparentBlack;

bool drawsNothing(const std::function<void(juce::Graphics&)>& paint)
{
    return looktest::isUniform(render(40, 40, transparent, paint), transparent);
}

bool isTouched(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y).getAlpha() != 0;
}
} // namespace

//==============================================================================
TEST(ContrastingRule, DecidesByTheSumOfTheChannelsNotByPerceivedBrightness)
{
    // Pure green adds up to 255, so it gets white, although it looks bright (and
    // juce::Colour::contrasting would darken it).
    const juce::Colour green(0xff00ff00);
    const juce::Colour shifted = ColourRules::contrasting(green, 0.5f);

    EXPECT_NEAR(shifted.getRed(), 128, 1);
    EXPECT_EQ(shifted.getGreen(), 255);
    EXPECT_NEAR(shifted.getBlue(), 128, 1);
    EXPECT_NE(hex(shifted), hex(green.contrasting(0.5f)));
}

TEST(ContrastingRule, SwitchesToBlackAtAChannelSumOf384)
{
    // 0x80 + 0x80 + 0x80 = 384: black overlay, the grey gets darker.
    const juce::Colour atThreshold(0xff808080);
    EXPECT_LT(ColourRules::contrasting(atThreshold, 0.2f).getRed(), 0x80);

    // One less: white overlay, lighter.
    const juce::Colour belowThreshold(0xff7f8080);
    EXPECT_GT(ColourRules::contrasting(belowThreshold, 0.2f).getGreen(), 0x80);

    // White at 0.2: every channel moves a fifth of the way to black (0xff -> 0xcc, give or
    // take JUCE's integer compositing).
    EXPECT_LE(looktest::channelDistance(ColourRules::contrasting(juce::Colours::white, 0.2f),
                                        juce::Colour(0xffcccccc)),
              1);
}

//==============================================================================
TEST(ButtonBaseColour, PressedAndHoveredShiftTowardsContrastByTheProgramsRule)
{
    // Saturated green is "dark" by the channel-sum rule, so both states lighten it.
    const juce::Colour green(0xff00ff00);
    const juce::Colour base = GlassRoutines::makeButtonBaseColour(green, false, false, false);
    const juce::Colour hovered = GlassRoutines::makeButtonBaseColour(green, false, true, false);
    const juce::Colour pressed = GlassRoutines::makeButtonBaseColour(green, false, false, true);
    const juce::Colour both = GlassRoutines::makeButtonBaseColour(green, false, true, true);

    EXPECT_EQ(hex(hovered), hex(base.overlaidWith(juce::Colours::white.withAlpha(0.1f))));
    EXPECT_EQ(hex(pressed), hex(base.overlaidWith(juce::Colours::white.withAlpha(0.2f))));
    EXPECT_EQ(hex(both), hex(pressed)) << "pressed wins over hovered";
    EXPECT_GT(pressed.getRed(), hovered.getRed());
    EXPECT_GT(hovered.getRed(), base.getRed());
}

TEST(ButtonBaseColour, KeyboardFocusRaisesTheSaturationAndItsAbsenceLowersIt)
{
    const juce::Colour halfSaturated = juce::Colour::fromHSV(0.3f, 0.5f, 0.6f, 1.0f);

    EXPECT_NEAR(GlassRoutines::makeButtonBaseColour(halfSaturated, true, false, false).getSaturation(), 0.65f,
                0.01f);
    EXPECT_NEAR(GlassRoutines::makeButtonBaseColour(halfSaturated, false, false, false).getSaturation(),
                0.45f, 0.01f);

    // Grey has no saturation to change.
    EXPECT_EQ(hex(GlassRoutines::makeButtonBaseColour(juce::Colour(0xff808080), true, false, false)),
              "0xff808080");
}

//==============================================================================
TEST(GlassShapes, DrawNothingWhenNoLargerThanTheirOutline)
{
    const juce::Colour blue(0xff3060c0);

    // Lozenge: width or height equal to the outline thickness.
    EXPECT_TRUE(drawsNothing(
        [&](juce::Graphics& g)
        { GlassRoutines::paintGlassLozenge(g, 5, 5, 2.0f, 20, blue, 2.0f, false, false, false, false); }));
    EXPECT_TRUE(drawsNothing(
        [&](juce::Graphics& g)
        { GlassRoutines::paintGlassLozenge(g, 5, 5, 20, 2.0f, blue, 2.0f, false, false, false, false); }));
    EXPECT_FALSE(drawsNothing(
        [&](juce::Graphics& g)
        { GlassRoutines::paintGlassLozenge(g, 5, 5, 2.5f, 20, blue, 2.0f, false, false, false, false); }));

    // Sphere: diameter equal to the outline thickness.
    EXPECT_TRUE(
        drawsNothing([&](juce::Graphics& g) { GlassRoutines::paintGlassSphere(g, 5, 5, 1.5f, blue, 1.5f); }));
    EXPECT_FALSE(
        drawsNothing([&](juce::Graphics& g) { GlassRoutines::paintGlassSphere(g, 5, 5, 2.5f, blue, 1.5f); }));

    // Flat bar: 1.1 times the stroke in either direction (4.4 for a stroke of 4).
    EXPECT_TRUE(drawsNothing(
        [&](juce::Graphics& g)
        { GlassRoutines::paintFlatGlassBar(g, 5, 5, 4.4f, 20, 0, blue, 4.0f, true, true, true, true); }));
    EXPECT_TRUE(drawsNothing(
        [&](juce::Graphics& g)
        { GlassRoutines::paintFlatGlassBar(g, 5, 5, 20, 4.4f, 0, blue, 4.0f, true, true, true, true); }));
    EXPECT_FALSE(drawsNothing(
        [&](juce::Graphics& g)
        { GlassRoutines::paintFlatGlassBar(g, 5, 5, 4.6f, 20, 0, blue, 4.0f, true, true, true, true); }));
}

TEST(GlassShapes, FlatSidesMakeSquareCornersAndOnlyThose)
{
    const juce::Colour blue(0xff3060c0);
    const auto lozenge = [&](bool left, bool right, bool top, bool bottom)
    {
        return render(
            60, 20, transparent,
            [&](juce::Graphics& g)
            { GlassRoutines::paintGlassLozenge(g, 0, 0, 60, 20, blue, 1.0f, left, right, top, bottom); });
    };

    struct Case
    {
        bool left, right, top, bottom;
        bool topLeft, topRight, bottomLeft, bottomRight; // corner pixel painted?
    };

    const Case cases[] = {
        { false, false, false, false, false, false, false, false },
        { true, true, true, true, true, true, true, true },
        { true, false, false, false, true, false, true, false },
        { false, true, false, false, false, true, false, true },
        { false, false, true, false, true, true, false, false },
        { false, false, false, true, false, false, true, true },
    };

    for (const auto& c : cases)
    {
        const auto image = lozenge(c.left, c.right, c.top, c.bottom);
        SCOPED_TRACE(juce::String("flat L R T B: ") + (c.left ? "1" : "0") + (c.right ? "1" : "0")
                     + (c.top ? "1" : "0") + (c.bottom ? "1" : "0"));

        EXPECT_EQ(isTouched(image, 0, 0), c.topLeft);
        EXPECT_EQ(isTouched(image, 59, 0), c.topRight);
        EXPECT_EQ(isTouched(image, 0, 19), c.bottomLeft);
        EXPECT_EQ(isTouched(image, 59, 19), c.bottomRight);
    }

    // The flat bar follows the same corner rule.
    const auto bar = render(
        60, 20, transparent,
        [&](juce::Graphics& g)
        { GlassRoutines::paintFlatGlassBar(g, 0, 0, 60, 20, 8.0f, blue, 1.0f, false, true, false, false); });
    EXPECT_FALSE(isTouched(bar, 0, 0));
    EXPECT_TRUE(isTouched(bar, 59, 0));
    EXPECT_TRUE(isTouched(bar, 59, 19));
    EXPECT_FALSE(isTouched(bar, 0, 19));
}

TEST(GlassShapes, AFlatTopAloneKeepsTheHighlightAwayFromTheRoundedSides)
{
    // 100 x 20: the corner size is 10, so the shine starts 4 pixels in from either end and
    // runs from 1 pixel below the top down to 9. With only the top flat, the ends are
    // still rounded at the bottom and the shine keeps its indents.
    const juce::Colour dark(0xff202060);
    const auto image = render(
        100, 20, juce::Colours::black,
        [&](juce::Graphics& g)
        { GlassRoutines::paintGlassLozenge(g, 0, 0, 100, 20, dark, 0.5f, false, false, true, false); });

    const auto brightness = [&](int x, int y) { return image.getPixelAt(x, y).getBrightness(); };

    EXPECT_GT(brightness(50, 3), 0.5f) << "the shine across the middle";
    EXPECT_LT(brightness(1, 3), brightness(50, 3) - 0.3f) << "no shine inside the left indent";
    EXPECT_LT(brightness(98, 3), brightness(50, 3) - 0.3f) << "no shine inside the right indent";
}
