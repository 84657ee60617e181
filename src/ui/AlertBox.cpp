#include "ui/AlertBox.h"

#include <algorithm>
#include <cmath>

namespace
{
// The measures of JUCE's own box, so that a short text looks as it always did.
constexpr int edgeGap = 10;
constexpr int iconWidth = 80;
constexpr int minimumWidth = 350;
constexpr int buttonGap = 16;
constexpr int gapAboveButtons = 30;
constexpr int gapBelowButtons = 12;
constexpr int screenHeightKept = 50;
constexpr float widestShareOfScreen = 0.7f;

// Room to the right of the longest line, more than a scroll bar takes, so that a scroll
// bar never covers the end of a line.
constexpr int roomRightOfLines = 20;

bool isPathSeparator(juce::juce_wchar c)
{
    return c == '/' || c == '\\';
}

// A paragraph that is a path and nothing else, as a box shows a file: a space in it is
// part of a name, so it is broken as one word is.
bool isPathAlone(const juce::String& paragraph)
{
    const auto driveRoot = paragraph.length() > 2 && juce::CharacterFunctions::isLetter(paragraph[0])
                           && paragraph[1] == ':' && isPathSeparator(paragraph[2]);
    return paragraph.startsWithChar('/') || paragraph.startsWith("~/") || paragraph.startsWith("\\\\")
           || driveRoot;
}

// A word too wide for a line, in pieces that each fit: as long as fits, ending after the
// last path separator that fits (one at the very start would leave it alone on a line).
juce::StringArray breakWord(const juce::String& word, const juce::Font& font, float width)
{
    juce::StringArray pieces;
    auto rest = word;

    while (rest.length() > 1 && font.getStringWidthFloat(rest) > width)
    {
        // The longest start that fits, and one character at least, whatever the width.
        int fits = 1;
        int tooLong = rest.length();

        while (tooLong - fits > 1)
        {
            const auto middle = (fits + tooLong) / 2;

            if (font.getStringWidthFloat(rest.substring(0, middle)) <= width)
                fits = middle;
            else
                tooLong = middle;
        }

        auto cut = fits;

        for (int i = fits; i > 1; --i)
        {
            if (isPathSeparator(rest[i - 1]))
            {
                cut = i;
                break;
            }
        }

        pieces.add(rest.substring(0, cut));
        rest = rest.substring(cut);
    }

    pieces.add(rest);
    return pieces;
}
} // namespace

struct AlertBox::TextView final : juce::Component
{
    explicit TextView(const juce::TextLayout& textLayout)
        : layout(textLayout)
    {
        setInterceptsMouseClicks(false, false);
    }

    void paint(juce::Graphics& g) override { layout.draw(g, getLocalBounds().toFloat()); }

    const juce::TextLayout& layout;
};

AlertBox::AlertBox(const juce::String& titleText, const juce::String& messageText,
                   juce::MessageBoxIconType icon, juce::Rectangle<int> area)
    : juce::AlertWindow(titleText, messageText, icon)
    , title(titleText)
    , message(messageText)
    , screenArea(area)
    , textView(std::make_unique<TextView>(layout))
    , viewport(std::make_unique<juce::Viewport>())
{
    // The text is shown by the viewport, which scrolls it when the box cannot be tall
    // enough; the keyboard focus stays with the buttons.
    viewport->setViewedComponent(textView.get(), false);
    viewport->setScrollBarsShown(true, false);
    viewport->setWantsKeyboardFocus(false);
    addAndMakeVisible(*viewport);
    layOut();
}

AlertBox::~AlertBox()
{
    viewport->setViewedComponent(nullptr, false);
}

juce::StringArray AlertBox::wrap(const juce::String& text, const juce::Font& font, float width)
{
    juce::StringArray lines;

    for (const auto& paragraph : juce::StringArray::fromLines(text))
    {
        if (isPathAlone(paragraph.trim()))
        {
            lines.addArray(breakWord(paragraph.trim(), font, width));
            continue;
        }

        juce::String line;

        for (const auto& word : juce::StringArray::fromTokens(paragraph, " ", {}))
        {
            if (word.isEmpty())
                continue;

            const auto joined = line.isEmpty() ? word : line + " " + word;

            if (font.getStringWidthFloat(joined) <= width)
            {
                line = joined;
                continue;
            }

            if (line.isNotEmpty())
                lines.add(line);

            auto pieces = breakWord(word, font, width);
            line = pieces[pieces.size() - 1];
            pieces.remove(pieces.size() - 1);
            lines.addArray(pieces);
        }

        lines.add(line);
    }

    return lines;
}

std::vector<juce::TextButton*> AlertBox::buttonsInOrder() const
{
    // The buttons keep the order AlertWindow gave them, left to right.
    std::vector<juce::TextButton*> buttons;

    for (auto* child : getChildren())
        if (auto* button = dynamic_cast<juce::TextButton*>(child))
            buttons.push_back(button);

    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->getX() < b->getX(); });
    return buttons;
}

float AlertBox::wrapWidthFor(float mostForLines) const
{
    auto& lf = getLookAndFeel();
    const auto messageFont = lf.getAlertWindowMessageFont();
    const auto titleFont = lf.getAlertWindowTitleFont();
    const auto textWidth
        = juce::jmax(messageFont.getStringWidthFloat(message), titleFont.getStringWidthFloat(title));
    auto wrapWidth = juce::jmin(mostForLines, 300.0f + 2.0f * std::sqrt(messageFont.getHeight() * textWidth));

    const auto lineCount = [&](float width)
    { return wrap(title, titleFont, width).size() + wrap(message, messageFont, width).size(); };

    // Narrower as long as that takes no more lines, so that the lines come out even.
    const auto lines = lineCount(wrapWidth);

    while (wrapWidth - 10.0f >= mostForLines / 2.0f && lineCount(wrapWidth - 10.0f) == lines)
        wrapWidth -= 10.0f;

    return wrapWidth;
}

juce::AttributedString AlertBox::wrappedText(float wrapWidth, float& longestLine)
{
    auto& lf = getLookAndFeel();
    const auto messageFont = lf.getAlertWindowMessageFont();
    const auto titleFont = lf.getAlertWindowTitleFont();
    auto titleLines = wrap(title, titleFont, wrapWidth);
    const auto messageLines = wrap(message, messageFont, wrapWidth);

    // No title still takes its line, as in JUCE's box.
    if (titleLines.isEmpty())
        titleLines.add({});

    longestLine = 0.0f;

    for (const auto& line : titleLines)
        longestLine = juce::jmax(longestLine, titleFont.getStringWidthFloat(line));

    for (const auto& line : messageLines)
        longestLine = juce::jmax(longestLine, messageFont.getStringWidthFloat(line));

    juce::AttributedString text;
    text.setJustification(getAlertType() == juce::MessageBoxIconType::NoIcon ? juce::Justification::centredTop
                                                                             : juce::Justification::topLeft);
    text.append(titleLines.joinIntoString("\n"), titleFont);

    if (message.isNotEmpty())
        text.append("\n\n" + messageLines.joinIntoString("\n"), messageFont);

    text.setColour(findColour(textColourId));
    shownLines = titleLines;

    if (message.isNotEmpty())
    {
        shownLines.add({});
        shownLines.addArray(messageLines);
    }

    return text;
}

void AlertBox::layOut()
{
    auto area = screenArea;

    if (area.isEmpty())
    {
        const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect(getScreenBounds());
        area = display != nullptr ? display->userArea : juce::Rectangle<int>(1024, 768);
    }

    const auto buttons = buttonsInOrder();
    int buttonsWidth = -buttonGap;
    int buttonHeight = 0;

    for (auto* button : buttons)
    {
        buttonsWidth += button->getWidth() + buttonGap;
        buttonHeight = juce::jmax(buttonHeight, button->getHeight());
    }

    // As wide as JUCE would make it for the text, but never wider than its share of the
    // screen, now less the icon and the margins that JUCE forgot to take off.
    const auto textX = edgeGap + (getAlertType() == juce::MessageBoxIconType::NoIcon ? 0 : iconWidth);
    const auto widest = juce::jmin(area.getWidth(), (int)((float)area.getWidth() * widestShareOfScreen));
    const auto mostForLines = (float)juce::jmax(40, widest - textX - edgeGap - roomRightOfLines);
    float longestLine = 0.0f;
    const auto text = wrappedText(wrapWidthFor(mostForLines), longestLine);

    auto boxWidth = juce::jmax(textX + (int)std::ceil(longestLine) + roomRightOfLines + edgeGap,
                               buttonsWidth + 4 * edgeGap, juce::jmin(minimumWidth, area.getWidth()));
    boxWidth = juce::jmin(boxWidth, juce::jmax(area.getWidth(), buttonsWidth + 4 * edgeGap));
    const auto viewWidth = boxWidth - textX - edgeGap;
    layout.createLayout(text, (float)viewWidth);

    // Taller than the screen allows: the text scrolls, beside a scroll bar.
    const auto aroundText = edgeGap + gapAboveButtons + buttonHeight + gapBelowButtons;
    const auto textHeight = (int)std::ceil(layout.getHeight());
    const auto mostForText = juce::jmax((int)getLookAndFeel().getAlertWindowMessageFont().getHeight() * 2,
                                        area.getHeight() - screenHeightKept - aroundText);
    const auto scrolls = textHeight > mostForText;
    const auto shownWidth = viewWidth - (scrolls ? viewport->getScrollBarThickness() : 0);

    if (scrolls)
        layout.createLayout(text, (float)shownWidth);

    const auto viewHeight = juce::jmin(textHeight, mostForText);
    const auto boxHeight = aroundText + viewHeight;

    if (! isVisible())
        setBounds(area.withSizeKeepingCentre(boxWidth, boxHeight));
    else
        setBounds(getBounds().withSizeKeepingCentre(boxWidth, boxHeight).constrainedWithin(area));

    textView->setSize(shownWidth, textHeight);
    viewport->setBounds(textX, edgeGap, viewWidth, viewHeight);
    viewport->setInterceptsMouseClicks(scrolls, true);

    auto x = (boxWidth - buttonsWidth) / 2;

    for (auto* button : buttons)
    {
        button->setTopLeftPosition(x, boxHeight - gapBelowButtons - buttonHeight);
        x += button->getWidth() + buttonGap;
    }

    repaint();
}

juce::Rectangle<int> AlertBox::getTextArea() const
{
    return viewport->getBounds().withWidth(textView->getWidth());
}

bool AlertBox::isTextScrollable() const
{
    return textView->getHeight() > viewport->getHeight();
}

void AlertBox::paint(juce::Graphics& g)
{
    // The look-and-feel draws the box, its icon and its outline; the viewport the text.
    juce::TextLayout noText;
    getLookAndFeel().drawAlertBox(g, *this, getLocalBounds().reduced(edgeGap), noText);
}

void AlertBox::lookAndFeelChanged()
{
    juce::AlertWindow::lookAndFeelChanged();

    if (viewport != nullptr)
        layOut();
}
