#include "app/MainWindow.h"

#include "app/ContentComp.h"
#include "app/ScreenReader.h"
#include "look/TitleBarColour.h"
#include "ui/AppIcon.h"

MainWindow::MainWindow(juce::String commandLine)
    : juce::DocumentWindow({}, WindowColours::background, juce::DocumentWindow::allButtons, true)
{
    setColour(WindowColours::titleBarColourId, WindowColours::titleBar);

    content = new ContentComp(this, commandLine);
    setResizable(true, false);
    setContentOwned(content, false);

    const auto& firmware = *content->getFirmware();
    const juce::String strName = firmware.getProductName() + " version " + firmware.getVersionText();
    setName(strName);
    setTitle(strName); // what a screen reader calls the window
    AppIcon::applyTo(*this);

    // The window itself never holds the keyboard focus, where no control would show it:
    // it opens with the focus on the first control, the output selector, and whenever it
    // gets the focus back with nothing to return it to, the first enabled control takes it.
    setWantsKeyboardFocus(false);
    setVisible(true);
    grabKeyboardFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::closeButtonPressed()
{
    if (content != nullptr)
    {
        if (auto* protocol = content->getProtocol())
        {
            // The upload sees the request after its current message and pause; the
            // wait is only a bound.
            protocol->signalThreadShouldExit();
            protocol->waitForThreadToExit(5000);
        }
    }

    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}

std::unique_ptr<juce::ComponentTraverser> MainWindow::createFocusTraverser()
{
    return std::make_unique<ScreenReader::ReadingOrder>();
}
