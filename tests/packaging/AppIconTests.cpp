// The application icon compiled into the program: its renderings, and the one a window's
// title bar shows.

#include "look/TemplateLookAndFeel.h"
#include "look/TitleBarColour.h"
#include "ui/AppIcon.h"

#include <gtest/gtest.h>

namespace
{
const int renderedSizes[] = { 16, 22, 24, 32, 48, 64, 128, 256, 512 };

/** Bounds of the pixels that are not wholly transparent. */
juce::Rectangle<int> visibleBounds(const juce::Image& image)
{
    juce::Rectangle<int> bounds;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getAlpha() != 0)
                bounds
                    = bounds.isEmpty() ? juce::Rectangle<int>(x, y, 1, 1) : bounds.getUnion({ x, y, 1, 1 });

    return bounds;
}

/** Bounds of the pixels in which two images of one size differ. */
juce::Rectangle<int> differingBounds(const juce::Image& a, const juce::Image& b)
{
    juce::Rectangle<int> bounds;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt(x, y).getARGB() != b.getPixelAt(x, y).getARGB())
                bounds
                    = bounds.isEmpty() ? juce::Rectangle<int>(x, y, 1, 1) : bounds.getUnion({ x, y, 1, 1 });

    return bounds;
}

int channelDistance(juce::Colour a, juce::Colour b)
{
    return juce::jmax(std::abs(a.getRed() - b.getRed()), std::abs(a.getGreen() - b.getGreen()),
                      std::abs(a.getBlue() - b.getBlue()));
}

/** An untitled program-coloured window, never put on the desktop, so never active. */
struct OffscreenWindow
{
    explicit OffscreenWindow(juce::LookAndFeel& laf)
        : window({}, WindowColours::background, juce::DocumentWindow::allButtons, false)
    {
        window.setColour(WindowColours::titleBarColourId, WindowColours::titleBar);
        window.setLookAndFeel(&laf);
        window.setSize(300, 120);
    }

    ~OffscreenWindow() { window.setLookAndFeel(nullptr); }

    juce::Image titleBar()
    {
        return window.createComponentSnapshot({ 0, 0, window.getWidth(), window.getTitleBarHeight() + 4 });
    }

    juce::DocumentWindow window;
};
} // namespace

//==============================================================================
TEST(AppIcon, EachRenderingComesAtItsOwnSizeOnATileWithAMargin)
{
    for (const int size : renderedSizes)
    {
        SCOPED_TRACE(size);
        const auto image = AppIcon::get(size);
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(image.getWidth(), size);
        EXPECT_EQ(image.getHeight(), size);

        // The tile leaves a sixteenth of the size clear on every side, and is opaque
        // inside.
        const int margin = size / 16;
        const auto visible = visibleBounds(image);
        EXPECT_EQ(visible, juce::Rectangle<int>(margin, margin, size - 2 * margin, size - 2 * margin))
            << visible.toString();
        EXPECT_EQ(image.getPixelAt(size / 2, size / 2).getAlpha(), 255);
        EXPECT_EQ(image.getPixelAt(size / 4, size * 3 / 4).getAlpha(), 255);
    }
}

TEST(AppIcon, SizesBetweenAndBeyondTheRenderingsAreScaled)
{
    for (const int size : { 1, 20, 100, 300, 700 })
    {
        SCOPED_TRACE(size);
        const auto image = AppIcon::get(size);
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(image.getWidth(), size);
        EXPECT_EQ(image.getHeight(), size);
        EXPECT_GT(image.getPixelAt(size / 2, size / 2).getAlpha(), 200);
    }
}

TEST(AppIcon, TitleBarShowsTheRenderingOfTheTitleTextsHeightUnscaled)
{
    TemplateLookAndFeel laf;
    OffscreenWindow plain(laf);
    OffscreenWindow withIcon(laf);
    ASSERT_EQ(withIcon.window.getTitleBarHeight(), 26);

    AppIcon::applyTo(withIcon.window);

    // The title text of a 26-pixel bar is 16 pixels high (0.65 of the bar), and so is the
    // icon; an inactive window draws it at 0.6 opacity.
    const auto icon = AppIcon::get(16);
    const auto iconVisible = visibleBounds(icon);
    const auto bare = plain.titleBar();
    const auto drawn = withIcon.titleBar();
    const auto changed = differingBounds(bare, drawn);
    ASSERT_EQ(changed.getWidth(), iconVisible.getWidth()) << changed.toString();
    ASSERT_EQ(changed.getHeight(), iconVisible.getHeight()) << changed.toString();

    const auto origin = changed.getPosition() - iconVisible.getPosition();
    int worst = 0;

    for (int y = 0; y < icon.getHeight(); ++y)
        for (int x = 0; x < icon.getWidth(); ++x)
        {
            const auto expected = bare.getPixelAt(origin.x + x, origin.y + y)
                                      .overlaidWith(icon.getPixelAt(x, y).withMultipliedAlpha(0.6f));
            worst
                = juce::jmax(worst, channelDistance(drawn.getPixelAt(origin.x + x, origin.y + y), expected));
        }

    EXPECT_LE(worst, 2);
}
