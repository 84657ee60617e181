// The pacing of a whole upload: the real protocol object sends the built-in image
// through the real MIDI interface to the stand-in's port, in real time, and the
// stand-in's record of every message (when its send began, when its last byte left a
// 31250 baud cable) is held against the physical limit: each message's wire time plus
// the pedal's 300 ms of silence after it.
//
// Usage: flashmere_bench_pacing [--baud 0|31250] [--messages N]
//   --baud 0 (the default): sends return at once, as ALSA's do;
//   --baud 31250: every send blocks for its bytes' wire time, as a blocking driver's does;
//   --messages N: only the image's first N messages (a quick check of the tool itself).
// Prints "key: value" figures under pass.<mode>.* and exits 1 when a target is missed.

#include "BenchSupport.h"
#include "FakeSeqControl.h"
#include "firmware/FirmwareImage.h"
#include "midi/MidiInterfaceClass.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "protocol/UploadPacing.h"

#include <cstring>
#include <functional>
#include <juce_gui_basics/juce_gui_basics.h>
#include <string>
#include <unistd.h>

namespace
{
const char* const portName = "Pedal MIDI";

// A pass must take no more than this share above the physical limit.
constexpr double allowedExcessPercent = 0.5;

int baud = 0;
int messageLimit = 0; // 0: the whole image
int slowChecksMs = 0; // 0: the system answers questions about its ports at once
int otherWriters = 0; // other programs writing to the port, accepted for the pass

/** The program's own pacing, watched: each pause is the real one, and its start and end
    are noted, so that the end of the last one, which ends the pass as the pedal sees it,
    is known exactly. The protocol thread writes; the message thread reads once the thread
    has ended. */
class ObservedPacing final : public UploadPacing
{
public:
    struct Pause
    {
        int requestedMs = 0;
        double startedAt = 0, endedAt = 0;
    };

    void pause(int milliseconds) override
    {
        Pause p;
        p.requestedMs = milliseconds;
        p.startedAt = bench::now();
        UploadPacing::pause(milliseconds);
        p.endedAt = bench::now();
        pauses.push_back(p);
    }

    std::vector<Pause> pauses;
};

juce::ComboBox* findOutputSelector(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* box = dynamic_cast<juce::ComboBox*>(child);
            box != nullptr && box->getName() == "Output Selector")
            return box;

    return nullptr;
}

// Runs the message loop until the condition holds; only while the pass is set up.
bool pumpUntil(const std::function<bool()>& condition, double timeoutSeconds)
{
    const auto deadline = bench::now() + timeoutSeconds;

    while (! condition())
    {
        if (bench::now() >= deadline)
            return condition();

        juce::MessageManager::getInstance()->runDispatchLoopUntil(10);
    }

    return true;
}

//==============================================================================
/** Sets the pass up, lets the application's own message loop run during it (the loop
    the real program runs, which sleeps until there is something to do), and reports
    once the protocol says how the pass ended. */
class PacingBench final : public juce::JUCEApplication, private juce::ChangeListener
{
public:
    const juce::String getApplicationName() override { return "Flashmere pacing benchmark"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void anotherInstanceStarted(const juce::String&) override {}
    void systemRequestedQuit() override { quit(); }

    void initialise(const juce::String&) override
    {
        if (const auto problem = setUp(); problem.isNotEmpty())
            finish(fail(problem));
    }

    void shutdown() override
    {
        if (protocol != nullptr)
            protocol->removeChangeListener(this);

        protocol.reset();
        midi.reset();
    }

private:
    const std::string key = std::string("pass.") + (baud > 0 ? "blocking" : "nonblocking")
                            + (slowChecksMs > 0 ? "_slowchecks" : "") + (otherWriters > 0 ? "_shared" : "")
                            + ".";
    std::unique_ptr<MidiInterfaceClass> midi;
    std::unique_ptr<FirmwareImage> image;
    std::unique_ptr<BasicSysexProtocolClass> protocol;
    ObservedPacing* pacing = nullptr;
    juce::File shortImage;
    double startedAt = 0;
    bool finished = false;

    static int fail(const juce::String& why)
    {
        std::fprintf(stderr, "flashmere_bench_pacing: %s\n", why.toRawUTF8());
        return 2;
    }

    void finish(int result)
    {
        finished = true;
        shortImage.deleteFile();
        setApplicationReturnValue(result);
        quit();
    }

    juce::String setUp()
    {
        std::printf("== Upload pacing: a %s pass of the built-in image, sends %s ==\n",
                    messageLimit > 0 ? "shortened" : "whole",
                    baud > 0 ? "blocking for their wire time at 31250 baud (a blocking driver)"
                             : "returning at once (ALSA)");
        bench::printMachineAtStart();

        fakeseq_reset();
        fakeseq_add_output_port(portName);
        fakeseq_set_baud(baud);
        fakeseq_set_query_delay_ms(slowChecksMs);

        if (slowChecksMs > 0)
            std::printf("every question about the ports takes up to %d ms (a loaded machine)\n",
                        slowChecksMs);

        // Each check then walks these too, and asks for each one's port.
        for (int i = 0; i < otherWriters; ++i)
            fakeseq_connect_other(portName, ("Other program " + std::to_string(i + 1)).c_str(), 1, 0);

        if (otherWriters > 0)
            std::printf("%d other programs write to the port, accepted for the pass\n", otherWriters);

        midi = std::make_unique<MidiInterfaceClass>(true, false);
        midi->setBounds(0, 0, 400, midi->getPreferredHeight());
        auto* selector = findOutputSelector(*midi);

        if (selector == nullptr)
            return "the MIDI interface has no output selector";

        // Let the selector's first, posted change go by, then pick the port as a user would.
        pumpUntil([] { return false; }, 0.1);
        selector->setSelectedId(1, juce::sendNotificationAsync);

        if (! pumpUntil([this] { return midi->isConnected(); }, 5.0))
            return "the stand-in's port did not open";

        image = std::make_unique<FirmwareImage>();

        // A shortened pass sends the image's first messages, from a file of their own.
        if (messageLimit > 0)
        {
            const auto* data = image->getData();
            size_t length = 0;

            for (int found = 0; length < image->getSize() && found < messageLimit; ++length)
                found += data[length] == 0xF7 ? 1 : 0;

            shortImage = juce::File::createTempFile(".syx");
            shortImage.replaceWithData(data, length);
            image = std::make_unique<FirmwareImage>(shortImage.getFullPathName());
        }

        midi->acceptOtherWriters(midi->surveyOtherWriters());
        protocol = std::make_unique<BasicSysexProtocolClass>(midi.get(), image.get());
        auto observed = std::make_unique<ObservedPacing>();
        pacing = observed.get();
        protocol->setPacing(std::move(observed));
        protocol->addChangeListener(this);

        startedAt = bench::now();
        protocol->startUpdate();
        return {};
    }

    // The protocol's status texts arrive here, on the message thread; its progress, on
    // its own thread (nothing to do then).
    void changeListenerCallback(juce::ChangeBroadcaster*) override
    {
        if (finished || ! juce::MessageManager::getInstance()->isThisTheMessageThread())
            return;

        const auto status = protocol->getStatusText();

        if (status == "Uploading firmware")
            return;

        // The pass has ended; its thread is finishing.
        protocol->stopThread(5000);

        if (status != "Update completed")
            finish(fail("the pass ended with \"" + status + "\""));
        else
            finish(report());
    }

    int report()
    {
        // The stand-in's record, checked against the image: every message once, whole, in order.
        std::vector<bench::LoggedMessage> messages;
        std::vector<unsigned char> received;

        for (int i = 0; i < fakeseq_message_count(portName); ++i)
        {
            bench::LoggedMessage m;
            m.bytes.resize(1024);
            const auto size = fakeseq_get_message(portName, i, m.bytes.data(), int(m.bytes.size()),
                                                  &m.sendStart, &m.wireEnd);
            m.bytes.resize(std::min<size_t>(m.bytes.size(), size_t(std::max(0, size))));
            received.insert(received.end(), m.bytes.begin(), m.bytes.end());
            messages.push_back(std::move(m));
        }

        if (received.size() != image->getSize()
            || std::memcmp(received.data(), image->getData(), received.size()) != 0)
            return fail("the port did not receive the image exactly");

        const auto& pauses = pacing->pauses;

        if (pauses.size() != messages.size())
            return fail("the pass paused " + juce::String((int)pauses.size()) + " times for "
                        + juce::String((int)messages.size()) + " messages");

        double limit = 0.0;

        for (const auto& m : messages)
            limit += UploadPacing::silenceMs / 1000.0
                     + double(m.bytes.size()) * UploadPacing::wireMsPerByte / 1000.0;

        // Where a gap's excess comes from: before the pause (the pause's whole milliseconds,
        // a blocking send's late return), the pause itself oversleeping, and the work
        // between the pause and the next send.
        bench::GapStatistics gaps;
        gaps.add(messages, UploadPacing::silenceMs);
        std::vector<double> beforeMs, oversleepMs, afterMs;

        for (size_t i = 0; i + 1 < messages.size(); ++i)
        {
            const auto& p = pauses[i];
            beforeMs.push_back((p.startedAt - messages[i].wireEnd) * 1000.0 + p.requestedMs
                               - UploadPacing::silenceMs);
            oversleepMs.push_back((p.endedAt - p.startedAt) * 1000.0 - p.requestedMs);
            afterMs.push_back((messages[i + 1].sendStart - p.endedAt) * 1000.0);
        }

        const auto passEnd = pauses.back().endedAt;
        const auto passSeconds = passEnd - messages.front().sendStart;
        const auto excessPercent = 100.0 * (passSeconds - limit) / limit;

        bench::print(key + "messages", std::to_string(messages.size()));
        bench::print(key + "bytes", std::to_string(received.size()));
        bench::print(key + "limit_s", limit, 3);
        bench::print(key + "total_s", passSeconds, 3);
        bench::print(key + "excess_percent", excessPercent, 3);
        bench::print(key + "start_to_first_send_ms", (messages.front().sendStart - startedAt) * 1000.0, 3);
        bench::print(key + "gaps", std::to_string(gaps.errorsMs.size()));
        bench::print(key + "gap_min_ms", gaps.minMs, 3);
        bench::print(key + "gap_short_count", std::to_string(gaps.shortCount));
        bench::print(key + "gap_error_mean_ms", bench::mean(gaps.errorsMs), 3);
        bench::print(key + "gap_error_median_ms", bench::median(gaps.errorsMs), 3);
        bench::print(key + "gap_error_p99_ms", bench::percentile(gaps.errorsMs, 99), 3);
        bench::print(key + "gap_error_worst_ms", bench::percentile(gaps.errorsMs, 100), 3);
        bench::print(key + "gap_error_before_pause_mean_ms", bench::mean(beforeMs), 3);
        bench::print(key + "gap_error_oversleep_mean_ms", bench::mean(oversleepMs), 3);
        bench::print(key + "gap_error_oversleep_worst_ms", bench::percentile(oversleepMs, 100), 3);
        bench::print(key + "gap_error_after_pause_mean_ms", bench::mean(afterMs), 3);
        bench::print(key + "gap_error_after_pause_worst_ms", bench::percentile(afterMs, 100), 3);
        bench::print(key + "last_pause_ms", (passEnd - messages.back().wireEnd) * 1000.0, 3);

        // With slow checks of the port the pass is longer by their time: only the silence
        // after each message is held to its target then.
        const bool met = (slowChecksMs > 0 || (excessPercent <= allowedExcessPercent && excessPercent >= 0.0))
                         && gaps.shortCount == 0;
        bench::print(key + "verdict", met ? "met" : "missed");
        bench::printMachineAtEnd();
        return met ? 0 : 1;
    }
};

juce::JUCEApplicationBase* createApplication()
{
    return new PacingBench();
}
} // namespace

int main(int argc, char** argv)
{
    if (! bench::readOptions(
            argc, argv, 1,
            { { "--baud", [](const char* v) { baud = std::atoi(v); } },
              { "--messages", [](const char* v) { messageLimit = std::max(1, std::atoi(v)); } },
              { "--slow-checks", [](const char* v) { slowChecksMs = std::max(0, std::atoi(v)); } },
              { "--other-writers", [](const char* v) { otherWriters = std::max(0, std::atoi(v)); } } }))
        return bench::usage(argv[0],
                            "[--baud 0|31250] [--messages N] [--slow-checks MS] [--other-writers N]");

    // A pass that has not ended after four times its length has gone wrong.
    alarm(slowChecksMs > 0 ? 640 : 320);

    juce::JUCEApplicationBase::createInstance = &createApplication;
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
