#include "platform/UserAlerts.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace UserAlerts
{
namespace
{
void showModalBox(const Alert& alert)
{
    const auto icon = alert.icon == Icon::warning ? juce::MessageBoxIconType::WarningIcon
                                                  : juce::MessageBoxIconType::NoIcon;
    juce::AlertWindow::showMessageBox(icon, alert.title, alert.message, "ok");

    // Without a compositing window manager the expose events for the area the box covered
    // can go missing, which leaves the box's picture on the window under it.
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* window = desktop.getComponent(i))
            window->repaint();
}

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
