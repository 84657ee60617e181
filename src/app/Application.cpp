#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/ContentComp.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{
int quitSignalWriteEnd = -1;

extern "C" void onQuitSignal(int)
{
    // Only async-signal-safe work here: wake the message loop, which does the rest.
    if (quitSignalWriteEnd >= 0)
    {
        const char byte = 'q';
        [[maybe_unused]] const auto written = ::write(quitSignalWriteEnd, &byte, 1);
    }
}
} // namespace

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

    installQuitSignals();
}

void Application::shutdown()
{
    removeQuitSignals();

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

//==============================================================================
void Application::installQuitSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    juce::LinuxEventLoop::registerFdCallback(signalPipe[0],
                                             [this](int fd)
                                             {
                                                 char buffer[16];
                                                 while (::read(fd, buffer, sizeof(buffer)) > 0)
                                                 {
                                                 }

                                                 if (mainWindow != nullptr)
                                                     mainWindow->closeButtonPressed();
                                                 else
                                                     quit();
                                             });

    quitSignalWriteEnd = signalPipe[1];

    struct sigaction action
    {
    };
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void Application::removeQuitSignals()
{
    if (signalPipe[0] < 0)
        return;

    juce::LinuxEventLoop::unregisterFdCallback(signalPipe[0]);
    quitSignalWriteEnd = -1;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}
