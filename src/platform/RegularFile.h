#pragma once

#include <cstdint>
#include <juce_core/juce_core.h>

/** A file opened for reading, checked on the open file itself, so that nothing can swap
    it between the check and the read: only a regular file (not a folder, a FIFO or a
    device, which could stall the program or be read without end) is opened; a FIFO
    never blocks the open. */
class RegularFile
{
public:
    enum class State
    {
        open,
        notFound,
        unreadable
    };

    explicit RegularFile(const juce::File& file);
    ~RegularFile();

    State state = State::notFound;
    juce::int64 size = 0;
    juce::String problem; // why it could not be opened or read

    /** Reads up to `bytes`; the number read, 0 at the end, or -1 with the problem set. */
    juce::int64 read(char* dest, size_t bytes);

private:
    std::intptr_t handle = -1; // a descriptor, or a Windows HANDLE; -1 is none on both

    JUCE_DECLARE_NON_COPYABLE(RegularFile)
};
