#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/ContentComp.h"

Application::Application() = default;
Application::~Application() = default;

void Application::initialise(const juce::String&)
{
    // JUCE quotes every argument that holds a blank; a firmware path must reach the
    // screen exactly as typed, so it is rebuilt from the arguments.
    const auto commandLine = CommandLine::firmwarePath(getCommandLineParameterArray());

    mainWindow = std::make_unique<MainWindow>(commandLine);
    mainWindow->centreWithSize(650, 400);
    mainWindow->setVisible(true);
    mainWindow->setResizeLimits(650, 400, 650, 400);

    quitSignals = std::make_unique<QuitSignals>(
        [this]
        {
            if (mainWindow != nullptr)
                mainWindow->closeButtonPressed();
            else
                quit();
        });
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
    return "Flashmere by Orvane";
}

const juce::String Application::getApplicationVersion()
{
    return "1.0";
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
