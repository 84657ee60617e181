#include "platform/UserAlerts.h"

#include "platform/KeyboardFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

namespace UserAlerts
{
void showModalBox(const Alert& alert)
{
    const auto icon = alert.icon == Icon::warning ? juce::MessageBoxIconType::WarningIcon
                                                  : juce::MessageBoxIconType::NoIcon;

    // Built here rather than by AlertWindow::showMessageBox, so that Space presses its
    // button too. The box takes the keyboard focus, which goes back where it was after.
    KeyboardFeel::FocusReturn focusReturn;
    focusReturn.remember();

    std::unique_ptr<juce::AlertWindow> box(juce::LookAndFeel::getDefaultLookAndFeel().createAlertWindow(
        alert.title, alert.message, "ok", {}, {}, icon, 1, nullptr));
    box->addKeyListener(&KeyboardFeel::spacePresses());
    box->runModalLoop();
    box.reset();

    focusReturn.giveBack();

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
    // A copy, so that a presenter may replace itself while it runs.
    const auto presenter = currentPresenter();
    presenter({ icon, title, message });
}

ScopedPresenter::ScopedPresenter(Presenter presenterToUse)
    : previous(std::exchange(currentPresenter(), std::move(presenterToUse)))
{
}

ScopedPresenter::~ScopedPresenter()
{
    currentPresenter() = std::move(previous);
}
} // namespace UserAlerts
