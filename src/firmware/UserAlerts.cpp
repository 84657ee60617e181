#include "firmware/UserAlerts.h"

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
