#pragma once

#include "app/MainWindow.h"
#include "platform/QuitSignals.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

/** Flashmere's application object: one instance per machine, one main window. Everything
    here runs on the message thread. */
class Application final : public juce::JUCEApplication
{
public:
    Application();
    ~Application() override;

    void initialise(const juce::String& commandLine) override;
    void shutdown() override;
    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void anotherInstanceStarted(const juce::String& commandLine) override;

    /** Quits, after telling a running upload to stop: once a quit is posted the upload
        can no longer get the message thread, and must not wait for it. */
    void systemRequestedQuit() override;

    /** The main window as the program opens it: built for the command line, 650 x 400,
        centred, shown and fixed in size. Message thread. */
    static std::unique_ptr<MainWindow> openMainWindow(const juce::String& commandLine);

private:
    std::unique_ptr<MainWindow> mainWindow;

    // Ctrl-C and SIGTERM close the window as its close button does.
    std::unique_ptr<QuitSignals> quitSignals;
};
