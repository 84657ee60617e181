#include "app/QuietProgressBar.h"

#include "app/ScreenReader.h"

void QuietProgressBar::progressChanged()
{
    const auto percent = getPercent();

    if (percent == lastToldPercent)
        return;

    lastToldPercent = percent;
    ScreenReader::valueChanged(*this);
}

std::unique_ptr<juce::AccessibilityHandler> QuietProgressBar::createAccessibilityHandler()
{
    // JUCE's own handler reads the value the bar's timer copies, which this bar never runs.
    struct Percent final : juce::AccessibilityValueInterface
    {
        explicit Percent(const QuietProgressBar& b)
            : bar(b)
        {
        }

        bool isReadOnly() const override { return true; }
        double getCurrentValue() const override { return bar.getPercent(); }
        juce::String getCurrentValueAsString() const override { return juce::String(bar.getPercent()) + "%"; }
        void setValue(double) override {}
        void setValueAsString(const juce::String&) override {}
        AccessibleValueRange getRange() const override { return { { 0.0, 100.0 }, 1.0 }; }

        const QuietProgressBar& bar;
    };

    return std::make_unique<juce::AccessibilityHandler>(
        *this, juce::AccessibilityRole::progressBar, juce::AccessibilityActions {},
        juce::AccessibilityHandler::Interfaces { std::make_unique<Percent>(*this) });
}
