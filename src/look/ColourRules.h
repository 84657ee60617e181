#pragma once

#include <juce_graphics/juce_graphics.h>

namespace ColourRules
{
/** The colour with black overlaid at alpha `amount` when its red, green and blue add up to
    384 or more, else with white overlaid at alpha `amount`.

    This is the program's own brightness rule, used wherever its drawing shifts a colour
    "towards contrast". It deliberately differs from juce::Colour::contrasting (float),
    which judges by perceived brightness: a saturated green, for example, gets white here
    and black there. */
juce::Colour contrasting(juce::Colour colour, float amount);
} // namespace ColourRules
