#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

/** What the benchmarks share: the clock, the machine they ran on, figures printed as
    "key: value" lines (which bench/run-all.sh reads back), and readings of a process's
    CPU time and memory from /proc. */
namespace bench
{
/** CLOCK_MONOTONIC in seconds: the clock of the MIDI stand-in's log. */
double now();

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
