#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class ContentComp;

/** The program's one main window, titled with the firmware it will send. Closing it stops
    a running upload, waiting a bounded time, then quits. */
class MainWindow final : public juce::DocumentWindow
{
public:
    /** Builds the update screen, which loads the firmware file named by commandLine, if
        any. Message thread. */
    explicit MainWindow(juce::String commandLine);
    ~MainWindow() override;

    /** The title bar's close button and the system's close command: message thread. */
    void closeButtonPressed() override;

    /** A screen reader finds disabled controls too. */
    std::unique_ptr<juce::ComponentTraverser> createFocusTraverser() override;

    /** The update screen; owned by the window's content slot. */
    ContentComp* getContent() const noexcept { return content; }

private:
    ContentComp* content = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainWindow)
};
