#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "help/HelpTexts.h"
#include "help/HelpWindowbaseClass.h"

//==============================================================================
/** What every help window shows: its product's load procedure in a read-only,
    word-wrapped text editor that fills the whole component. Message thread only. */
class HelpWindowContentComp : public juce::Component
{
public:
    /** Shows the given text, which is read once, here. */
    explicit HelpWindowContentComp(const juce::String& helpText);
    ~HelpWindowContentComp() override;

    void resized() override;

    /** What a screen reader calls the text. */
    void setTextTitle(const juce::String& title) { editor.setTitle(title); }

private:
    // The program's one tooltip window, shared with the update screen: each parentless
    // tooltip window shows the tips of every component, so two would show each tip twice.
    juce::SharedResourcePointer<juce::TooltipWindow> tooltipWindow;

    // Declared after the tooltip window, so that it goes first.
    juce::TextEditor editor { juce::String(), 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(HelpWindowContentComp)
};

//==============================================================================
/** A help window that creates its own content, of the product's content class, and
    carries the product's title. The window owns the content: deleting the window
    deletes it. */
template <typename ContentComp> class HelpVariantWindow : public HelpWindowbaseClass
{
protected:
    explicit HelpVariantWindow(const juce::String& title)
    {
        auto* content = new ContentComp();
        setResizable(true, false);
        setContentOwned(content, false);
        setName(title);

        // A screen reader hears the window, and its text, by the title the window shows.
        setTitle(title.trim());
        content->setTextTitle(title.trim());
    }
};

//==============================================================================
// The products. Each differs from the others only in its names, its title and its text.

class TarnisHelpWindowContentComp final : public HelpWindowContentComp
{
public:
    TarnisHelpWindowContentComp()
        : HelpWindowContentComp(tarnisHelpText)
    {
    }
};

class TarnisHelpWindowClass final : public HelpVariantWindow<TarnisHelpWindowContentComp>
{
public:
    TarnisHelpWindowClass()
        : HelpVariantWindow(" Tarnis update help ")
    {
    }
};

class OmbrelHelpWindowContentComp final : public HelpWindowContentComp
{
public:
    OmbrelHelpWindowContentComp()
        : HelpWindowContentComp(ombrelHelpText)
    {
    }
};

class OmbrelHelpWindowClass final : public HelpVariantWindow<OmbrelHelpWindowContentComp>
{
public:
    OmbrelHelpWindowClass()
        : HelpVariantWindow(" Ombrel update help ")
    {
    }
};

class CvxSMCHelpWindowContentComp final : public HelpWindowContentComp
{
public:
    CvxSMCHelpWindowContentComp()
        : HelpWindowContentComp(corvexHelpText)
    {
    }
};

class CvxSMCHelpWindowClass final : public HelpVariantWindow<CvxSMCHelpWindowContentComp>
{
public:
    CvxSMCHelpWindowClass()
        : HelpVariantWindow(" CvxSMC update help ")
    {
    }
};

/** The program's own product; its classes carry the firmware's internal product name. */
class VeldtSaturatorHelpWindowContentComp final : public HelpWindowContentComp
{
public:
    VeldtSaturatorHelpWindowContentComp()
        : HelpWindowContentComp(velamorHelpText)
    {
    }
};

class VeldtSaturatorHelpWindowClass final : public HelpVariantWindow<VeldtSaturatorHelpWindowContentComp>
{
public:
    VeldtSaturatorHelpWindowClass()
        : HelpVariantWindow(" Velamor update help ")
    {
    }
};

class QuillonHelpWindowContentComp final : public HelpWindowContentComp
{
public:
    QuillonHelpWindowContentComp()
        : HelpWindowContentComp(quillonHelpText)
    {
    }
};

class QuillonHelpWindowClass final : public HelpVariantWindow<QuillonHelpWindowContentComp>
{
public:
    QuillonHelpWindowClass()
        : HelpVariantWindow(" Quillon update help ")
    {
    }
};

class Morrow1HelpWindowContentComp final : public HelpWindowContentComp
{
public:
    Morrow1HelpWindowContentComp()
        : HelpWindowContentComp(bassAmplifierHelpText)
    {
    }
};

class Morrow1HelpWindowClass final : public HelpVariantWindow<Morrow1HelpWindowContentComp>
{
public:
    Morrow1HelpWindowClass()
        : HelpVariantWindow(" Morrow update help ")
    {
    }
};

/** The Harrow's title names it Tessel. */
class HarrowHelpWindowContentComp final : public HelpWindowContentComp
{
public:
    HarrowHelpWindowContentComp()
        : HelpWindowContentComp(harrowHelpText)
    {
    }
};

class HarrowHelpWindowClass final : public HelpVariantWindow<HarrowHelpWindowContentComp>
{
public:
    HarrowHelpWindowClass()
        : HelpVariantWindow(" Tessel update help ")
    {
    }
};
