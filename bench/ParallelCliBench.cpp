// A service bench: several pedals flashed at once, one flashmere-cli per MIDI interface.
// Eight flashmere-cli processes send the built-in image at the same time, each to a port
// of its own stand-in (preloaded into it) behind a 31250 baud cable whose sends block for
// their wire time, on however few cores the machine has. Every pass is held to the same
// targets as a pass alone: no gap short of 300 ms from the moment a message's last byte
// has left the cable to the next send, and the whole pass within 0.5 % of the physical
// limit (each message's wire time plus the pedal's 300 ms of silence after it), counted
// from the first send to the exit of the process.
//
// Usage: flashmere_bench_parallel_cli [--passes N] [--messages N]
//   --passes N: how many at once (8 by default);
//   --messages N: only the image's first N messages (a quick check of the tool itself).
// Prints "key: value" figures under parallel.* and exits 1 when a target is missed.

#include "BenchSupport.h"
#include "firmware/FirmwareImage.h"
#include "firmware/SysexFraming.h"
#include "protocol/UploadPacing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
const std::string cli = FLASHMERE_CLI;
const std::string preload = FLASHMERE_FAKESEQ_PRELOAD;

// A pass must take no more than this share above the physical limit.
constexpr double allowedExcessPercent = 0.5;

struct Pass
{
    pid_t pid = -1;
    std::string dir, midiLog;
    double exitedAt = 0;
    int status = -1;
    double cpuSeconds = 0; // user and system time of the whole process
};

Pass launch(const std::string& workDir, int number, int messageLimit, const std::string& image)
{
    Pass pass;
    pass.dir = workDir + "/pass-" + std::to_string(number);
    pass.midiLog = pass.dir + "/midi.log";
    mkdir(pass.dir.c_str(), 0700);
    mkdir((pass.dir + "/run").c_str(), 0700);
    std::fclose(std::fopen(pass.midiLog.c_str(), "w"));

    pass.pid = fork();

    if (pass.pid == 0)
    {
        // Each process has its own stand-in, whose ports are numbered and named alike in
        // every one of them: the port locks must not meet.
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("FAKESEQ_PORTS", "Pedal MIDI", 1);
        setenv("FAKESEQ_BAUD", "31250", 1);
        setenv("FAKESEQ_LOG", pass.midiLog.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (pass.dir + "/run").c_str(), 1);
        setenv("FAKESEQ_LOCK_SCOPE", pass.dir.c_str(), 1);
        setenv("XDG_STATE_HOME", (pass.dir + "/state").c_str(), 1);
        unsetenv("DISPLAY");
        const int out = open((pass.dir + "/output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(out, 2);

        if (messageLimit > 0)
            execl(cli.c_str(), cli.c_str(), "send", "--port", "1", image.c_str(), (char*)nullptr);
        else
            execl(cli.c_str(), cli.c_str(), "send", "--port", "1", (char*)nullptr);

        _exit(127);
    }

    return pass;
}
} // namespace

int main(int argc, char** argv)
{
    int passes = 8;
    int messageLimit = 0;

    if (! bench::readOptions(
            argc, argv, 1,
            { { "--passes", [&](const char* v) { passes = std::max(1, std::atoi(v)); } },
              { "--messages", [&](const char* v) { messageLimit = std::max(1, std::atoi(v)); } } }))
        return bench::usage(argv[0], "[--passes N] [--messages N]");

    // The image every pass must deliver: the built-in one, or its first messages.
    const FirmwareImage builtIn;
    const auto framing = SysexFraming::check(builtIn.getData(), builtIn.getSize());
    const auto count = messageLimit > 0 ? std::min<size_t>((size_t)messageLimit, framing.messages.size())
                                        : framing.messages.size();
    const auto& last = framing.messages[count - 1];
    const std::vector<unsigned char> image(builtIn.getData(), builtIn.getData() + last.offset + last.length);

    char workTemplate[] = "/tmp/flashmere-bench-parallel-XXXXXX";

    if (mkdtemp(workTemplate) == nullptr)
        return 2;

    const std::string workDir = workTemplate;
    const auto imagePath = workDir + "/image.syx";
    std::ofstream(imagePath, std::ios::binary)
        .write((const char*)image.data(), (std::streamsize)image.size());

    double limit = 0.0;

    for (size_t i = 0; i < count; ++i)
        limit += UploadPacing::silenceMs / 1000.0
                 + (double)framing.messages[i].length * UploadPacing::wireMsPerByte / 1000.0;

    bench::printMachineAtStart();
    bench::print("parallel.passes", std::to_string(passes));
    bench::print("parallel.messages", std::to_string(count));
    bench::print("parallel.limit_s", limit, 3);

    std::vector<Pass> running;

    for (int n = 1; n <= passes; ++n)
        running.push_back(launch(workDir, n, messageLimit, imagePath));

    // The exits, each seen within half a millisecond; a pass that has not ended after
    // twice the limit has gone wrong.
    const auto deadline = bench::now() + 2 * limit + 30;
    int left = passes;

    while (left > 0 && bench::now() < deadline)
    {
        for (auto& p : running)
        {
            int status = 0;
            rusage usage {};

            if (p.pid > 0 && wait4(p.pid, &status, WNOHANG, &usage) == p.pid)
            {
                p.exitedAt = bench::now();
                p.cpuSeconds = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                               + (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
                p.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                p.pid = -1;
                --left;
            }
        }

        usleep(500);
    }

    for (auto& p : running)
    {
        if (p.pid > 0)
        {
            kill(p.pid, SIGKILL);
            waitpid(p.pid, nullptr, 0);
        }
    }

    bench::printMachineAtEnd();

    bool met = left == 0;
    double worstTotal = 0, worstExcess = -100, mostCpu = 0;
    int worstPass = 0;
    bench::GapStatistics gaps;

    for (size_t n = 0; n < running.size(); ++n)
    {
        const auto& p = running[n];
        const auto key = "parallel.pass." + std::to_string(n + 1) + ".";
        const auto messages = bench::readMidiLog(p.midiLog);
        std::vector<unsigned char> received;

        for (const auto& m : messages)
            received.insert(received.end(), m.bytes.begin(), m.bytes.end());

        const auto whole = received == image && messages.size() == count;
        bench::GapStatistics passGaps;
        passGaps.add(messages, UploadPacing::silenceMs);
        gaps.add(messages, UploadPacing::silenceMs);
        const auto total
            = messages.empty() || p.exitedAt == 0 ? 0.0 : p.exitedAt - messages.front().sendStart;
        const auto excess = 100.0 * (total - limit) / limit;

        bench::print(key + "exit_code", std::to_string(p.status));
        bench::print(key + "image_whole", whole ? "yes" : "no");
        bench::print(key + "total_s", total, 3);
        bench::print(key + "excess_percent", excess, 3);
        bench::print(key + "gap_min_ms", passGaps.minMs, 3);
        bench::print(key + "cpu_s", p.cpuSeconds, 3);
        mostCpu = std::max(mostCpu, p.cpuSeconds);

        met = met && p.status == 0 && whole && excess <= allowedExcessPercent;

        if (excess > worstExcess)
        {
            worstExcess = excess;
            worstTotal = total;
            worstPass = (int)n + 1;
        }
    }

    met = met && gaps.shortCount == 0;

    bench::print("parallel.worst.pass", std::to_string(worstPass));
    bench::print("parallel.worst.total_s", worstTotal, 3);
    bench::print("parallel.worst.excess_percent", worstExcess, 3);
    bench::print("parallel.gap_min_ms", gaps.minMs, 3);
    bench::print("parallel.gap_short_count", std::to_string(gaps.shortCount));
    bench::print("parallel.gap_error_median_ms", bench::percentile(gaps.errorsMs, 50), 3);
    bench::print("parallel.gap_error_p99_ms", bench::percentile(gaps.errorsMs, 99), 3);
    bench::print("parallel.gap_error_worst_ms", bench::percentile(gaps.errorsMs, 100), 3);
    bench::print("parallel.cpu_s_most", mostCpu, 3);
    bench::print("parallel.verdict", met ? "met" : "missed");

    if (met)
        std::system(("rm -rf '" + workDir + "'").c_str());
    else
        std::fprintf(stderr, "the processes' output and the stand-ins' logs are kept in %s\n",
                     workDir.c_str());

    return met ? 0 : 1;
}
