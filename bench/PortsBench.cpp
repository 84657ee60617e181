// The output list's watch on the system's MIDI ports, on the real MIDI interface against
// the stand-in's ports, with JUCE's own message loop:
//   - the cost of one look at the ports, what the program does every
//     MidiInterfaceClass::outputPollIntervalMs while idle, with nothing open and with an
//     output open, and what that costs a second as a share of one core;
//   - the time from a port appearing on the system to the selector listing it, over
//     10 ports plugged in at random moments.
//
// Usage: flashmere_bench_ports [--runs N] [--seed S]
// Prints "key: value" figures under ports.* and exits 1 when a target is missed.

#include "BenchSupport.h"
#include "FakeSeqControl.h"
#include "midi/MidiInterfaceClass.h"

#include <functional>
#include <juce_gui_basics/juce_gui_basics.h>
#include <random>

namespace
{
// What the polling may add to the idle program, in percent of one core.
constexpr double allowedSharePercent = 0.05;

// A port plugged in must be listed within about a second.
constexpr double listedTargetMs = 1000.0;

constexpr int looksPerRound = 2000;

bool pumpUntil(const std::function<bool()>& condition, double timeoutSeconds)
{
    const auto deadline = bench::now() + timeoutSeconds;

    while (! condition())
    {
        if (bench::now() >= deadline)
            return false;

        juce::MessageManager::getInstance()->runDispatchLoopUntil(1);
    }

    return true;
}

bool lists(juce::ComboBox& box, const juce::String& name)
{
    for (int i = 0; i < box.getNumItems(); ++i)
        if (box.getItemText(i) == name)
            return true;

    return false;
}

// The cost of the look that finds nothing changed: CPU time per look, and the median and
// 99th percentile of its wall time, in microseconds. Returns the CPU time per look.
double measureLooks(MidiInterfaceClass& midi, const std::string& key)
{
    for (int i = 0; i < 100; ++i)
        midi.followOutputs();

    std::vector<double> wallUs;
    const auto cpuFrom = bench::callingThreadCpuSeconds();

    for (int i = 0; i < looksPerRound; ++i)
    {
        const auto start = bench::now();
        midi.followOutputs();
        wallUs.push_back((bench::now() - start) * 1e6);
    }

    const auto cpuUs = (bench::callingThreadCpuSeconds() - cpuFrom) * 1e6 / looksPerRound;
    bench::print(key + ".cpu_us", cpuUs, 1);
    bench::print(key + ".wall_us_median", bench::median(wallUs), 1);
    bench::print(key + ".wall_us_p99", bench::percentile(wallUs, 99), 1);
    return cpuUs;
}

int run(int runs, unsigned seed)
{
    std::printf("== Following the MIDI ports: the cost of a look, and a port plugged in to listed, %d runs, "
                "seed %u ==\n",
                runs, seed);
    bench::printMachineAtStart();

    fakeseq_reset();

    for (const auto* name : { "Pedal MIDI", "Second Port", "Third Port" })
        fakeseq_add_output_port(name);

    MidiInterfaceClass midi(true, false);
    juce::ComboBox* selector = nullptr;

    for (auto* child : midi.getChildren())
        if (auto* box = dynamic_cast<juce::ComboBox*>(child))
            selector = box;

    if (selector == nullptr)
        return 2;

    juce::MessageManager::getInstance()->runDispatchLoopUntil(50);

    // Idle before any choice: no device open, so JUCE opens and closes its sequencer
    // client for every look.
    const auto closedUs = measureLooks(midi, "ports.look.nothing_open");
    selector->setSelectedId(1, juce::sendNotificationSync);
    const auto openUs = measureLooks(midi, "ports.look.output_open");

    const auto looksPerSecond = 1000.0 / MidiInterfaceClass::outputPollIntervalMs;
    const auto sharePercent = std::max(closedUs, openUs) * looksPerSecond * 1e-6 * 100.0;
    bench::print("ports.look.interval_ms", std::to_string(MidiInterfaceClass::outputPollIntervalMs));
    bench::print("ports.look.share_percent", sharePercent, 4);

    // Plugged in at a random moment, unknown to the program: until it is listed.
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> delay(0.05, 1.5);
    std::vector<double> listedMs;

    for (int i = 1; i <= runs; ++i)
    {
        const auto name = "Late Port " + std::to_string(i);
        const auto wait = delay(random);
        const auto pluggedAt = bench::now() + wait;
        fakeseq_change_after(name.c_str(), 1, wait);

        if (! pumpUntil([&] { return lists(*selector, name); }, wait + 5.0))
        {
            std::fprintf(stderr, "flashmere_bench_ports: %s was never listed\n", name.c_str());
            return 2;
        }

        listedMs.push_back((bench::now() - pluggedAt) * 1000.0);
        std::printf("run %2d: plugged in at a moment %.3f s ahead, listed %6.1f ms after it\n", i, wait,
                    listedMs.back());

        fakeseq_unplug(name.c_str());
        pumpUntil([&] { return ! lists(*selector, name); }, 5.0);
        juce::MessageManager::getInstance()->runDispatchLoopUntil(int(random() % 500));
    }

    const auto worst = bench::percentile(listedMs, 100);
    bench::print("ports.listed.runs", std::to_string(runs));
    bench::print("ports.listed.seed", std::to_string(seed));
    bench::print("ports.listed.median_ms", bench::median(listedMs), 1);
    bench::print("ports.listed.worst_ms", worst, 1);

    const bool met = sharePercent <= allowedSharePercent && worst <= listedTargetMs;
    bench::print("ports.verdict", met ? "met" : "missed");
    bench::printMachineAtEnd();
    fakeseq_reset();
    return met ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 10;
    auto seed = (unsigned)std::random_device {}();

    if (! bench::readOptions(
            argc, argv, 1,
            { { "--runs", [&](const char* v) { runs = std::max(1, std::atoi(v)); } },
              { "--seed", [&](const char* v) { seed = (unsigned)std::strtoul(v, nullptr, 10); } } }))
        return bench::usage(argv[0], "[--runs N] [--seed S]");

    const juce::ScopedJuceInitialiser_GUI gui;
    return run(runs, seed);
}
