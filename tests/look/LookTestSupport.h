#pragma once

#include <functional>
#include <juce_graphics/juce_graphics.h>

namespace looktest
{
/** An ARGB image of the given size, every pixel `clearTo`, after `paint` has drawn into it. */
inline juce::Image render(int width, int height, juce::Colour clearTo,
                          const std::function<void(juce::Graphics&)>& paint)
{
    juce::Image image(juce::Image::ARGB, width, height, false);
    image.clear(image.getBounds(), clearTo);

    {
        juce::Graphics g(image);
        paint(g);
    }

    return image;
}

/** Whether every pixel of the image is still `colour`. */
inline bool isUniform(const juce::Image& image, juce::Colour colour)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getARGB() != colour.getARGB())
                return false;

    return true;
}

/** Whether two images are identical pixel for pixel. */
inline bool sameImages(const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt(x, y).getARGB() != b.getPixelAt(x, y).getARGB())
                return false;

    return true;
}

/** Largest difference between the channels (alpha included) of two colours. */
inline int channelDistance(juce::Colour a, juce::Colour b)
{
    return juce::jmax(std::abs(a.getAlpha() - b.getAlpha()), std::abs(a.getRed() - b.getRed()),
                      std::abs(a.getGreen() - b.getGreen()), std::abs(a.getBlue() - b.getBlue()));
}

/** The bounds of the pixels that differ from `background`; empty when none do. */
inline juce::Rectangle<int> paintedBounds(const juce::Image& image, juce::Colour background)
{
    int left = image.getWidth(), top = image.getHeight(), right = -1, bottom = -1;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getARGB() != background.getARGB())
            {
                left = juce::jmin(left, x);
                right = juce::jmax(right, x);
                top = juce::jmin(top, y);
                bottom = juce::jmax(bottom, y);
            }

    if (right < 0)
        return {};

    return { left, top, right - left + 1, bottom - top + 1 };
}

/** A colour written as the program writes them: 0xAARRGGBB. */
inline juce::String hex(juce::Colour c)
{
    return "0x" + juce::String::toHexString((juce::int64)c.getARGB()).paddedLeft('0', 8);
}
} // namespace looktest
