#pragma once

#include <functional>
#include <juce_gui_basics/juce_gui_basics.h>

/** A drop-down list of ports that lets its owner bring the list up to date just before
    it opens, by mouse or by keyboard alike.

    A screen reader hears it by its title (setTitle), with the chosen port as its value:
    JUCE's own combo box gives the chosen item as the title too, which tells nothing of
    what the list is for. */
class PortSelector final : public juce::ComboBox
{
public:
    using juce::ComboBox::ComboBox;

    /** Called on the message thread just before the list is shown. */
    std::function<void()> onListAboutToOpen;

    void showPopup() override
    {
        if (onListAboutToOpen)
            onListAboutToOpen();

        juce::ComboBox::showPopup();
    }

    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;
};
