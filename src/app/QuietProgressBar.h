#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The update screen's progress bar: a juce::ProgressBar that paints the value it shows
    when the screen repaints, and otherwise sleeps.

    JUCE's own bar looks at its value every 30 ms for as long as it is visible, and once
    the value reaches 1.0 repaints on every one of those ticks for as long as the window
    stays open. The update screen repaints on every change of progress anyway, so those
    ticks only cost CPU while the program waits. */
class QuietProgressBar final : public juce::ProgressBar
{
public:
    explicit QuietProgressBar(double& progressToShow)
        : juce::ProgressBar(progressToShow)
        , value(progressToShow)
    {
    }

protected:
    void paint(juce::Graphics& g) override
    {
        // The value is written under the message-thread lock, so reading it here is safe.
        const auto shown = juce::jlimit(0.0, 1.0, value);
        getLookAndFeel().drawProgressBar(g, *this, getWidth(), getHeight(), shown,
                                         juce::String(juce::roundToInt(shown * 100.0)) + "%");
    }

    // JUCE's bar starts its polling timer here; this one never does.
    void visibilityChanged() override {}

private:
    const double& value;
};
