// GoogleTest run from inside a JUCE application.
//
// Tests that open desktop windows need JUCE's X error handlers, which JUCE installs only
// when it runs as an application; a plain main() dies under a bare Xvfb. The tests run
// on the message thread and run the message loop themselves when they need it
// (see MessageLoop.h). Listing the tests needs no JUCE at all, so CTest can discover them
// without a display.

#include "ui/UserAlerts.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <string>

namespace
{
class TestApplication final : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Flashmere tests"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise(const juce::String&) override
    {
        // Run here, before the application's own loop starts, rather than from a posted
        // callback: JUCE's Linux run loop is not re-entrant, and the tests run the loop
        // themselves (MessageLoop.h).
        {
            // A modal box would wait for a click that never comes: a test that expects
            // one puts its own presenter in place.
            const UserAlerts::ScopedPresenter noBoxes(
                [](const UserAlerts::Alert& alert)
                { ADD_FAILURE() << "unexpected alert: " << alert.message; });
            const UserAlerts::ScopedAsker noQuestions(
                [](const UserAlerts::Question& question)
                {
                    ADD_FAILURE() << "unexpected question: " << question.message;
                    return question.buttons.size() - 1;
                });
            setApplicationReturnValue(RUN_ALL_TESTS());
        }

        quit();
    }

    void shutdown() override {}
    void anotherInstanceStarted(const juce::String&) override {}
    void systemRequestedQuit() override {}
};
} // namespace

static juce::JUCEApplicationBase* createTestApplication()
{
    return new TestApplication();
}

#if JUCE_WINDOWS
// JUCE reads a Windows program's command line itself; the tests need no runtime or
// configuration folders of their own there, as none of them opens a port or settings.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);

    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    juce::JUCEApplicationBase::createInstance = &createTestApplication;
    return juce::JUCEApplicationBase::main();
}
#else
int main(int argc, char** argv)
{
    // A write to a pipe whose reader has gone (a sanitizer's symbolizer, a closed log)
    // should be an error the writer sees, not a silent death of the whole test.
    std::signal(SIGPIPE, SIG_IGN);

    testing::InitGoogleTest(&argc, argv);

    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    // A runtime folder and a lock scope of this process's own: CTest runs tests side by side, each against
    // its own stand-in ports of the same names, and their port locks must not meet.
    char runtime[] = "/tmp/flashmere-test-runtime-XXXXXX";

    if (mkdtemp(runtime) != nullptr)
    {
        setenv("XDG_RUNTIME_DIR", runtime, 1);
        setenv("FAKESEQ_LOCK_SCOPE", runtime, 1);

        // Update logs go there too, not into the user's own folder of logs.
        setenv("XDG_STATE_HOME", (std::string(runtime) + "/state").c_str(), 1);
    }

    // The program keeps settings in the user's configuration folder: the tests keep
    // theirs in a folder of their own, which starts empty.
    const auto config = juce::File::createTempFile("flashmere-test-config");
    setenv("XDG_CONFIG_HOME", config.getFullPathName().toRawUTF8(), 1);

    juce::JUCEApplicationBase::createInstance = &createTestApplication;
    const auto result = juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
    juce::File(runtime).deleteRecursively();
    config.deleteRecursively();
    return result;
}
#endif
