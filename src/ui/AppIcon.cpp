#include "ui/AppIcon.h"

#include "FlashmereIconData.h"

#include <iterator>

namespace
{
struct Rendering
{
    int size;
    const char* data;
    int bytes;
};

// Smallest first.
const Rendering renderings[] = {
    { 16, FlashmereIconData::flashmere16_png, FlashmereIconData::flashmere16_pngSize },
    { 22, FlashmereIconData::flashmere22_png, FlashmereIconData::flashmere22_pngSize },
    { 24, FlashmereIconData::flashmere24_png, FlashmereIconData::flashmere24_pngSize },
    { 32, FlashmereIconData::flashmere32_png, FlashmereIconData::flashmere32_pngSize },
    { 48, FlashmereIconData::flashmere48_png, FlashmereIconData::flashmere48_pngSize },
    { 64, FlashmereIconData::flashmere64_png, FlashmereIconData::flashmere64_pngSize },
    { 128, FlashmereIconData::flashmere128_png, FlashmereIconData::flashmere128_pngSize },
    { 256, FlashmereIconData::flashmere256_png, FlashmereIconData::flashmere256_pngSize },
    { 512, FlashmereIconData::flashmere512_png, FlashmereIconData::flashmere512_pngSize },
};

// The title bar draws its icon as high as its title font, which is 0.65 of the bar's
// height; a rendering of exactly that size stays sharp where a scaled one would blur.
constexpr float titleIconShare = 0.65f;

// Task bars and window switchers scale the desktop's copy down to what they show.
constexpr int desktopIconSize = 128;
} // namespace

juce::Image AppIcon::get(int size)
{
    jassert(size > 0);

    const Rendering* chosen = &renderings[std::size(renderings) - 1];

    for (const auto& rendering : renderings)
    {
        if (rendering.size >= size)
        {
            chosen = &rendering;
            break;
        }
    }

    auto image = juce::ImageCache::getFromMemory(chosen->data, chosen->bytes);

    if (image.isNull() || chosen->size == size)
        return image;

    return image.rescaled(size, size, juce::Graphics::highResamplingQuality);
}

void AppIcon::applyTo(juce::DocumentWindow& window)
{
    const auto titleIconSize = juce::jmax(1, (int)((float)window.getTitleBarHeight() * titleIconShare));
    window.setIcon(get(titleIconSize));

    if (auto* peer = window.getPeer())
        peer->setIcon(get(desktopIconSize));
}
