#include "look/ColourRules.h"

namespace ColourRules
{
juce::Colour contrasting(juce::Colour colour, float amount)
{
    const int channelSum = colour.getRed() + colour.getGreen() + colour.getBlue();
    const juce::Colour overlay = channelSum >= 384 ? juce::Colours::black : juce::Colours::white;

    return colour.overlaidWith(overlay.withAlpha(amount));
}
} // namespace ColourRules
