#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A round glass title-bar button carrying a small black symbol (a cross, a bar, a plus).

    The circle sits centred in the button's bounds, along whichever side is longer. Its
    glass is drawn more strongly while hovered and fully while pressed, and at half
    strength while the button is disabled. */
class GlassWindowButton : public juce::Button
{
public:
    /** `name` becomes the component name. `toggledSymbol` is shown while the toggle state is
        on (the maximise button's full-screen shape), `normalSymbol` otherwise; both are
        scaled to fit, so their units do not matter. */
    GlassWindowButton(const juce::String& name, juce::Colour glassColour, const juce::Path& normalSymbol,
                      const juce::Path& toggledSymbol);
    ~GlassWindowButton() override;

    void paintButton(juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

private:
    const juce::Colour glassColour;
    const juce::Path normalSymbol;
    const juce::Path toggledSymbol;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(GlassWindowButton)
};
