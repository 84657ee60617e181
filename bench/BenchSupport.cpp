#include "BenchSupport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/utsname.h>
#include <unistd.h>

namespace bench
{
namespace
{
SystemCpu startSample;

std::string firstLineOf(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string cpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;

    while (std::getline(in, line))
    {
        if (line.rfind("model name", 0) == 0)
        {
            const auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }

    return "unknown";
}

std::string loadAverage()
{
    std::istringstream in(firstLineOf("/proc/loadavg"));
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// The threads of a process, as the names of its /proc/<pid>/task entries.
std::vector<std::string> threadsOf(pid_t pid)
{
    std::vector<std::string> tasks;
    const auto folder = "/proc/" + std::to_string(pid) + "/task";

    if (DIR* dir = opendir(folder.c_str()))
    {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                tasks.push_back(folder + "/" + entry->d_name);

        closedir(dir);
    }

    return tasks;
}

double secondsOn(clockid_t clock)
{
    timespec t {};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
} // namespace

double now()
{
    return secondsOn(CLOCK_MONOTONIC);
}

double callingThreadCpuSeconds()
{
    return secondsOn(CLOCK_THREAD_CPUTIME_ID);
}

void sleepUntil(double monotonicTime)
{
    timespec until {};
    until.tv_sec = time_t(monotonicTime);
    until.tv_nsec = long((monotonicTime - double(until.tv_sec)) * 1e9);

    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR)
    {
    }
}

void print(const std::string& key, const std::string& value)
{
    std::printf("%s: %s\n", key.c_str(), value.c_str());
    std::fflush(stdout);
}

void print(const std::string& key, double value, int decimals)
{
    print(key, fixed(value, decimals));
}

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;

    std::sort(values.begin(), values.end());
    const auto rank = (size_t)std::ceil(p / 100.0 * double(values.size()));
    return values[std::clamp(rank, (size_t)1, values.size()) - 1];
}

double median(const std::vector<double>& values)
{
    if (values.empty())
        return 0.0;

    auto sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const auto n = sorted.size();
    return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

double mean(const std::vector<double>& values)
{
    double sum = 0.0;

    for (const auto v : values)
        sum += v;

    return values.empty() ? 0.0 : sum / double(values.size());
}

bool readOptions(int argc, char** argv, int first, const OptionHandlers& handlers)
{
    for (int i = first; i < argc; i += 2)
    {
        const auto handler = handlers.find(argv[i]);

        if (handler == handlers.end() || i + 1 >= argc)
            return false;

        handler->second(argv[i + 1]);
    }

    return true;
}

int usage(const char* program, const char* text)
{
    std::fprintf(stderr, "usage: %s %s\n", program, text);
    return 2;
}

//==============================================================================
std::vector<LoggedMessage> readMidiLog(const std::string& path)
{
    std::vector<LoggedMessage> messages;
    std::ifstream in(path);
    std::string line;

    while (std::getline(in, line))
    {
        LoggedMessage m;
        const auto tab = line.find('\t');

        if (tab == std::string::npos || std::sscanf(line.c_str(), "%lf %lf", &m.sendStart, &m.wireEnd) != 2)
            continue;

        for (size_t i = tab + 1; i + 1 < line.size(); i += 2)
            m.bytes.push_back((unsigned char)std::stoi(line.substr(i, 2), nullptr, 16));

        messages.push_back(std::move(m));
    }

    return messages;
}

void GapStatistics::add(const std::vector<LoggedMessage>& messages, double silenceMs)
{
    for (size_t i = 0; i + 1 < messages.size(); ++i)
    {
        const auto gapMs = (messages[i + 1].sendStart - messages[i].wireEnd) * 1000.0;
        minMs = std::min(minMs, gapMs);
        shortCount += gapMs < silenceMs ? 1 : 0;
        errorsMs.push_back(gapMs - silenceMs);
    }
}

SystemCpu SystemCpu::read()
{
    // cpu  user nice system idle iowait irq softirq steal ...
    std::istringstream in(firstLineOf("/proc/stat"));
    std::string label;
    in >> label;

    SystemCpu sample;
    unsigned long long value = 0;

    for (int field = 0; field < 8 && in >> value; ++field)
    {
        sample.total += value;

        if (field != 3 && field != 4) // idle and iowait are not busy
            sample.busy += value;
    }

    return sample;
}

double SystemCpu::busyPercentSince() const
{
    const auto later = read();
    const auto total = later.total - this->total;
    return total == 0 ? 0.0 : 100.0 * double(later.busy - busy) / double(total);
}

void printMachineAtStart()
{
    utsname names {};
    uname(&names);

    print("machine.cpu", cpuModel());
    print("machine.cores", std::to_string(sysconf(_SC_NPROCESSORS_ONLN)));
    print("machine.kernel", std::string(names.sysname) + " " + names.release + " " + names.machine);
    print("machine.load_at_start", loadAverage());
    startSample = SystemCpu::read();
}

void printMachineAtEnd()
{
    print("machine.load_at_end", loadAverage());
    print("machine.busy_percent", startSample.busyPercentSince(), 1);
}

//==============================================================================
double processCpuSeconds(pid_t pid)
{
    const auto line = firstLineOf("/proc/" + std::to_string(pid) + "/stat");
    const auto close = line.rfind(')'); // the command name may hold blanks

    if (close == std::string::npos)
        return -1.0;

    // After the name: state (field 3) ... utime (14) and stime (15), in clock ticks.
    std::istringstream in(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;

    for (int number = 3; number <= 13; ++number)
        in >> field;

    if (! (in >> utime >> stime))
        return -1.0;

    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

double threadCpuSeconds(pid_t pid, const std::string& threadName)
{
    double total = 0.0;

    for (const auto& task : threadsOf(pid))
    {
        if (! threadName.empty() && firstLineOf(task + "/comm") != threadName)
            continue;

        // The first field is the time on a CPU in nanoseconds, finer than stat's ticks.
        std::ifstream in(task + "/schedstat");
        unsigned long long nanoseconds = 0;

        if (in >> nanoseconds)
            total += double(nanoseconds) / 1e9;
    }

    return total;
}

long long processContextSwitches(pid_t pid)
{
    long long total = 0;

    for (const auto& task : threadsOf(pid))
    {
        std::ifstream in(task + "/status");
        std::string line;

        while (std::getline(in, line))
            if (line.find("ctxt_switches:") != std::string::npos)
                total += std::atoll(line.substr(line.find(':') + 1).c_str());
    }

    return total;
}

long long processStatusKb(pid_t pid, const char* field)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";

    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atoll(line.c_str() + prefix.size());

    return -1;
}
} // namespace bench
