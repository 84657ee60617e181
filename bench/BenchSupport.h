#pragma once

#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

/** What the benchmarks share: the clocks, their options, the machine they ran on, figures
    printed as "key: value" lines (which bench/run-all.sh reads back), the gaps between the
    messages the MIDI stand-in received, and readings of a process's CPU time and memory
    from /proc. */
namespace bench
{
/** CLOCK_MONOTONIC in seconds: the clock of the MIDI stand-in's log. */
double now();

/** The CPU time of the calling thread in seconds. */
double callingThreadCpuSeconds();

/** Sleeps until the given CLOCK_MONOTONIC time. */
void sleepUntil(double monotonicTime);

/** Prints one figure as "key: value". */
void print(const std::string& key, const std::string& value);
void print(const std::string& key, double value, int decimals);

/** A number with a fixed count of decimals. */
std::string fixed(double value, int decimals);

/** The value at percentile p (0 to 100) by the nearest-rank method; 0 for no values. */
double percentile(std::vector<double> values, double p);
double median(const std::vector<double>& values);
double mean(const std::vector<double>& values);

/** Hands the value of each "--name value" of argv[first] onwards to the handler of its
    name; false for a name without a handler or without a value. */
using OptionHandlers = std::map<std::string, std::function<void(const char* value)>>;
bool readOptions(int argc, char** argv, int first, const OptionHandlers& handlers);

/** Prints "usage: <program> <text>" to stderr; returns 2, a benchmark's exit for a wrong call. */
int usage(const char* program, const char* text);

//==============================================================================
/** A message the MIDI stand-in delivered: when its send began and when its last byte
    left the cable (CLOCK_MONOTONIC seconds), and its bytes. */
struct LoggedMessage
{
    double sendStart = 0, wireEnd = 0;
    std::vector<unsigned char> bytes;
};

/** The stand-in's log (FAKESEQ_LOG): "<sendStart> <wireEnd> <port>\t<hex bytes>" a line. */
std::vector<LoggedMessage> readMidiLog(const std::string& path);

/** The gaps between messages, each from the moment a message has left the cable to the
    start of the next send, held against the silence the pedal needs after a message. */
struct GapStatistics
{
    double minMs = 1e9; // the shortest gap
    int shortCount = 0; // gaps shorter than the silence
    std::vector<double> errorsMs; // each gap less the silence, in order

    /** Adds the gaps between one pass's messages. */
    void add(const std::vector<LoggedMessage>& messages, double silenceMs);
};

/** The busy and total time of all CPUs, from /proc/stat, in clock ticks. */
struct SystemCpu
{
    unsigned long long busy = 0, total = 0;
    static SystemCpu read();
    /** How busy the machine was since this sample, in percent of all its CPUs. */
    double busyPercentSince() const;
};

/** Prints the machine: CPU model, cores, kernel and load average, as machine.* figures,
    and starts the count of how busy the machine is during the run. */
void printMachineAtStart();

/** Prints the load average and how busy the machine was since printMachineAtStart(). */
void printMachineAtEnd();

//==============================================================================
/** CPU time of a whole process (every thread, the ended ones included) from
    /proc/<pid>/stat, in seconds; negative when the process cannot be read. */
double processCpuSeconds(pid_t pid);

/** CPU time of the process's live threads of the given name (such as "JUCE Timer"), or
    of all of them when the name is empty, from /proc/<pid>/task/<tid>/schedstat, in
    seconds (to the nanosecond, where stat counts 10 ms ticks); 0 when there is none. */
double threadCpuSeconds(pid_t pid, const std::string& threadName);

/** Context switches of all the process's live threads: a count of its wake-ups. */
long long processContextSwitches(pid_t pid);

/** A field of /proc/<pid>/status in kB (VmHWM is the peak resident memory); -1 if absent. */
long long processStatusKb(pid_t pid, const char* field);
} // namespace bench
