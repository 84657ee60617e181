#include "midi/PortSelector.h"

namespace
{
struct ChosenPort final : juce::AccessibilityTextValueInterface
{
    explicit ChosenPort(const PortSelector& s)
        : selector(s)
    {
    }

    bool isReadOnly() const override { return true; }
    juce::String getCurrentValueAsString() const override { return selector.getText(); }
    void setValueAsString(const juce::String&) override {}

    const PortSelector& selector;
};

class SelectorHandler final : public juce::AccessibilityHandler
{
public:
    explicit SelectorHandler(PortSelector& s)
        : juce::AccessibilityHandler(
            s, juce::AccessibilityRole::comboBox,
            juce::AccessibilityActions()
                .addAction(juce::AccessibilityActionType::press, [&s] { s.showPopup(); })
                .addAction(juce::AccessibilityActionType::showMenu, [&s] { s.showPopup(); }),
            { std::make_unique<ChosenPort>(s) })
        , selector(s)
    {
    }

    juce::AccessibleState getCurrentState() const override
    {
        const auto state = juce::AccessibilityHandler::getCurrentState().withExpandable();
        return selector.isPopupActive() ? state.withExpanded() : state.withCollapsed();
    }

    juce::String getHelp() const override { return selector.getTooltip(); }

private:
    PortSelector& selector;
};
} // namespace

std::unique_ptr<juce::AccessibilityHandler> PortSelector::createAccessibilityHandler()
{
    return std::make_unique<SelectorHandler>(*this);
}
