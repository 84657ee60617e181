// The real program, in a window on the X display, with the MIDI stand-in preloaded:
//   startup [--runs N]           from process start to the main window mapped and
//                                painted; peak memory
//   cpu                          CPU of the whole process while idle for 10 s, over a
//                                full upload of the built-in image, and idle again;
//                                beside it all along, for reference, an empty JUCE
//                                window measured over the same seconds
//   close [--runs N] [--seed S]  the close button pressed at a random moment of an
//                                upload: time to the process's exit, messages sent after
// The program is driven as a person would drive it: the pointer moves and clicks through
// XTest. Prints "key: value" figures and exits 1 when a target is missed.

#include "BenchSupport.h"
#include "XSession.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
std::string program = FLASHMERE_PROGRAM;
std::string preload = FLASHMERE_FAKESEQ_PRELOAD;
std::string reference = FLASHMERE_IDLE_REFERENCE;
std::string workDir;

const std::string mainTitle = "Velamor version 1.01 - R353";
const char* const portName = "Pedal MIDI";
constexpr int imageMessages = 234;

// Where things are in the main window: it has a 26-pixel title bar and a 4-pixel
// border, so the update screen's origin is at (4, 26).
constexpr int comboX = 300, comboY = 166; // the output selector
constexpr int menuItemX = 100, menuFirstPortY = 58; // the first port in the selector's list
constexpr int updateX = 589, updateY = 256; // the middle of the "update" button
constexpr int sampleX = 548, sampleY = 254; // a patch of the button left of its text
constexpr int parkX = 20, parkY = 380; // an empty spot of background
constexpr int titleBarX = 300, titleBarY = 8; // the title bar, left of the buttons
constexpr int closeX = 629, closeY = 15; // the title bar's close button

// Targets.
constexpr double startupTargetMs = 300.0;
constexpr double closeTargetMs = 500.0;
constexpr double passCpuTargetSeconds = 1.0;
constexpr double idleSeconds = 10.0;

// The pedal's silence after a message, which every gap between two sends must keep.
constexpr double silenceMs = 300.0;

//==============================================================================
struct App
{
    pid_t pid = -1;
    double launchedAt = 0, exitedAt = 0;
    int status = -1; // the exit code, or 128 + the signal that ended it
    std::string log, output;
};

App launch(const std::string& name, int baud, const std::string& executable = program)
{
    App app;
    app.log = workDir + "/" + name + ".midi.log";
    app.output = workDir + "/" + name + ".out";
    std::fclose(std::fopen(app.log.c_str(), "w"));

    app.launchedAt = bench::now();
    app.pid = fork();

    if (app.pid == 0)
    {
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("FAKESEQ_PORTS", portName, 1);
        setenv("FAKESEQ_LOG", app.log.c_str(), 1);
        setenv("FAKESEQ_BAUD", std::to_string(baud).c_str(), 1);
        // Settings of its own, which no other run sees: no output is remembered.
        setenv("XDG_CONFIG_HOME", (workDir + "/" + name + ".config").c_str(), 1);
        setenv("XDG_STATE_HOME", (workDir + "/state").c_str(), 1); // the update logs
        const int out = open(app.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(out, 2);
        execl(executable.c_str(), executable.c_str(), (char*)nullptr);
        _exit(127);
    }

    if (app.pid < 0)
        throw std::runtime_error("cannot start " + program);

    return app;
}

// Waits for the process to end; false when it still runs after the timeout. The exit is
// seen within half a millisecond.
bool waitExit(App& app, double timeoutSeconds)
{
    const auto deadline = bench::now() + timeoutSeconds;

    for (;;)
    {
        int status = 0;
        const auto result = waitpid(app.pid, &status, WNOHANG);
        const auto t = bench::now();

        if (result == app.pid)
        {
            app.exitedAt = t;
            app.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            app.pid = -1;
            return true;
        }

        if (t >= deadline)
            return false;

        usleep(500);
    }
}

// Ends a process that a benchmark is done with, or that failed it.
void stop(App& app)
{
    if (app.pid <= 0)
        return;

    kill(app.pid, SIGTERM);

    if (! waitExit(app, 5.0))
    {
        kill(app.pid, SIGKILL);
        waitExit(app, 5.0);
    }
}

int countLogLines(const std::string& path)
{
    std::ifstream in(path);
    int lines = 0;

    for (std::string line; std::getline(in, line);)
        ++lines;

    return lines;
}

// Ends a run that went wrong, keeping a picture of the screen beside the program's output.
[[noreturn]] void failRun(App& app, const std::string& why)
{
    const auto shot = workDir + "/failure.png";
    const auto command = "import -window root '" + shot + "' 2>/dev/null";

    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "(no screenshot: ImageMagick's import failed)\n");

    stop(app);
    throw std::runtime_error(why + " (program output: " + app.output + ", screen: " + shot + ")");
}

//==============================================================================
// The window

bool near(const XSession::Rgb& c, int r, int g, int b)
{
    return std::abs(c.r - r) <= 8 && std::abs(c.g - g) <= 8 && std::abs(c.b - b) <= 8;
}

// The screen's background where nothing else is drawn, and the title bar's blue.
bool showsMainWindow(XSession& x, Window w)
{
    XSession::Rgb background, titleBar;
    return x.pixel(w, parkX, parkY, background) && x.pixel(w, titleBarX, titleBarY, titleBar)
           && near(background, 0xef, 0xf2, 0xf3) && titleBar.b > titleBar.r + 30;
}

// The empty window of the idle reference, which has the same background.
bool showsReferenceWindow(XSession& x, Window w)
{
    XSession::Rgb background;
    return x.pixel(w, parkX, parkY, background) && near(background, 0xef, 0xf2, 0xf3);
}

// The main window once it is mapped, every pixel of it drawn, and its content on show;
// paintedAt is when the event that completed it arrived.
XSession::TopLevel* waitPainted(XSession& x, App& app, double timeoutSeconds, double& paintedAt,
                                const std::string& title = mainTitle)
{
    XSession::TopLevel* found = nullptr;
    const bool painted = x.pumpUntil(
        [&]
        {
            for (auto* w : x.windows())
                if (! w->overrideRedirect && w->mapped && w->fullyCoveredAt > 0 && x.title(w->id) == title
                    && (title == mainTitle ? showsMainWindow(x, w->id) : showsReferenceWindow(x, w->id)))
                    return (found = w) != nullptr;

            return false;
        },
        timeoutSeconds);

    if (! painted)
    {
        for (auto* w : x.windows())
            std::fprintf(stderr, "window 0x%lx \"%s\": %s%s, %dx%d, %lld pixels drawn in %d reports\n", w->id,
                         x.title(w->id).c_str(), w->overrideRedirect ? "override-redirect, " : "",
                         w->mapped ? "mapped" : "not mapped", w->width, w->height, w->coveredCount,
                         w->damageEvents);

        failRun(app, "the main window was not painted within " + bench::fixed(timeoutSeconds, 0) + " s");
    }

    paintedAt = x.lastEventAt();
    return found;
}

// The update button's look, as "red"/"green" and "enabled"/"disabled" (drawn faded).
std::string buttonState(XSession& x, Window w)
{
    XSession::Rgb c;

    if (! x.pixel(w, sampleX, sampleY, c))
        return "unreadable";

    const std::string hue = c.g > c.r + 15 ? "green" : c.r > c.g + 15 ? "red" : "grey";
    return hue + (c.r < 165 || c.g < 165 || c.b < 165 ? " enabled" : " disabled");
}

bool waitButton(XSession& x, Window w, const std::string& state, double timeoutSeconds)
{
    const auto deadline = bench::now() + timeoutSeconds;

    while (buttonState(x, w) != state)
    {
        if (bench::now() >= deadline)
            return false;

        x.pump(bench::now() + 0.05);
    }

    return true;
}

// Opens the output selector and picks the stand-in's port, as a person would.
void chooseOutput(XSession& x, App& app, Window main)
{
    x.clickAt(main, comboX, comboY);
    XSession::TopLevel* menu = nullptr;
    const bool shown = x.pumpUntil(
        [&]
        {
            for (auto* w : x.windows("menu"))
                if (w->overrideRedirect && w->mapped && w->fullyCoveredAt > 0)
                    return (menu = w) != nullptr;

            return false;
        },
        5.0);

    if (! shown)
        failRun(app, "the output selector's list did not open");

    // A menu takes no click in its first 250 ms, so that the click that opened it cannot
    // also pick an item.
    x.pump(menu->createdAt + 0.3);
    x.clickAt(menu->id, menuItemX, menuFirstPortY);

    // A click that the menu let pass is tried again, as a person would.
    for (int tries = 1; tries < 3 && ! waitButton(x, main, "green enabled", 2.0) && menu->mapped; ++tries)
        x.clickAt(menu->id, menuItemX, menuFirstPortY);

    x.moveTo(main, parkX, parkY);

    if (! waitButton(x, main, "green enabled", 5.0))
        failRun(app, "the update button is " + buttonState(x, main)
                         + ", not green enabled, once the port was chosen");
}

//==============================================================================
// Start-up

int runStartup(XSession& x, int runs)
{
    std::printf("== Start-up: process start to the main window mapped and painted, %d runs ==\n", runs);
    bench::printMachineAtStart();

    std::vector<double> mapped, painted, peakMb, closeMs;

    for (int run = 1; run <= runs; ++run)
    {
        x.forget();
        auto app = launch("startup-" + std::to_string(run), 0);
        double paintedAt = 0;
        auto* window = waitPainted(x, app, 15.0, paintedAt);

        mapped.push_back((window->mappedAt - app.launchedAt) * 1000.0);
        painted.push_back((paintedAt - app.launchedAt) * 1000.0);

        // Whatever start-up still does after the first paint counts towards the peak.
        x.pump(bench::now() + 1.0);
        peakMb.push_back(double(bench::processStatusKb(app.pid, "VmHWM")) / 1024.0);

        // While nothing is under way, a close has nothing to wait for.
        const auto requestedAt = bench::now();
        kill(app.pid, SIGTERM);

        if (! waitExit(app, 5.0))
            failRun(app, "the program did not end within 5 s of SIGTERM");

        closeMs.push_back((app.exitedAt - requestedAt) * 1000.0);
        std::printf("run %2d: mapped %7.1f ms, painted %7.1f ms, peak memory %6.1f MB, idle close %6.1f ms, "
                    "exit %d\n",
                    run, mapped.back(), painted.back(), peakMb.back(), closeMs.back(), app.status);
    }

    const auto medianPainted = bench::median(painted);
    bench::print("startup.runs", std::to_string(runs));
    bench::print("startup.mapped_ms_median", bench::median(mapped), 1);
    bench::print("startup.painted_ms_median", medianPainted, 1);
    bench::print("startup.painted_ms_min", bench::percentile(painted, 0), 1);
    bench::print("startup.painted_ms_max", bench::percentile(painted, 100), 1);
    bench::print("startup.peak_memory_mb_median", bench::median(peakMb), 1);
    bench::print("startup.peak_memory_mb_max", bench::percentile(peakMb, 100), 1);
    bench::print("startup.idle_close_ms_median", bench::median(closeMs), 1);
    bench::print("startup.verdict", medianPainted <= startupTargetMs ? "met" : "missed");
    bench::printMachineAtEnd();
    return medianPainted <= startupTargetMs ? 0 : 1;
}

//==============================================================================
// CPU

// JUCE's timer thread: on Linux it drives every window's repaints at the display's
// refresh rate, so its share is the framework's, not the program's.
const std::string timerThread = "JUCE Timer";

// One reading of a process's CPU. The whole process's time, from stat, counts the
// threads that have ended as well, but only in 10 ms ticks; its live threads' time, from
// schedstat, is to the nanosecond, and nothing starts or ends while a program idles.
struct CpuReading
{
    double at = 0, process = 0, live = 0, timer = 0;
    long long switches = 0;

    static CpuReading of(pid_t pid)
    {
        return { bench::now(), bench::processCpuSeconds(pid), bench::threadCpuSeconds(pid, {}),
                 bench::threadCpuSeconds(pid, timerThread), bench::processContextSwitches(pid) };
    }
};

// Prints the idle figures between two readings; returns the CPU in percent of one core.
double printIdle(const std::string& key, const CpuReading& from, const CpuReading& to)
{
    const auto seconds = to.at - from.at;
    const auto cpu = to.live - from.live;
    const auto percent = 100.0 * cpu / seconds;

    bench::print(key + ".cpu_ms", cpu * 1000.0, 0);
    bench::print(key + ".cpu_percent", percent, 2);
    bench::print(key + ".timer_thread_ms", (to.timer - from.timer) * 1000.0, 0);
    bench::print(key + ".wakeups_per_s", double(to.switches - from.switches) / seconds, 1);
    return percent;
}

// CPU time and wake-ups of the program, and of the empty reference window beside it,
// over the same seconds while nobody touches either: whatever else the machine does in
// those seconds weighs on both, so their difference is the program's own.
void measureIdle(XSession& x, const App& app, const App& floor, const std::string& key)
{
    const auto appFrom = CpuReading::of(app.pid);
    const auto floorFrom = CpuReading::of(floor.pid);
    x.pump(bench::now() + idleSeconds);
    const auto appTo = CpuReading::of(app.pid);
    const auto floorTo = CpuReading::of(floor.pid);

    const auto percent = printIdle(key, appFrom, appTo);
    const auto floorPercent = printIdle(key + ".reference", floorFrom, floorTo);
    bench::print(key + ".beyond_floor_percent", percent - floorPercent, 2);
}

// Ends a process when the benchmark that started it is over, however it ends.
struct StopOnExit
{
    App& app;
    ~StopOnExit() { stop(app); }
};

int runCpu(XSession& x)
{
    std::printf("== CPU of the whole program: idle %.0f s, a full upload, idle %.0f s again ==\n",
                idleSeconds, idleSeconds);
    bench::printMachineAtStart();

    // The floor: an empty JUCE window, open beside the program all along and measured
    // over the same seconds.
    x.forget();
    auto floor = launch("reference", 0, reference);
    const StopOnExit floorStops { floor };
    double shownAt = 0;
    waitPainted(x, floor, 15.0, shownAt, "Flashmere idle reference");

    auto app = launch("cpu", 0);
    double paintedAt = 0;
    const auto main = waitPainted(x, app, 15.0, paintedAt)->id;
    x.moveTo(main, parkX, parkY);
    x.pump(bench::now() + 2.0); // start-up's own work is over

    measureIdle(x, app, floor, "idle.before");

    chooseOutput(x, app, main);
    x.pump(bench::now() + 1.0);

    const auto passFrom = CpuReading::of(app.pid);
    const auto floorFrom = CpuReading::of(floor.pid);
    const auto clickedAt = bench::now();
    x.clickAt(main, updateX, updateY);
    x.moveTo(main, parkX, parkY);

    // About 79 s; check the log now and then, without waking the program.
    while (countLogLines(app.log) < imageMessages)
    {
        if (bench::now() - clickedAt > 200.0)
            failRun(app, "the upload did not finish within 200 s");

        x.pump(bench::now() + 0.25);
    }

    // The button comes back once the pause after the last message is over.
    if (! waitButton(x, main, "green enabled", 5.0))
        failRun(app, "the update button did not come back after the upload");

    const auto passSeconds = bench::now() - clickedAt;
    const auto passTo = CpuReading::of(app.pid);
    const auto floorTo = CpuReading::of(floor.pid);
    // The upload's thread has ended by now: only stat still counts its time.
    const auto passCpu = passTo.process - passFrom.process;
    const auto floorCpu = floorTo.live - floorFrom.live;
    const auto messages = bench::readMidiLog(app.log);
    bench::GapStatistics gaps;
    gaps.add(messages, silenceMs);

    bench::print("cpu.pass.messages", std::to_string(messages.size()));
    bench::print("cpu.pass.wall_s", passSeconds, 2);
    bench::print("cpu.pass.cpu_s", passCpu, 3);
    bench::print("cpu.pass.cpu_percent", 100.0 * passCpu / passSeconds, 2);
    bench::print("cpu.pass.timer_thread_s", passTo.timer - passFrom.timer, 3);
    // What the upload costs beyond the empty JUCE window over the same seconds.
    bench::print("cpu.pass.reference_cpu_s", floorCpu, 3);
    bench::print("cpu.pass.beyond_floor_s", passCpu - floorCpu, 3);
    bench::print("cpu.pass.gap_min_ms", gaps.minMs, 3);
    bench::print("cpu.pass.gap_error_mean_ms", bench::mean(gaps.errorsMs), 3);
    bench::print("cpu.pass.gap_error_p99_ms", bench::percentile(gaps.errorsMs, 99), 3);
    bench::print("cpu.pass.gap_error_worst_ms", bench::percentile(gaps.errorsMs, 100), 3);
    bench::print("cpu.pass.peak_memory_mb", double(bench::processStatusKb(app.pid, "VmHWM")) / 1024.0, 1);

    x.pump(bench::now() + 2.0);
    measureIdle(x, app, floor, "idle.after");

    stop(app);
    bench::printMachineAtEnd();
    return passCpu < passCpuTargetSeconds ? 0 : 1;
}

//==============================================================================
// Close during an upload

int runClose(XSession& x, int runs, unsigned seed)
{
    std::printf("== Close during an upload: the close button at a random moment, %d runs, seed %u ==\n", runs,
                seed);
    bench::printMachineAtStart();

    std::mt19937 random(seed);
    // The first 12 s of the upload hold every kind of message, the 500-byte ones (the
    // longest steps) included.
    std::uniform_real_distribution<double> moment(0.0, 12.0);
    std::vector<double> closeMs;
    int messagesAfter = 0, worstMessagesAfter = 0, badExits = 0;

    for (int run = 1; run <= runs; ++run)
    {
        x.forget();
        auto app = launch("close-" + std::to_string(run), 0);
        double paintedAt = 0;
        const auto main = waitPainted(x, app, 15.0, paintedAt)->id;
        chooseOutput(x, app, main);
        x.clickAt(main, updateX, updateY);

        if (! x.pumpUntil([&] { return countLogLines(app.log) > 0; }, 5.0))
            failRun(app, "the upload did not start");

        const auto firstSend = bench::readMidiLog(app.log).front().sendStart;
        x.moveTo(main, closeX, closeY);
        x.pump(firstSend + moment(random));

        const auto requestedAt = x.click();

        if (! waitExit(app, 10.0))
            failRun(app, "the program did not end within 10 s of the close");

        const auto messages = bench::readMidiLog(app.log);
        int after = 0;
        const bench::LoggedMessage* current = nullptr;
        int currentIndex = -1;

        for (size_t i = 0; i < messages.size(); ++i)
        {
            if (messages[i].sendStart > requestedAt)
            {
                ++after;
            }
            else
            {
                current = &messages[i];
                currentIndex = int(i);
            }
        }

        closeMs.push_back((app.exitedAt - requestedAt) * 1000.0);
        messagesAfter += after;
        worstMessagesAfter = std::max(worstMessagesAfter, after);
        badExits += app.status != 0 ? 1 : 0;

        std::printf("run %2d: %6.3f s into the upload, %5.1f ms after the send of message %3d (%3d bytes): "
                    "exit after %6.1f ms, code %d, %d message(s) after the request\n",
                    run, requestedAt - firstSend,
                    current != nullptr ? (requestedAt - current->sendStart) * 1000.0 : 0.0, currentIndex,
                    current != nullptr ? int(current->bytes.size()) : 0, closeMs.back(), app.status, after);
    }

    const auto worst = bench::percentile(closeMs, 100);
    bench::print("close.runs", std::to_string(runs));
    bench::print("close.seed", std::to_string(seed));
    bench::print("close.median_ms", bench::median(closeMs), 1);
    bench::print("close.worst_ms", worst, 1);
    bench::print("close.messages_after_total", std::to_string(messagesAfter));
    bench::print("close.messages_after_worst", std::to_string(worstMessagesAfter));
    bench::print("close.nonzero_exits", std::to_string(badExits));

    const bool met = worst <= closeTargetMs && messagesAfter == 0 && badExits == 0;
    bench::print("close.verdict", met ? "met" : "missed");
    bench::printMachineAtEnd();
    return met ? 0 : 1;
}

const char* const usageText
    = "startup [--runs N] | cpu | close [--runs N] [--seed S]\n"
      "       [--program PATH] [--preload PATH] [--reference PATH] (the built ones by default)";
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return bench::usage(argv[0], usageText);

    const std::string what = argv[1];
    int runs = what == "close" ? 20 : 12;
    auto seed = (unsigned)std::random_device {}();

    if (! bench::readOptions(
            argc, argv, 2,
            { { "--runs", [&](const char* v) { runs = std::max(1, std::atoi(v)); } },
              { "--seed", [&](const char* v) { seed = (unsigned)std::strtoul(v, nullptr, 10); } },
              { "--program", [](const char* v) { program = v; } },
              { "--preload", [](const char* v) { preload = v; } },
              { "--reference", [](const char* v) { reference = v; } } }))
        return bench::usage(argv[0], usageText);

    char folder[] = "/tmp/flashmere-bench.XXXXXX";

    if (mkdtemp(folder) == nullptr)
        return 2;

    workDir = folder;

    try
    {
        XSession x;
        int result = 2;

        if (what == "startup")
            result = runStartup(x, runs);
        else if (what == "cpu")
            result = runCpu(x);
        else if (what == "close")
            result = runClose(x, runs, seed);
        else
            return bench::usage(argv[0], usageText);

        std::filesystem::remove_all(workDir);
        return result;
    }
    catch (const std::exception& e)
    {
        // The folder stays, with what the failed run left.
        std::fprintf(stderr, "flashmere_bench_app %s: %s\n", what.c_str(), e.what());
        return 2;
    }
}
