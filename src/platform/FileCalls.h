#pragma once

#include <ctime>
#include <juce_core/juce_core.h>

/** The file calls whose spelling differs between the systems. A path goes by its own bytes
    on Linux and by its wide characters on Windows, where a narrow path is taken in the
    ANSI code page. Failures leave errno set. */
namespace FileCalls
{
/** Opens for writing, never blocking (a FIFO cannot hold the program) nor inherited: a
    new file (createNew; EEXIST when one is there) or the one there as it is. -1 on
    failure. */
int openForWriting(const juce::File& file, bool createNew);

/** Whether the open file is a regular file. */
bool isRegular(int fd);

/** Empties the open file: 0, or the error number. */
int empty(int fd);

/** Writes up to size bytes: the number written, or -1. */
long writeSome(int fd, const char* bytes, size_t size);

int close(int fd);
void remove(const juce::File& file);

/** The calendar fields of a moment in UTC. */
std::tm utc(std::time_t seconds);
} // namespace FileCalls
