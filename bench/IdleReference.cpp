// The floor under the CPU figures: a JUCE application with one empty window of the
// main window's size and background, and nothing else. Whatever CPU it uses while it
// waits is the framework's, and no program with a JUCE window can use less. It sits in
// the screen's top left corner, so that it can stay open beside Flashmere's centred
// window and be measured over the same seconds.

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

namespace
{
class IdleReference final : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Flashmere idle reference"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void anotherInstanceStarted(const juce::String&) override {}
    void systemRequestedQuit() override { quit(); }

    void initialise(const juce::String&) override
    {
        window = std::make_unique<Window>();
        window->setBounds(0, 0, 650, 400);
        window->setVisible(true);
    }

    void shutdown() override { window.reset(); }

private:
    struct Window final : juce::DocumentWindow
    {
        Window()
            : juce::DocumentWindow("Flashmere idle reference", juce::Colour(0xffeff2f3),
                                   juce::DocumentWindow::allButtons, true)
        {
        }

        void closeButtonPressed() override { juce::JUCEApplication::getInstance()->systemRequestedQuit(); }
    };

    std::unique_ptr<Window> window;
};
} // namespace

START_JUCE_APPLICATION(IdleReference)
