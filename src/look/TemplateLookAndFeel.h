#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The program's own look: glossy glass lozenges for push buttons, glass spheres for tick
    boxes and slider knobs, greys on white surfaces, and a blue title bar with round glass
    title-bar buttons.

    It builds on JUCE's old light look (LookAndFeel_V2), whose black-on-white defaults it
    keeps for everything it does not draw itself. The palette is set once by the
    constructor and never changes. A window's title bar takes its top colour from the
    window's WindowColours::titleBarColourId (see look/TitleBarColour.h).

    All drawing is called by JUCE components on the message thread. */
class TemplateLookAndFeel : public juce::LookAndFeel_V2
{
public:
    TemplateLookAndFeel();
    ~TemplateLookAndFeel() override;

    /** The glass colour of tick boxes, slider knobs and bar sliders. It is kept apart from
        TextButton::buttonColourId so that text buttons keep the library's own colour. */
    juce::Colour getControlBaseColour() const noexcept { return controlBaseColour; }

    //==============================================================================
    void drawButtonBackground(juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                              bool isMouseOverButton, bool isButtonDown) override;

    void drawTickBox(juce::Graphics&, juce::Component&, float x, float y, float w, float h, bool ticked,
                     bool isEnabled, bool isMouseOverButton, bool isButtonDown) override;

    //==============================================================================
    void drawProgressBar(juce::Graphics&, juce::ProgressBar&, int width, int height, double progress,
                         const juce::String& textToShow) override;

    void drawScrollbarButton(juce::Graphics&, juce::ScrollBar&, int width, int height, int buttonDirection,
                             bool isScrollbarVertical, bool isMouseOverButton, bool isButtonDown) override;

    void drawScrollbar(juce::Graphics&, juce::ScrollBar&, int x, int y, int width, int height,
                       bool isScrollbarVertical, int thumbStartPosition, int thumbSize, bool isMouseOver,
                       bool isMouseDown) override;

    juce::ImageEffectFilter* getScrollbarEffect() override;

    void drawTextEditorOutline(juce::Graphics&, int width, int height, juce::TextEditor&) override;

    /** Also the background of a combo box's drop-down list, which JUCE shows as a popup
        menu; the list and popup menus share their colours. */
    void drawPopupMenuBackground(juce::Graphics&, int width, int height) override;

    void drawMenuBarBackground(juce::Graphics&, int width, int height, bool isMouseOverBar,
                               juce::MenuBarComponent&) override;

    void drawComboBox(juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                      int buttonW, int buttonH, juce::ComboBox&) override;

    juce::Font getComboBoxFont(juce::ComboBox&) override;

    /** The box text keeps its full width: it is never squeezed horizontally to fit. */
    void positionComboBoxText(juce::ComboBox&, juce::Label&) override;

    /** The item font of popup menus, and so of combo-box drop-down lists. */
    juce::Font getPopupMenuFont() override;

    void drawLinearSlider(juce::Graphics&, int x, int y, int width, int height, float sliderPos,
                          float minSliderPos, float maxSliderPos, const juce::Slider::SliderStyle,
                          juce::Slider&) override;

    int getSliderThumbRadius(juce::Slider&) override;

    juce::Button* createSliderButton(juce::Slider&, bool isIncrement) override;

    juce::ImageEffectFilter* getSliderEffect(juce::Slider&) override;

    void drawCornerResizer(juce::Graphics&, int w, int h, bool isMouseOver, bool isMouseDragging) override;

    //==============================================================================
    void drawDocumentWindowTitleBar(juce::DocumentWindow&, juce::Graphics&, int w, int h, int titleSpaceX,
                                    int titleSpaceW, const juce::Image* icon,
                                    bool drawTitleTextOnLeft) override;

    /** A new GlassWindowButton for DocumentWindow's minimise, maximise or close flag, owned
        by the caller; nullptr for any other value. */
    juce::Button* createDocumentWindowButton(int buttonType) override;

    void positionDocumentWindowButtons(juce::DocumentWindow&, int titleBarX, int titleBarY, int titleBarW,
                                       int titleBarH, juce::Button* minimiseButton,
                                       juce::Button* maximiseButton, juce::Button* closeButton,
                                       bool positionTitleBarButtonsOnLeft) override;

private:
    const juce::Colour controlBaseColour;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(TemplateLookAndFeel)
};
