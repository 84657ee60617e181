#pragma once

#include <functional>
#include <juce_core/juce_core.h>

/** The one way the program tells the user about a failure that needs their attention.

    By default an alert is a modal JUCE message box with the single button "ok", which has
    the keyboard focus (Return, Space and Escape press it), and the call returns when the
    user has closed it; the focus then goes back where it was. Tests and
    the command-line tool put their own presenter in its place for a while. Call it on the
    message thread. */
namespace UserAlerts
{
enum class Icon
{
    none,
    warning
};

struct Alert
{
    // A constructor rather than an aggregate, so that an alert without a second button
    // is written as before.
    Alert(Icon i = Icon::none, juce::String t = {}, juce::String m = {}, juce::String button = {},
          std::function<void()> buttonAction = {})
        : icon(i)
        , title(std::move(t))
        , message(std::move(m))
        , actionButton(std::move(button))
        , action(std::move(buttonAction))
    {
    }

    Icon icon;
    juce::String title;
    juce::String message;
    juce::String actionButton; // a second button after "ok", when not empty
    std::function<void()> action; // what it does, once the box has closed
};

using Presenter = std::function<void(const Alert&)>;

/** The default presenter: the modal box described above. */
void showModalBox(const Alert& alert);

/** Shows the alert through the current presenter. */
void show(Icon icon, const juce::String& title, const juce::String& message);

/** The same, with the alert's second button and its action. */
void show(const Alert& alert);

/** Puts a presenter in place of the current one for as long as this object lives. */
class ScopedPresenter
{
public:
    explicit ScopedPresenter(Presenter presenterToUse);
    ~ScopedPresenter();

private:
    Presenter previous;

    JUCE_DECLARE_NON_COPYABLE(ScopedPresenter)
};

//==============================================================================
/** A question with buttons, for a step the user must agree to before it happens. */
struct Question
{
    Icon icon = Icon::none;
    juce::String title;
    juce::String message;
    juce::StringArray buttons; // left to right; the last is the safe choice
};

/** Returns the index of the button the user chose. */
using Asker = std::function<int(const Question&)>;

/** The default asker: the modal box described below. */
int askInModalBox(const Question& question);

/** Asks through the current asker. By default a modal box whose last button, the safe
    choice, has the keyboard focus and is what Return and Escape press; the other buttons
    take a click. Returns the index of the chosen button. */
int ask(Icon icon, const juce::String& title, const juce::String& message, const juce::StringArray& buttons);

/** Puts an asker in place of the current one for as long as this object lives. */
class ScopedAsker
{
public:
    explicit ScopedAsker(Asker askerToUse);
    ~ScopedAsker();

private:
    Asker previous;

    JUCE_DECLARE_NON_COPYABLE(ScopedAsker)
};
} // namespace UserAlerts
