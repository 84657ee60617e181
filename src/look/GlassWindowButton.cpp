#include "look/GlassWindowButton.h"

#include "look/GlassRoutines.h"

GlassWindowButton::GlassWindowButton(const juce::String& name, juce::Colour glassColour_,
                                     const juce::Path& normalSymbol_, const juce::Path& toggledSymbol_)
    : juce::Button(name)
    , glassColour(glassColour_)
    , normalSymbol(normalSymbol_)
    , toggledSymbol(toggledSymbol_)
{
}

GlassWindowButton::~GlassWindowButton() = default;

void GlassWindowButton::paintButton(juce::Graphics& g, bool isMouseOverButton, bool isButtonDown)
{
    float alpha = isMouseOverButton ? (isButtonDown ? 1.0f : 0.8f) : 0.55f;

    if (! isEnabled())
        alpha *= 0.5f;

    // The circle's square is centred along the longer side of the bounds.
    const int width = getWidth();
    const int height = getHeight();

    float x = 0.0f;
    float y = 0.0f;
    float diam = 0.0f;

    if (width < height)
    {
        diam = (float)width;
        y = (float)(height - width) * 0.5f;
    }
    else
    {
        diam = (float)height;
        x = (float)(width - height) * 0.5f;
    }

    x += diam * 0.05f;
    y += diam * 0.05f;
    diam *= 0.9f;

    const juce::Rectangle<float> rim(x, y, diam, diam);

    g.setGradientFill(juce::ColourGradient(juce::Colour::greyLevel(0.9f).withAlpha(alpha), 0.0f, y + diam,
                                           juce::Colour::greyLevel(0.6f).withAlpha(alpha), 0.0f, y, false));
    g.fillEllipse(x, y, diam, diam);

    x += 2.0f;
    y += 2.0f;
    diam -= 4.0f;

    GlassRoutines::paintGlassSphere(g, x, y, diam, glassColour.withAlpha(alpha), 1.0f);

    // The focus ring lies on the button's grey rim, around the glass.
    if (hasKeyboardFocus(false))
        GlassRoutines::paintFocusRing(g, rim.getX(), rim.getY(), rim.getWidth(), rim.getHeight(),
                                      rim.getWidth() * 0.5f, false, false, false, false);

    // A button too small for its glass has no room for a symbol either; fitting one into a
    // negative square would draw it mirrored outside the circle.
    if (diam <= 0.0f)
        return;

    const juce::Path& symbol = getToggleState() ? toggledSymbol : normalSymbol;
    const juce::AffineTransform fit
        = symbol.getTransformToScaleToFit(x + diam * 0.3f, y + diam * 0.3f, diam * 0.4f, diam * 0.4f, true);

    g.setColour(juce::Colours::black.withAlpha(alpha * 0.6f));
    g.fillPath(symbol, fit);
}
