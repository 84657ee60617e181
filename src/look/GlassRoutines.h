#pragma once

#include <juce_graphics/juce_graphics.h>

/** The glass drawing shared by the look-and-feel and the title-bar buttons: glossy
    lozenges for push buttons, spheres for tick boxes, slider knobs and title-bar buttons,
    and flat glass bars for menu bars and bar sliders.

    All coordinates are floats in the caller's own coordinates. Message thread only, like
    all painting. */
namespace GlassRoutines
{
/** The colour a glass control is painted in for its state: more saturated while it has
    the keyboard focus, less otherwise, then shifted towards contrast by 0.2 while pressed
    or by 0.1 while hovered. */
juce::Colour makeButtonBaseColour(juce::Colour colour, bool hasKeyboardFocus, bool isMouseOver,
                                  bool isButtonDown);

/** Appends a closed rectangle to `path` whose curved corners are quarter circles of radius
    `cornerSize`; a corner that is not curved stays square. */
void makeRoundedOutline(juce::Path& path, float x, float y, float w, float h, float cornerSize,
                        bool curveTopLeft, bool curveTopRight, bool curveBottomLeft, bool curveBottomRight);

/** A glossy lozenge with fully rounded ends. A side flagged flat is drawn square and
    without edge shading, so that buttons connected on that side join up. Draws nothing
    when the lozenge is not wider and higher than its outline. */
void paintGlassLozenge(juce::Graphics& g, float x, float y, float w, float h, juce::Colour colour,
                       float outlineThickness, bool flatOnLeft, bool flatOnRight, bool flatOnTop,
                       bool flatOnBottom);

/** A glass sphere in the square (x, y, diameter, diameter). Draws nothing when the
    diameter does not exceed the outline thickness. */
void paintGlassSphere(juce::Graphics& g, float x, float y, float diameter, juce::Colour colour,
                      float outlineThickness);

/** A flat, slightly shiny bar with corners of at most `maxCornerSize`. Draws nothing when
    it is not larger than 1.1 times its stroke in both directions. */
void paintFlatGlassBar(juce::Graphics& g, float x, float y, float w, float h, float maxCornerSize,
                       juce::Colour baseColour, float strokeWidth, bool flatOnLeft, bool flatOnRight,
                       bool flatOnTop, bool flatOnBottom);

/** The colour of the keyboard focus ring: the glass blue of the title bar. */
juce::Colour focusRingColour();

/** The ring that shows which control has the keyboard focus, drawn just inside the
    control's outline (x, y, w, h), whose corners are quarter circles of `cornerSize`: a
    band of the focus colour with a fine light line inside it, like the rim of glass. A
    side flagged flat is square, as the control's own outline is there. Draws nothing when
    the area is too small to hold it. */
void paintFocusRing(juce::Graphics& g, float x, float y, float w, float h, float cornerSize, bool flatOnLeft,
                    bool flatOnRight, bool flatOnTop, bool flatOnBottom);
} // namespace GlassRoutines
