#include "app/Application.h"

#include "BuildInfo.h"
#include "app/CommandLine.h"
#include "app/ContentComp.h"

#include <cstdio>

Application::Application() = default;
Application::~Application() = default;

void Application::initialise(const juce::String&)
{
    // Without a display there is nowhere to put a window: say so instead of failing.
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
    {
        std::fputs("Flashmere: no display could be opened (is DISPLAY set?). Flashmere needs a graphical "
                   "desktop; flashmere-cli updates the pedal from a terminal.\n",
                   stderr);
        setApplicationReturnValue(1);
        quit();
        return;
    }

    // JUCE quotes every argument that holds a blank; a firmware path must reach the
    // screen exactly as typed, so it is rebuilt from the arguments.
    const auto commandLine = CommandLine::firmwarePath(getCommandLineParameterArray());

    mainWindow = openMainWindow(commandLine);

    quitSignals = std::make_unique<QuitSignals>(
        [this](int)
        {
            if (mainWindow != nullptr)
                mainWindow->closeButtonPressed();
            else
                quit();
        });
}

std::unique_ptr<MainWindow> Application::openMainWindow(const juce::String& commandLine)
{
    auto window = std::make_unique<MainWindow>(commandLine);
    window->centreWithSize(650, 400);
    window->setVisible(true);
    window->setResizeLimits(650, 400, 650, 400);
    return window;
}

void Application::shutdown()
{
    quitSignals.reset();

    // The look-and-feel lives in the update screen; no window may be drawn with it once
    // the screen starts to go, so it stops being the default first.
    if (mainWindow != nullptr)
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);

    mainWindow.reset();
}

const juce::String Application::getApplicationName()
{
    return BuildInfo::applicationName;
}

const juce::String Application::getApplicationVersion()
{
    return BuildInfo::version;
}

bool Application::moreThanOneInstanceAllowed()
{
    return false;
}

void Application::anotherInstanceStarted(const juce::String&) {}

void Application::systemRequestedQuit()
{
    if (mainWindow != nullptr)
        if (auto* content = mainWindow->getContent())
            if (auto* protocol = content->getProtocol())
                protocol->signalThreadShouldExit();

    quit();
}
