#include "ui/UserAlerts.h"

#include "ui/AlertBox.h"
#include "ui/KeyboardFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

namespace UserAlerts
{
namespace
{
// What a screen reader calls the box, which it reads as a dialog followed by its message: the
// title shown in it, or for a box without one, what its icon shows.
juce::String readerTitle(Icon icon, const juce::String& title)
{
    if (title.isNotEmpty())
        return title;

    return icon == Icon::warning ? "Warning" : "Message";
}
} // namespace

void showModalBox(const Alert& alert)
{
    const auto icon = alert.icon == Icon::warning ? juce::MessageBoxIconType::WarningIcon
                                                  : juce::MessageBoxIconType::NoIcon;

    // Built here rather than by AlertWindow::showMessageBox, so that Space presses its
    // button too. The box takes the keyboard focus, which goes back where it was after.
    KeyboardFeel::FocusReturn focusReturn;
    focusReturn.remember();

    auto box = std::make_unique<AlertBox>(alert.title, alert.message, icon);
    box->addButton("ok", 0, juce::KeyPress(juce::KeyPress::escapeKey),
                   juce::KeyPress(juce::KeyPress::returnKey));

    // After "ok", which keeps the focus, Return and Escape; a Tab reaches it.
    if (alert.actionButton.isNotEmpty())
        box->addButton(alert.actionButton, 1);
    box->layOut();
    box->setTitle(readerTitle(alert.icon, alert.title));
    box->addKeyListener(&KeyboardFeel::spacePresses());
    const auto chosen = box->runModalLoop();
    box.reset();

    focusReturn.giveBack();

    if (chosen == 1 && alert.action)
        alert.action();

    // Without a compositing window manager the expose events for the area the box covered
    // can go missing, which leaves the box's picture on the window under it.
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* window = desktop.getComponent(i))
            window->repaint();
}

namespace
{
Presenter& currentPresenter()
{
    static Presenter presenter { showModalBox };
    return presenter;
}
} // namespace

void show(Icon icon, const juce::String& title, const juce::String& message)
{
    show({ icon, title, message });
}

void show(const Alert& alert)
{
    // A copy, so that a presenter may replace itself while it runs.
    const auto presenter = currentPresenter();
    presenter(alert);
}

ScopedPresenter::ScopedPresenter(Presenter presenterToUse)
    : previous(std::exchange(currentPresenter(), std::move(presenterToUse)))
{
}

ScopedPresenter::~ScopedPresenter()
{
    currentPresenter() = std::move(previous);
}

//==============================================================================
int askInModalBox(const Question& question)
{
    const auto icon = question.icon == Icon::warning ? juce::MessageBoxIconType::WarningIcon
                                                     : juce::MessageBoxIconType::NoIcon;
    AlertBox box(question.title, question.message, icon);
    box.setTitle(readerTitle(question.icon, question.title));
    const auto safeChoice = question.buttons.size() - 1;

    // Buttons return their index plus one: a box closed any other way (the program is
    // quitting) returns 0, which must not read as the first button.
    for (int i = 0; i < question.buttons.size(); ++i)
    {
        if (i == safeChoice)
            box.addButton(question.buttons[i], i + 1, juce::KeyPress(juce::KeyPress::returnKey),
                          juce::KeyPress(juce::KeyPress::escapeKey));
        else
            box.addButton(question.buttons[i], i + 1);
    }

    // A button with the focus takes Return for itself: only the safe choice may have it,
    // so that no key press can choose a step that needs a deliberate click.
    for (auto* child : box.getChildren())
        if (auto* button = dynamic_cast<juce::Button*>(child))
            button->setWantsKeyboardFocus(button->getButtonText() == question.buttons[safeChoice]);

    box.layOut();

    const auto chosen = box.runModalLoop() - 1;
    box.setVisible(false);

    // As after a message box: the area it covered may miss its expose events.
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* window = desktop.getComponent(i))
            window->repaint();

    return juce::isPositiveAndBelow(chosen, question.buttons.size()) ? chosen : safeChoice;
}

namespace
{
Asker& currentAsker()
{
    static Asker asker { askInModalBox };
    return asker;
}
} // namespace

int ask(Icon icon, const juce::String& title, const juce::String& message, const juce::StringArray& buttons)
{
    jassert(! buttons.isEmpty());
    const auto asker = currentAsker();
    return asker({ icon, title, message, buttons });
}

ScopedAsker::ScopedAsker(Asker askerToUse)
    : previous(std::exchange(currentAsker(), std::move(askerToUse)))
{
}

ScopedAsker::~ScopedAsker()
{
    currentAsker() = std::move(previous);
}
} // namespace UserAlerts
