// GoogleTest run from inside a JUCE application.
//
// Tests that open desktop windows need JUCE's X error handlers, which JUCE installs only
// when it runs as an application; a plain main() dies under a bare Xvfb. The tests run
// on the message thread once the dispatch loop is up, and may pump it themselves
// (see MessageLoop.h). Listing the tests needs no JUCE at all, so CTest can discover them
// without a display.

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

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
        juce::MessageManager::callAsync(
            [this]
            {
                setApplicationReturnValue(RUN_ALL_TESTS());
                quit();
            });
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

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);

    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    juce::JUCEApplicationBase::createInstance = &createTestApplication;
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
