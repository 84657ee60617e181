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

#include <atomic>
#include <cstring>
#include <functional>
#include <juce_gui_basics/juce_gui_basics.h>
#include <sys/resource.h>

namespace
{
const char* const portName = "Pedal MIDI";

// A pass must take no more than this share above the physical limit.
constexpr double allowedExcessPercent = 0.5;

int baud = 0;
int messageLimit = 0; // 0: the whole image

double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Runs the message loop, which the protocol thread needs for its short locked steps,
// until the condition holds; false when the time ran out first.
bool pumpUntil(const std::function<bool()>& condition, double timeoutSeconds)
{
    const auto deadline = bench::now() + timeoutSeconds;

    while (! condition())
    {
        if (bench::now() >= deadline)
            return condition();

        juce::MessageManager::getInstance()->runDispatchLoopUntil(20);
    }

    return true;
}

// Notes the moment the pass publishes its end, progress 1.0: that is after the pause
// that follows the last message. Called on the protocol thread (progress) and on the
// message thread (status texts).
struct PassEndWatch final : juce::ChangeListener
{
    explicit PassEndWatch(ProgressClass& p)
        : progress(p)
    {
    }

    void changeListenerCallback(juce::ChangeBroadcaster*) override
    {
        double unset = 0.0;

        if (progress.getProgress() == 1.0)
            endedAt.compare_exchange_strong(unset, bench::now());
    }

    ProgressClass& progress;
    std::atomic<double> endedAt { 0.0 };
};

juce::ComboBox* findOutputSelector(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* box = dynamic_cast<juce::ComboBox*>(child);
            box != nullptr && box->getName() == "Output Selector")
            return box;

    return nullptr;
}

struct Message
{
    int size = 0;
    double sendStart = 0, wireEnd = 0;
};

int fail(const std::string& why)
{
    std::fprintf(stderr, "flashmere_bench_pacing: %s\n", why.c_str());
    return 2;
}

int runPass()
{
    const std::string mode = baud > 0 ? "blocking" : "nonblocking";
    const std::string key = "pass." + mode + ".";

    std::printf("== Upload pacing: a %s pass of the built-in image, sends %s ==\n",
                messageLimit > 0 ? "shortened" : "whole",
                baud > 0 ? "blocking for their wire time at 31250 baud (a blocking driver)"
                         : "returning at once (ALSA)");
    bench::printMachineAtStart();

    fakeseq_reset();
    fakeseq_add_output_port(portName);
    fakeseq_set_baud(baud);

    MidiInterfaceClass midi(true, false);
    midi.setBounds(0, 0, 400, midi.getPreferredHeight());
    auto* selector = findOutputSelector(midi);

    if (selector == nullptr)
        return fail("the MIDI interface has no output selector");

    // Let the selector's first, posted change go by, then pick the port as a user would.
    pumpUntil([] { return false; }, 0.1);
    selector->setSelectedId(1, juce::sendNotificationAsync);

    if (! pumpUntil([&] { return midi.isConnected(); }, 5.0))
        return fail("the stand-in's port did not open");

    // A shortened pass sends the image's first messages, from a file of their own.
    auto image = std::make_unique<FirmwareImage>();
    const juce::TemporaryFile shortImage(".syx");

    if (messageLimit > 0)
    {
        const auto* data = image->getData();
        size_t length = 0;

        for (int found = 0; length < image->getSize() && found < messageLimit; ++length)
            found += data[length] == 0xF7 ? 1 : 0;

        shortImage.getFile().replaceWithData(data, length);
        image = std::make_unique<FirmwareImage>(shortImage.getFile().getFullPathName());
    }

    BasicSysexProtocolClass protocol(&midi, image.get());
    PassEndWatch watch(protocol);
    protocol.addChangeListener(&watch);

    const auto cpuBefore = processCpuSeconds();
    const auto startedAt = bench::now();
    protocol.startUpdate();

    // The pass takes about 79 s; a pass that takes twice that has gone wrong.
    const bool ended = pumpUntil([&] { return watch.endedAt > 0.0 && ! protocol.isThreadRunning(); }, 200.0);
    const auto cpuSeconds = processCpuSeconds() - cpuBefore;
    protocol.removeChangeListener(&watch);

    if (! ended)
        return fail("the pass did not end within 200 s");

    if (protocol.getStatusText() != "Update completed")
        return fail("the pass ended with \"" + protocol.getStatusText().toStdString() + "\"");

    // The stand-in's record, checked against the image: every message once, whole, in order.
    std::vector<Message> messages;
    std::vector<unsigned char> bytes(1024), received;

    for (int i = 0; i < fakeseq_message_count(portName); ++i)
    {
        Message m;
        m.size = fakeseq_get_message(portName, i, bytes.data(), int(bytes.size()), &m.sendStart, &m.wireEnd);
        received.insert(received.end(), bytes.begin(),
                        bytes.begin() + std::min<int>(m.size, int(bytes.size())));
        messages.push_back(m);
    }

    if (received.size() != image->getSize()
        || std::memcmp(received.data(), image->getData(), received.size()) != 0)
        return fail("the port did not receive the image exactly");

    const auto passEnd = watch.endedAt.load();
    double limit = 0.0;

    for (const auto& m : messages)
        limit += UploadPacing::silenceMs / 1000.0 + m.size * UploadPacing::wireMsPerByte / 1000.0;

    // A gap runs from the moment a message has left the cable to the start of the next send.
    std::vector<double> gapErrorsMs;
    double shortestGapMs = 1e9;
    int shortGaps = 0;

    for (size_t i = 0; i + 1 < messages.size(); ++i)
    {
        const auto gapMs = (messages[i + 1].sendStart - messages[i].wireEnd) * 1000.0;
        shortestGapMs = std::min(shortestGapMs, gapMs);
        shortGaps += gapMs < UploadPacing::silenceMs ? 1 : 0;
        gapErrorsMs.push_back(gapMs - UploadPacing::silenceMs);
    }

    const auto passSeconds = passEnd - messages.front().sendStart;
    const auto excessPercent = 100.0 * (passSeconds - limit) / limit;
    double meanErrorMs = 0.0;

    for (const auto e : gapErrorsMs)
        meanErrorMs += e / double(gapErrorsMs.size());

    bench::print(key + "messages", std::to_string(messages.size()));
    bench::print(key + "bytes", std::to_string(received.size()));
    bench::print(key + "limit_s", limit, 3);
    bench::print(key + "total_s", passSeconds, 3);
    bench::print(key + "excess_percent", excessPercent, 3);
    bench::print(key + "start_to_first_send_ms", (messages.front().sendStart - startedAt) * 1000.0, 3);
    bench::print(key + "gaps", std::to_string(gapErrorsMs.size()));
    bench::print(key + "gap_min_ms", shortestGapMs, 3);
    bench::print(key + "gap_short_count", std::to_string(shortGaps));
    bench::print(key + "gap_error_mean_ms", meanErrorMs, 3);
    bench::print(key + "gap_error_median_ms", bench::median(gapErrorsMs), 3);
    bench::print(key + "gap_error_p99_ms", bench::percentile(gapErrorsMs, 99), 3);
    bench::print(key + "gap_error_worst_ms", bench::percentile(gapErrorsMs, 100), 3);
    bench::print(key + "last_pause_ms", (passEnd - messages.back().wireEnd) * 1000.0, 3);
    bench::print(key + "cpu_s", cpuSeconds, 3);

    const bool met = excessPercent <= allowedExcessPercent && excessPercent >= 0.0 && shortGaps == 0;
    bench::print(key + "verdict", met ? "met" : "missed");
    bench::printMachineAtEnd();
    return met ? 0 : 1;
}

class PacingBench final : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Flashmere pacing benchmark"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise(const juce::String&) override
    {
        // Run here, before the application's own loop starts: the pass runs the loop
        // itself, and JUCE's Linux loop is not re-entrant.
        setApplicationReturnValue(runPass());
        quit();
    }

    void shutdown() override {}
    void anotherInstanceStarted(const juce::String&) override {}
    void systemRequestedQuit() override {}
};

juce::JUCEApplicationBase* createApplication()
{
    return new PacingBench();
}
} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc)
        {
            baud = std::atoi(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--messages") == 0 && i + 1 < argc)
        {
            messageLimit = std::max(1, std::atoi(argv[++i]));
        }
        else
        {
            std::fprintf(stderr, "usage: %s [--baud 0|31250] [--messages N]\n", argv[0]);
            return 2;
        }
    }

    juce::JUCEApplicationBase::createInstance = &createApplication;
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
