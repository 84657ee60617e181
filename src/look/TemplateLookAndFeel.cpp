#include "look/TemplateLookAndFeel.h"

#include "look/ColourRules.h"
#include "look/GlassRoutines.h"
#include "look/GlassWindowButton.h"
#include "look/TitleBarColour.h"

#include <cmath>

namespace
{
/** Grey at 0.7: the palette's outline, highlight and control colour. */
const juce::Colour translucentGrey = juce::Colour(0xff808080).withAlpha(0.7f);

// The glass of the title-bar buttons.
const juce::Colour closeGlass { 0xff3273a1 };
const juce::Colour minimiseGlass { 0xffeff2f3 };
const juce::Colour maximiseGlass { 0xff9299a5 };

/** The corners of the focus ring on square controls: just rounded, as glass edges are. */
constexpr float focusRingCorner = 3.0f;
} // namespace

TemplateLookAndFeel::TemplateLookAndFeel()
    : controlBaseColour(translucentGrey)
{
    setColour(juce::TextEditor::focusedOutlineColourId, translucentGrey);
    setColour(juce::ToggleButton::textColourId, translucentGrey);

    setColour(juce::ScrollBar::backgroundColourId, juce::Colours::transparentBlack);
    setColour(juce::ScrollBar::thumbColourId, juce::Colours::white);

    // A combo box's drop-down list is a popup menu, so these also colour the list.
    setColour(juce::PopupMenu::backgroundColourId, juce::Colours::white);
    setColour(juce::PopupMenu::highlightedTextColourId, juce::Colours::white);
    setColour(juce::PopupMenu::highlightedBackgroundColourId, translucentGrey);

    setColour(juce::ComboBox::outlineColourId, translucentGrey);

    setColour(juce::Slider::trackColourId, juce::Colours::white);
    setColour(juce::Slider::textBoxOutlineColourId, translucentGrey);

    setColour(juce::ProgressBar::backgroundColourId, juce::Colours::white);
    setColour(juce::ProgressBar::foregroundColourId, juce::Colour(0xffd3d3d3));

    setColour(juce::TooltipWindow::backgroundColourId, juce::Colours::white);
    setColour(juce::BubbleComponent::backgroundColourId, juce::Colours::white);

    // The program's windows set their own title-bar colour; any other window (a message
    // box, say) gets the same blue instead of an unset colour.
    setColour(WindowColours::titleBarColourId, WindowColours::titleBar);
}

TemplateLookAndFeel::~TemplateLookAndFeel() = default;

//==============================================================================
void TemplateLookAndFeel::drawButtonBackground(juce::Graphics& g, juce::Button& button,
                                               const juce::Colour& backgroundColour, bool isMouseOverButton,
                                               bool isButtonDown)
{
    const bool enabled = button.isEnabled();
    const float outlineThickness = enabled ? ((isButtonDown || isMouseOverButton) ? 1.2f : 0.7f) : 0.4f;
    const float half = outlineThickness * 0.5f;

    // A connected side reaches almost to the edge so that neighbouring buttons meet.
    const float indentLeft = button.isConnectedOnLeft() ? 0.1f : half;
    const float indentRight = button.isConnectedOnRight() ? 0.1f : half;
    const float indentTop = button.isConnectedOnTop() ? 0.1f : half;
    const float indentBottom = button.isConnectedOnBottom() ? 0.1f : half;

    const juce::Colour baseColour
        = GlassRoutines::makeButtonBaseColour(backgroundColour, button.hasKeyboardFocus(true),
                                              isMouseOverButton, isButtonDown)
              .withMultipliedAlpha(enabled ? 1.0f : 0.5f);

    const float w = (float)button.getWidth() - indentLeft - indentRight;
    const float h = (float)button.getHeight() - indentTop - indentBottom;

    GlassRoutines::paintGlassLozenge(g, indentLeft, indentTop, w, h, baseColour, outlineThickness,
                                     button.isConnectedOnLeft(), button.isConnectedOnRight(),
                                     button.isConnectedOnTop(), button.isConnectedOnBottom());

    // The ring follows the lozenge, square where the button joins a neighbour.
    if (enabled && button.hasKeyboardFocus(false))
        GlassRoutines::paintFocusRing(g, indentLeft, indentTop, w, h, juce::jmin(w, h) * 0.5f,
                                      button.isConnectedOnLeft(), button.isConnectedOnRight(),
                                      button.isConnectedOnTop(), button.isConnectedOnBottom());
}

void TemplateLookAndFeel::drawTickBox(juce::Graphics& g, juce::Component&, float x, float y, float w, float h,
                                      bool ticked, bool isEnabled, bool isMouseOverButton, bool isButtonDown)
{
    const float boxSize = w * 0.7f;

    const juce::Colour colour
        = GlassRoutines::makeButtonBaseColour(controlBaseColour.withMultipliedAlpha(isEnabled ? 1.0f : 0.5f),
                                              true, isMouseOverButton, isButtonDown);
    const float thickness = isEnabled ? ((isButtonDown || isMouseOverButton) ? 1.1f : 0.5f) : 0.3f;

    GlassRoutines::paintGlassSphere(g, x, y + (h - boxSize) * 0.5f, boxSize, colour, thickness);

    if (! ticked)
        return;

    // The tick is designed in a 9 x 9 box; the stroke keeps its width whatever the scale.
    juce::Path tick;
    tick.startNewSubPath(1.5f, 3.0f);
    tick.lineTo(3.0f, 6.0f);
    tick.lineTo(6.0f, 0.0f);

    g.setColour(isEnabled ? juce::Colours::black : juce::Colour(0xff808080));
    g.strokePath(tick, juce::PathStrokeType(2.5f),
                 juce::AffineTransform::scale(w / 9.0f, h / 9.0f).translated(x, y));
}

//==============================================================================
void TemplateLookAndFeel::drawProgressBar(juce::Graphics& g, juce::ProgressBar& progressBar, int width,
                                          int height, double progress, const juce::String& textToShow)
{
    const juce::Colour background = progressBar.findColour(juce::ProgressBar::backgroundColourId);
    const juce::Colour foreground = progressBar.findColour(juce::ProgressBar::foregroundColourId);

    // The bar leaves background and text to us, and is opaque while its background is.
    g.fillAll(background);

    g.setColour(ColourRules::contrasting(background, 0.2f));
    g.drawRect(0, 0, width, height);

    // A full or over-full progress shows a full bar; an unknown one (negative or not a
    // number) shows none. Never an animation: the bar keeps still once the upload is done.
    const double maxLength = juce::jmax(0.0, width - 2.0);
    const double wanted = std::isfinite(progress) ? (width - 2.0) * progress : 0.0;
    const auto barLength = (float)juce::jlimit(0.0, maxLength, wanted);

    GlassRoutines::paintGlassLozenge(g, 1.0f, 1.0f, barLength, (float)(height - 2), foreground, 0.5f, true,
                                     true, true, true);

    if (textToShow.isNotEmpty())
    {
        g.setColour(juce::Colour::contrasting(background, foreground));
        g.setFont(juce::Font((float)height * 0.6f));
        g.drawText(textToShow, 0, 0, width, height, juce::Justification::centred, false);
    }
}

void TemplateLookAndFeel::drawScrollbarButton(juce::Graphics& g, juce::ScrollBar& scrollbar, int width,
                                              int height, int buttonDirection, bool, bool, bool isButtonDown)
{
    const auto w = (float)width;
    const auto h = (float)height;

    juce::Path arrow;

    switch (buttonDirection)
    {
        case 0:
            arrow.addTriangle(w * 0.5f, h * 0.2f, w * 0.1f, h * 0.7f, w * 0.9f, h * 0.7f);
            break;
        case 1:
            arrow.addTriangle(w * 0.8f, h * 0.5f, w * 0.3f, h * 0.1f, w * 0.3f, h * 0.9f);
            break;
        case 2:
            arrow.addTriangle(w * 0.5f, h * 0.8f, w * 0.1f, h * 0.3f, w * 0.9f, h * 0.3f);
            break;
        case 3:
            arrow.addTriangle(w * 0.2f, h * 0.5f, w * 0.7f, h * 0.1f, w * 0.7f, h * 0.9f);
            break;
        default:
            break;
    }

    const juce::Colour thumbColour = scrollbar.findColour(juce::ScrollBar::thumbColourId);
    g.setColour(isButtonDown ? ColourRules::contrasting(thumbColour, 0.2f) : thumbColour);
    g.fillPath(arrow);

    g.setColour(juce::Colours::black.withAlpha(0.5f));
    g.strokePath(arrow, juce::PathStrokeType(0.5f));
}

void TemplateLookAndFeel::drawScrollbar(juce::Graphics& g, juce::ScrollBar& scrollbar, int x, int y,
                                        int width, int height, bool isScrollbarVertical,
                                        int thumbStartPosition, int thumbSize, bool, bool)
{
    g.fillAll(scrollbar.findColour(juce::ScrollBar::backgroundColourId));

    const float slotIndent = juce::jmin(width, height) >= 16 ? 1.0f : 0.0f;
    const float thumbIndent = slotIndent + 1.0f;

    const auto fx = (float)x;
    const auto fy = (float)y;
    const auto fw = (float)width;
    const auto fh = (float)height;

    juce::Path slotPath;
    juce::Path thumbPath;
    juce::Point<float> g1;
    juce::Point<float> g2;

    slotPath.addRoundedRectangle(fx + slotIndent, fy + slotIndent, fw - 2.0f * slotIndent,
                                 fh - 2.0f * slotIndent,
                                 ((isScrollbarVertical ? fw : fh) - 2.0f * slotIndent) * 0.5f);

    if (isScrollbarVertical)
    {
        if (thumbSize > 0)
            thumbPath.addRoundedRectangle(fx + thumbIndent, (float)thumbStartPosition + thumbIndent,
                                          fw - 2.0f * thumbIndent, (float)thumbSize - 2.0f * thumbIndent,
                                          (fw - 2.0f * thumbIndent) * 0.5f);
        g1 = { fx, 0.0f };
        g2 = { fx + fw * 0.7f, 0.0f };
    }
    else
    {
        if (thumbSize > 0)
            thumbPath.addRoundedRectangle((float)thumbStartPosition + thumbIndent, fy + thumbIndent,
                                          (float)thumbSize - 2.0f * thumbIndent, fh - 2.0f * thumbIndent,
                                          (fh - 2.0f * thumbIndent) * 0.5f);
        g1 = { 0.0f, fy };
        g2 = { 0.0f, fy + fh * 0.7f };
    }

    const juce::Colour thumbColour = scrollbar.findColour(juce::ScrollBar::thumbColourId);

    g.setGradientFill(juce::ColourGradient(thumbColour.overlaidWith(juce::Colours::black.withAlpha(0.27f)),
                                           g1, thumbColour.overlaidWith(juce::Colours::black.withAlpha(0.1f)),
                                           g2, false));
    g.fillPath(slotPath);

    // The slot's shadow towards its far side.
    if (isScrollbarVertical)
    {
        g1 = { fx + fw * 0.6f, 0.0f };
        g2 = { fx + fw, 0.0f };
    }
    else
    {
        g1 = { 0.0f, fy + fh * 0.6f };
        g2 = { 0.0f, fy + fh };
    }

    g.setGradientFill(juce::ColourGradient(juce::Colours::transparentBlack, g1,
                                           juce::Colours::black.withAlpha(0.1f), g2, false));
    g.fillPath(slotPath);

    g.setColour(thumbColour);
    g.fillPath(thumbPath);

    g.setGradientFill(juce::ColourGradient(juce::Colours::black.withAlpha(0.05f), g1,
                                           juce::Colours::transparentBlack, g2, false));
    {
        juce::Graphics::ScopedSaveState state(g);

        if (isScrollbarVertical)
            g.reduceClipRegion(x + width / 2, y, width, height);
        else
            g.reduceClipRegion(x, y + height / 2, width, height);

        g.fillPath(thumbPath);
    }

    g.setColour(juce::Colours::black.withAlpha(0.3f));
    g.strokePath(thumbPath, juce::PathStrokeType(0.4f));
}

juce::ImageEffectFilter* TemplateLookAndFeel::getScrollbarEffect()
{
    return nullptr;
}

void TemplateLookAndFeel::drawTextEditorOutline(juce::Graphics& g, int width, int height,
                                                juce::TextEditor& textEditor)
{
    if (! textEditor.isEnabled())
        return;

    // The bevel is two pixels taller than the editor, so its lower edge is clipped away
    // and only the top and sides show.
    if (textEditor.hasKeyboardFocus(true) && ! textEditor.isReadOnly())
    {
        g.setColour(textEditor.findColour(juce::TextEditor::focusedOutlineColourId));
        g.drawRect(0, 0, width, height, 2);

        g.setOpacity(1.0f);
        const juce::Colour shadowColour
            = textEditor.findColour(juce::TextEditor::shadowColourId).withMultipliedAlpha(0.75f);
        drawBevel(g, 0, 0, width, height + 2, 4, shadowColour, shadowColour);
    }
    else
    {
        g.setColour(textEditor.findColour(juce::TextEditor::outlineColourId));
        g.drawRect(0, 0, width, height);

        g.setOpacity(1.0f);
        const juce::Colour shadowColour = textEditor.findColour(juce::TextEditor::shadowColourId);
        drawBevel(g, 0, 0, width, height + 2, 3, shadowColour, shadowColour);

        // A read-only text can be focused too, to be read and left by the keyboard.
        if (textEditor.hasKeyboardFocus(true))
            GlassRoutines::paintFocusRing(g, 0.0f, 0.0f, (float)width, (float)height, focusRingCorner, false,
                                          false, false, false);
    }
}

void TemplateLookAndFeel::drawPopupMenuBackground(juce::Graphics& g, int width, int height)
{
    const juce::Colour background = findColour(juce::PopupMenu::backgroundColourId);

    g.fillAll(background);

    // Faint blue stripes on every third row, starting with the top one.
    g.setColour(background.overlaidWith(juce::Colour(0xffadd8e6).withAlpha(0.17f)));

    for (int row = 0; row < height; row += 3)
        g.fillRect(0, row, width, 1);

    g.setColour(findColour(juce::PopupMenu::textColourId).withAlpha(0.6f));
    g.drawRect(0, 0, width, height);
}

void TemplateLookAndFeel::drawMenuBarBackground(juce::Graphics& g, int width, int height, bool,
                                                juce::MenuBarComponent& menuBar)
{
    const juce::Colour baseColour = GlassRoutines::makeButtonBaseColour(
        menuBar.findColour(juce::PopupMenu::backgroundColourId), false, false, false);

    // The bar overhangs both sides so that its rounded ends and side strokes are cut off.
    if (menuBar.isEnabled())
        GlassRoutines::paintFlatGlassBar(g, -4.0f, 0.0f, (float)width + 8.0f, (float)height, 0.0f, baseColour,
                                         0.4f, true, true, true, true);
    else
        g.fillAll(baseColour);
}

void TemplateLookAndFeel::drawComboBox(juce::Graphics& g, int width, int height, bool isButtonDown,
                                       int buttonX, int buttonY, int buttonW, int buttonH,
                                       juce::ComboBox& box)
{
    const bool enabled = box.isEnabled();

    g.fillAll(box.findColour(juce::ComboBox::backgroundColourId));

    g.setColour(box.findColour(juce::ComboBox::outlineColourId));
    g.drawRect(0, 0, width, height);

    if (enabled && box.hasKeyboardFocus(false))
        GlassRoutines::paintFocusRing(g, 0.0f, 0.0f, (float)width, (float)height, focusRingCorner, false,
                                      false, false, false);

    const float t = enabled ? (isButtonDown ? 1.2f : 0.5f) : 0.3f;

    // The arrow button's glass is fully transparent: the box shows no button body, only
    // the arrows on its own background.
    GlassRoutines::paintGlassLozenge(g, (float)buttonX + t, (float)buttonY + t, (float)buttonW - 2.0f * t,
                                     (float)buttonH - 2.0f * t, juce::Colours::transparentBlack, t, true,
                                     true, true, true);

    if (! enabled)
        return;

    const float arrowX = 0.3f;
    const float arrowH = 0.2f;

    const auto bx = (float)buttonX;
    const auto by = (float)buttonY;
    const auto bw = (float)buttonW;
    const auto bh = (float)buttonH;

    juce::Path arrows;
    arrows.addTriangle(bx + bw * 0.5f, by + bh * (0.45f - arrowH), bx + bw * (1.0f - arrowX), by + bh * 0.45f,
                       bx + bw * arrowX, by + bh * 0.45f);
    arrows.addTriangle(bx + bw * 0.5f, by + bh * (0.55f + arrowH), bx + bw * (1.0f - arrowX), by + bh * 0.55f,
                       bx + bw * arrowX, by + bh * 0.55f);

    g.setColour(juce::Colours::black.withAlpha(0.6f));
    g.fillPath(arrows);
}

juce::Font TemplateLookAndFeel::getComboBoxFont(juce::ComboBox& box)
{
    return juce::Font(juce::jmin(15.0f, (float)box.getHeight() * 0.85f));
}

void TemplateLookAndFeel::positionComboBoxText(juce::ComboBox& box, juce::Label& label)
{
    LookAndFeel_V2::positionComboBoxText(box, label);

    // Device names are shown as they are; a label otherwise squeezes long text to 70 %.
    label.setMinimumHorizontalScale(1.0f);
}

juce::Font TemplateLookAndFeel::getPopupMenuFont()
{
    return juce::Font(15.0f);
}

void TemplateLookAndFeel::drawLinearSlider(juce::Graphics& g, int x, int y, int width, int height,
                                           float sliderPos, float minSliderPos, float maxSliderPos,
                                           const juce::Slider::SliderStyle style, juce::Slider& slider)
{
    const bool enabled = slider.isEnabled();
    const bool isMouseOver = slider.isMouseOverOrDragging() && enabled;

    if (style == juce::Slider::LinearBar)
    {
        g.fillAll(slider.findColour(juce::Slider::trackColourId).withAlpha(enabled ? 0.5f : 0.15f));

        const juce::Colour baseColour = GlassRoutines::makeButtonBaseColour(
            controlBaseColour.withMultipliedSaturation(enabled ? 1.0f : 0.5f), false, isMouseOver,
            isMouseOver || slider.isMouseButtonDown());

        GlassRoutines::paintFlatGlassBar(g, (float)x, (float)y, sliderPos - (float)x, (float)height, 0.0f,
                                         baseColour, enabled ? 0.9f : 0.3f, true, true, true, true);
        return;
    }

    const bool vertical = style == juce::Slider::LinearVertical;

    if (! vertical && style != juce::Slider::LinearHorizontal)
    {
        // Vertical bars, two- and three-value sliders keep the library's old look.
        LookAndFeel_V2::drawLinearSlider(g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style,
                                         slider);
        return;
    }

    const auto sliderRadius = (float)getSliderThumbRadius(slider);

    const juce::Colour track(0x80ffffff);
    const juce::Colour gradCol1 = track.overlaidWith(juce::Colours::black.withAlpha(enabled ? 0.25f : 0.13f));
    const juce::Colour gradCol2 = track.overlaidWith(juce::Colours::black.withAlpha(0.08f));

    const float ix = (float)x + (float)width * 0.5f;
    const float iy = (float)y + (float)height * 0.5f;

    // A slider too small for a thumb has no groove either (and a gradient needs two
    // distinct points).
    if (sliderRadius > 0.0f)
    {
        juce::Path indent;

        if (vertical)
        {
            indent.addRoundedRectangle(ix - sliderRadius * 0.5f, (float)y, sliderRadius, (float)height, 5.0f);
            g.setGradientFill(juce::ColourGradient(gradCol1, ix - sliderRadius * 0.5f, 0.0f, gradCol2,
                                                   ix + sliderRadius * 0.5f, 0.0f, false));
        }
        else
        {
            indent.addRoundedRectangle((float)x, iy - sliderRadius * 0.5f, (float)width, sliderRadius, 5.0f);
            g.setGradientFill(juce::ColourGradient(gradCol1, 0.0f, iy - sliderRadius * 0.5f, gradCol2, 0.0f,
                                                   iy + sliderRadius * 0.5f, false));
        }

        g.fillPath(indent);

        g.setColour(juce::Colours::black.withAlpha(0.3f));
        g.strokePath(indent, juce::PathStrokeType(0.5f));
    }

    const juce::Colour knobColour
        = GlassRoutines::makeButtonBaseColour(controlBaseColour, slider.hasKeyboardFocus(false) && enabled,
                                              isMouseOver, slider.isMouseButtonDown() && enabled);
    const float knobThickness = enabled ? 0.8f : 0.3f;

    if (vertical)
        GlassRoutines::paintGlassSphere(g, ix - sliderRadius, sliderPos - sliderRadius, sliderRadius * 2.0f,
                                        knobColour, knobThickness);
    else
        GlassRoutines::paintGlassSphere(g, sliderPos - sliderRadius, iy - sliderRadius, sliderRadius * 2.0f,
                                        knobColour, knobThickness);
}

int TemplateLookAndFeel::getSliderThumbRadius(juce::Slider& slider)
{
    return juce::jmin(7, slider.getHeight() / 2, slider.getWidth() / 2);
}

juce::Button* TemplateLookAndFeel::createSliderButton(juce::Slider&, bool isIncrement)
{
    return new juce::TextButton(isIncrement ? "+" : "-", {});
}

juce::ImageEffectFilter* TemplateLookAndFeel::getSliderEffect(juce::Slider&)
{
    return nullptr;
}

void TemplateLookAndFeel::drawCornerResizer(juce::Graphics& g, int w, int h, bool, bool)
{
    const auto fw = (float)w;
    const auto fh = (float)h;
    const float lineThickness = juce::jmin(fw, fh) * 0.075f;

    // Four grooves: i = 0, 0.3, 0.6, 0.9.
    for (float i = 0.0f; i < 1.0f; i += 0.3f)
    {
        g.setColour(juce::Colour(0xffd3d3d3));
        g.drawLine(fw * i, fh + 1.0f, fw + 1.0f, fh * i, lineThickness);

        g.setColour(juce::Colour(0xff555555));
        g.drawLine(fw * i + lineThickness, fh + 1.0f, fw + 1.0f, fh * i + lineThickness, lineThickness);
    }
}

//==============================================================================
void TemplateLookAndFeel::drawDocumentWindowTitleBar(juce::DocumentWindow& window, juce::Graphics& g, int w,
                                                     int h, int titleSpaceX, int titleSpaceW,
                                                     const juce::Image* icon, bool drawTitleTextOnLeft)
{
    if (w * h == 0)
        return;

    const bool active = window.isActiveWindow();
    const juce::Colour background = window.getBackgroundColour();

    g.setGradientFill(juce::ColourGradient(window.findColour(WindowColours::titleBarColourId), 0.0f, 0.0f,
                                           background, 0.0f, (float)h, false));
    g.fillAll();

    const juce::Font font((float)h * 0.65f, juce::Font::bold);
    g.setFont(font);

    int textW = font.getStringWidth(window.getName());
    int iconW = 0;
    int iconH = 0;

    if (icon != nullptr)
    {
        iconH = (int)font.getHeight();
        iconW = icon->getWidth() * iconH / icon->getHeight() + 4;
    }

    textW = juce::jmin(titleSpaceW, textW + iconW);
    int textX = drawTitleTextOnLeft ? titleSpaceX : juce::jmax(titleSpaceX, (w - textW) / 2);

    if (textX + textW > titleSpaceX + titleSpaceW)
        textX = titleSpaceX + titleSpaceW - textW;

    if (icon != nullptr)
    {
        g.setOpacity(active ? 1.0f : 0.6f);
        g.drawImageWithin(*icon, textX, (h - iconH) / 2, iconW, iconH, juce::RectanglePlacement::centred,
                          false);
        textX += iconW;
        textW -= iconW;
    }

    g.setColour(ColourRules::contrasting(background, active ? 0.7f : 0.4f));
    g.drawText(window.getName(), textX, 0, textW, h, juce::Justification::centredLeft, true);
}

juce::Button* TemplateLookAndFeel::createDocumentWindowButton(int buttonType)
{
    // The buttons are the program's own ::GlassWindowButton; LookAndFeel_V2 has a private
    // class of the same name that unqualified lookup would find first.
    const float thickness = 0.25f;
    juce::Path shape;

    if (buttonType == juce::DocumentWindow::closeButton)
    {
        shape.addLineSegment(juce::Line<float>(0.0f, 0.0f, 1.0f, 1.0f), thickness * 1.4f);
        shape.addLineSegment(juce::Line<float>(1.0f, 0.0f, 0.0f, 1.0f), thickness * 1.4f);

        return new ::GlassWindowButton("close", closeGlass, shape, shape);
    }

    if (buttonType == juce::DocumentWindow::minimiseButton)
    {
        shape.addLineSegment(juce::Line<float>(0.0f, 0.5f, 1.0f, 0.5f), thickness);

        return new ::GlassWindowButton("minimise", minimiseGlass, shape, shape);
    }

    if (buttonType == juce::DocumentWindow::maximiseButton)
    {
        shape.addLineSegment(juce::Line<float>(0.5f, 0.0f, 0.5f, 1.0f), thickness);
        shape.addLineSegment(juce::Line<float>(0.0f, 0.5f, 1.0f, 0.5f), thickness);

        // Shown while the window is full screen: two overlapping frames.
        juce::Path fullscreenShape;
        fullscreenShape.startNewSubPath(45.0f, 100.0f);
        fullscreenShape.lineTo(0.0f, 100.0f);
        fullscreenShape.lineTo(0.0f, 0.0f);
        fullscreenShape.lineTo(100.0f, 0.0f);
        fullscreenShape.lineTo(100.0f, 45.0f);
        fullscreenShape.addRectangle(45.0f, 45.0f, 100.0f, 100.0f);
        juce::PathStrokeType(30.0f).createStrokedPath(fullscreenShape, fullscreenShape);

        return new ::GlassWindowButton("maximise", maximiseGlass, shape, fullscreenShape);
    }

    return nullptr;
}

void TemplateLookAndFeel::positionDocumentWindowButtons(juce::DocumentWindow&, int titleBarX, int titleBarY,
                                                        int titleBarW, int titleBarH,
                                                        juce::Button* minimiseButton,
                                                        juce::Button* maximiseButton,
                                                        juce::Button* closeButton,
                                                        bool positionTitleBarButtonsOnLeft)
{
    const int buttonW = titleBarH - titleBarH / 8;
    const bool onLeft = positionTitleBarButtonsOnLeft;

    int x = onLeft ? titleBarX + 4 : titleBarX + titleBarW - buttonW - buttonW / 4;

    if (closeButton != nullptr)
    {
        closeButton->setBounds(x, titleBarY, buttonW, titleBarH);
        x += onLeft ? buttonW : -(buttonW + buttonW / 4);
    }

    // Seen from the close button, the order is the same on both sides.
    if (onLeft)
        std::swap(minimiseButton, maximiseButton);

    if (maximiseButton != nullptr)
    {
        maximiseButton->setBounds(x, titleBarY, buttonW, titleBarH);
        x += onLeft ? buttonW : -buttonW;
    }

    if (minimiseButton != nullptr)
        minimiseButton->setBounds(x, titleBarY, buttonW, titleBarH);
}
