#pragma once

#include <ctime>
#include <juce_core/juce_core.h>

/** The file calls whose spelling differs between the systems; the others are POSIX's on
    both. A path goes by its own bytes on Linux and by its wide characters on Windows,
    where a narrow path is taken in the ANSI code page. */
namespace FileCalls
{
/** Opens for writing, never blocking (a FIFO cannot hold the program) nor inherited: a
    new file (createNew; EEXIST when one is there) or the one there as it is. The
    descriptor, or -1 with errno set. */
int openForWriting(const juce::File& file, bool createNew);

void remove(const juce::File& file);

/** The calendar fields of a moment in UTC. */
std::tm utc(std::time_t seconds);
} // namespace FileCalls
