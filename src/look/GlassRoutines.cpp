#include "look/GlassRoutines.h"

#include "look/ColourRules.h"
#include "look/TitleBarColour.h"

namespace GlassRoutines
{
namespace
{
constexpr float pi = juce::MathConstants<float>::pi;
} // namespace

juce::Colour makeButtonBaseColour(juce::Colour colour, bool hasKeyboardFocus, bool isMouseOver,
                                  bool isButtonDown)
{
    const float saturation = hasKeyboardFocus ? 1.3f : 0.9f;
    const juce::Colour baseColour = colour.withMultipliedSaturation(saturation);

    if (isButtonDown)
        return ColourRules::contrasting(baseColour, 0.2f);

    if (isMouseOver)
        return ColourRules::contrasting(baseColour, 0.1f);

    return baseColour;
}

void makeRoundedOutline(juce::Path& path, float x, float y, float w, float h, float cornerSize,
                        bool curveTopLeft, bool curveTopRight, bool curveBottomLeft, bool curveBottomRight)
{
    const float cs = cornerSize;
    const float cs2 = 2.0f * cornerSize;

    // Path::addArc measures its angles clockwise from twelve o'clock, and joins each arc
    // to the current point with a straight line.
    if (curveTopLeft)
    {
        path.startNewSubPath(x, y + cs);
        path.addArc(x, y, cs2, cs2, 1.5f * pi, 2.0f * pi);
    }
    else
    {
        path.startNewSubPath(x, y);
    }

    if (curveTopRight)
    {
        path.lineTo(x + w - cs, y);
        path.addArc(x + w - cs2, y, cs2, cs2, 0.0f, 0.5f * pi);
    }
    else
    {
        path.lineTo(x + w, y);
    }

    if (curveBottomRight)
    {
        path.lineTo(x + w, y + h - cs);
        path.addArc(x + w - cs2, y + h - cs2, cs2, cs2, 0.5f * pi, pi);
    }
    else
    {
        path.lineTo(x + w, y + h);
    }

    if (curveBottomLeft)
    {
        path.lineTo(x + cs, y + h);
        path.addArc(x, y + h - cs2, cs2, cs2, pi, 1.5f * pi);
    }
    else
    {
        path.lineTo(x, y + h);
    }

    path.closeSubPath();
}

void paintGlassLozenge(juce::Graphics& g, float x, float y, float w, float h, juce::Colour colour,
                       float outlineThickness, bool flatOnLeft, bool flatOnRight, bool flatOnTop,
                       bool flatOnBottom)
{
    if (w <= outlineThickness || h <= outlineThickness)
        return;

    const int intX = (int)x;
    const int intY = (int)y;
    const int intW = (int)w;
    const int intH = (int)h;

    const float cs = juce::jmin(w * 0.5f, h * 0.5f);
    const float edgeBlur = h * 0.75f + (h - 2.0f * cs);
    const int intEdge = (int)edgeBlur;

    const bool curveTopLeft = ! (flatOnLeft || flatOnTop);
    const bool curveTopRight = ! (flatOnRight || flatOnTop);
    const bool curveBottomLeft = ! (flatOnLeft || flatOnBottom);
    const bool curveBottomRight = ! (flatOnRight || flatOnBottom);

    juce::Path outline;
    makeRoundedOutline(outline, x, y, w, h, cs, curveTopLeft, curveTopRight, curveBottomLeft,
                       curveBottomRight);

    // The body: darker at the very top and bottom, full colour just above the middle.
    {
        juce::ColourGradient body(colour.darker(0.2f), 0.0f, y, colour.darker(0.2f), 0.0f, y + h, false);
        body.addColour(0.03, colour.withMultipliedAlpha(0.3f));
        body.addColour(0.4, colour);
        body.addColour(0.97, colour.withMultipliedAlpha(0.3f));

        g.setGradientFill(body);
        g.fillPath(outline);
    }

    // Shading towards the rounded ends. Both stops lie between 2/3 and 1 (cs is at most
    // h / 2 and edgeBlur at least 0.75 h), so the gradient never sees a stop out of range.
    juce::ColourGradient edge(juce::Colours::transparentBlack, x + edgeBlur, y + h * 0.5f,
                              colour.darker(0.2f), x, y + h * 0.5f, true);
    edge.addColour(1.0 - (cs * 0.5f) / edgeBlur, juce::Colours::transparentBlack);
    edge.addColour(1.0 - (cs * 0.25f) / edgeBlur, colour.darker(0.2f).withMultipliedAlpha(0.3f));

    if (! (flatOnLeft || flatOnTop || flatOnBottom))
    {
        juce::Graphics::ScopedSaveState state(g);
        g.reduceClipRegion(intX, intY, intEdge, intH);
        g.setGradientFill(edge);
        g.fillPath(outline);
    }

    if (! (flatOnRight || flatOnTop || flatOnBottom))
    {
        edge.point1.setX(x + w - edgeBlur);
        edge.point2.setX(x + w);

        juce::Graphics::ScopedSaveState state(g);
        g.reduceClipRegion(intX + intW - intEdge, intY, intEdge + 2, intH);
        g.setGradientFill(edge);
        g.fillPath(outline);
    }

    // The shine across the upper part. Only a flat side lets it run to the edge: a flat
    // top alone keeps the rounded indents.
    {
        const float leftIndent = flatOnLeft ? 0.0f : cs * 0.4f;
        const float rightIndent = flatOnRight ? 0.0f : cs * 0.4f;

        juce::Path highlight;
        makeRoundedOutline(highlight, x + leftIndent, y + cs * 0.1f, w - (leftIndent + rightIndent), h * 0.4f,
                           cs * 0.4f, curveTopLeft, curveTopRight, curveBottomLeft, curveBottomRight);

        g.setGradientFill(juce::ColourGradient(colour.brighter(10.0f), 0.0f, y + h * 0.06f,
                                               juce::Colours::transparentWhite, 0.0f, y + h * 0.4f, false));
        g.fillPath(highlight);
    }

    g.setColour(colour.darker(0.4f).withMultipliedAlpha(1.5f));
    g.strokePath(outline, juce::PathStrokeType(outlineThickness));
}

void paintGlassSphere(juce::Graphics& g, float x, float y, float diameter, juce::Colour colour,
                      float outlineThickness)
{
    if (diameter <= outlineThickness)
        return;

    const float d = diameter;

    juce::Path circle;
    circle.addEllipse(x, y, d, d);

    {
        const juce::Colour rim = juce::Colours::white.overlaidWith(colour.withMultipliedAlpha(0.3f));
        juce::ColourGradient body(rim, 0.0f, y, rim, 0.0f, y + d, false);
        body.addColour(0.4, juce::Colours::white.overlaidWith(colour));

        g.setGradientFill(body);
        g.fillPath(circle);
    }

    g.setGradientFill(juce::ColourGradient(juce::Colours::white, 0.0f, y + d * 0.06f,
                                           juce::Colours::transparentWhite, 0.0f, y + d * 0.3f, false));
    g.fillEllipse(x + d * 0.2f, y + d * 0.05f, d * 0.6f, d * 0.4f);

    {
        juce::ColourGradient shade(
            juce::Colours::transparentBlack, x + d * 0.5f, y + d * 0.5f,
            juce::Colours::black.withAlpha(0.5f * outlineThickness * colour.getFloatAlpha()), x, y + d * 0.5f,
            true);
        shade.addColour(0.7, juce::Colours::transparentBlack);
        shade.addColour(0.8, juce::Colours::black.withAlpha(0.1f * outlineThickness));

        g.setGradientFill(shade);
        g.fillPath(circle);
    }

    g.setColour(juce::Colours::black.withAlpha(0.5f * colour.getFloatAlpha()));
    g.drawEllipse(x, y, d, d, outlineThickness);
}

void paintFlatGlassBar(juce::Graphics& g, float x, float y, float w, float h, float maxCornerSize,
                       juce::Colour baseColour, float strokeWidth, bool flatOnLeft, bool flatOnRight,
                       bool flatOnTop, bool flatOnBottom)
{
    if (w <= strokeWidth * 1.1f || h <= strokeWidth * 1.1f)
        return;

    const float cs = juce::jmin(maxCornerSize, w * 0.5f, h * 0.5f);

    juce::Path outline;
    makeRoundedOutline(outline, x, y, w, h, cs, ! (flatOnLeft || flatOnTop), ! (flatOnRight || flatOnTop),
                       ! (flatOnLeft || flatOnBottom), ! (flatOnRight || flatOnBottom));

    const juce::Colour blue = juce::Colour(0xff0000ff);

    juce::ColourGradient fill(baseColour, 0.0f, y, baseColour.overlaidWith(blue.withAlpha(0.03f)), 0.0f,
                              y + h, false);
    fill.addColour(0.5, baseColour.overlaidWith(juce::Colours::white.withAlpha(0.2f)));
    fill.addColour(0.51, baseColour.overlaidWith(blue.withAlpha(0.07f)));

    g.setGradientFill(fill);
    g.fillPath(outline);

    g.setColour(juce::Colours::black.withAlpha(0.5f));
    g.strokePath(outline, juce::PathStrokeType(strokeWidth));
}

juce::Colour focusRingColour()
{
    return WindowColours::titleBar;
}

void paintFocusRing(juce::Graphics& g, float x, float y, float w, float h, float cornerSize, bool flatOnLeft,
                    bool flatOnRight, bool flatOnTop, bool flatOnBottom)
{
    const float band = 2.0f;

    if (w <= 3.0f * band || h <= 3.0f * band)
        return;

    const auto ring = [&](float inset)
    {
        juce::Path path;
        makeRoundedOutline(path, x + inset, y + inset, w - 2.0f * inset, h - 2.0f * inset,
                           juce::jmax(0.0f, cornerSize - inset), ! (flatOnLeft || flatOnTop),
                           ! (flatOnRight || flatOnTop), ! (flatOnLeft || flatOnBottom),
                           ! (flatOnRight || flatOnBottom));
        return path;
    };

    // The band's outer edge lies on the control's own outline.
    g.setColour(focusRingColour().withAlpha(0.9f));
    g.strokePath(ring(band * 0.5f), juce::PathStrokeType(band));

    g.setColour(juce::Colours::white.withAlpha(0.6f));
    g.strokePath(ring(band + 0.5f), juce::PathStrokeType(1.0f));
}
} // namespace GlassRoutines
