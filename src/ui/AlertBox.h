#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>
#include <vector>

/** The program's message box: JUCE's AlertWindow, drawn by the look-and-feel as any is,
    but with a layout in which every line of its text can be read whole.

    The title and the message are wrapped at spaces to a width that keeps the box within
    70 % of the screen area's width, as JUCE's own box; a word longer than that (a file's
    path) is broken after a path separator, or failing that anywhere. The box grows in
    height with its text up to the screen area's height less 50 pixels; a text taller than
    that scrolls. Lines the message breaks itself stay broken.

    Add the buttons, then call layOut(). Message thread. */
class AlertBox final : public juce::AlertWindow
{
public:
    /** An empty screenArea means the area of the display the box appears on. */
    AlertBox(const juce::String& title, const juce::String& message, juce::MessageBoxIconType icon,
             juce::Rectangle<int> screenArea = {});
    ~AlertBox() override;

    /** Sizes the box for its text and buttons, and centres it in the screen area when it
        is not showing yet. */
    void layOut();

    /** The title and message as laid out, relative to getTextArea()'s top left. */
    const juce::TextLayout& getTextLayout() const noexcept { return layout; }

    /** The lines of the title and message as laid out, one for each line of
        getTextLayout(): the title's, an empty line, the message's. */
    const juce::StringArray& getLines() const noexcept { return shownLines; }

    /** Where the text is shown in the box, less the scroll bar when there is one. */
    juce::Rectangle<int> getTextArea() const;

    /** True when the text is taller than the box can be, so that it scrolls. */
    bool isTextScrollable() const;

    /** The lines of text wrapped to the width: at spaces, and within a word that is wider,
        after a '/' or '\\', or failing that before the first character that does not fit.
        A paragraph that is a path alone breaks as one word. Line breaks in the text are
        kept; an empty paragraph is an empty line. */
    static juce::StringArray wrap(const juce::String& text, const juce::Font& font, float width);

    void paint(juce::Graphics&) override;
    void lookAndFeelChanged() override;

private:
    struct TextView;

    juce::String title;
    juce::String message;
    juce::Rectangle<int> screenArea;
    juce::TextLayout layout;
    juce::StringArray shownLines;
    std::unique_ptr<TextView> textView;
    std::unique_ptr<juce::Viewport> viewport;

    std::vector<juce::TextButton*> buttonsInOrder() const;
    float wrapWidthFor(float mostForLines) const;
    juce::AttributedString wrappedText(float wrapWidth, float& longestLine);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(AlertBox)
};
