#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The update screen's progress bar: a juce::ProgressBar that paints the value it shows
    when the screen repaints, and otherwise sleeps.

    JUCE's own bar looks at its value every 30 ms for as long as it is visible, and once
    the value reaches 1.0 repaints on every one of those ticks for as long as the window
    stays open. The update screen repaints on every change of progress anyway, so those
    ticks only cost CPU while the program waits.

    Those ticks were also what told a screen reader that the value changed: the screen
    tells the bar instead, and the bar passes it on at each whole percent. */
class QuietProgressBar final : public juce::ProgressBar
{
public:
    explicit QuietProgressBar(double& progressToShow)
        : juce::ProgressBar(progressToShow)
        , value(progressToShow)
    {
    }

    /** The value shown as a whole percent, as the bar's text and a screen reader give it. */
    int getPercent() const noexcept { return juce::roundToInt(juce::jlimit(0.0, 1.0, value) * 100.0); }

    /** The value may have changed: a screen reader hears of it when the whole percent has.
        On the message thread, or on a thread that has it locked. */
    void progressChanged();

    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

protected:
    void paint(juce::Graphics& g) override
    {
        // The value is written under the message-thread lock, so reading it here is safe.
        getLookAndFeel().drawProgressBar(g, *this, getWidth(), getHeight(), juce::jlimit(0.0, 1.0, value),
                                         juce::String(getPercent()) + "%");
    }

    // JUCE's bar starts its polling timer here; this one never does.
    void visibilityChanged() override {}

private:
    const double& value;
    int lastToldPercent = 0;
};
