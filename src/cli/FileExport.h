#pragma once

#include <juce_core/juce_core.h>

/** Writes bytes to a file the way `export` must: all of them or none.

    The target is a new path or an existing regular file the user may write; a symbolic
    link to a regular file is followed, so the link stays and its target gets the bytes.
    Anything else (a folder, a device, a FIFO, a socket, a dangling symbolic link, a
    read-only file) is refused before anything is written. The bytes go to a temporary
    file beside the target, which is checked at every write, synced, closed and only then
    renamed over the target; on any failure the temporary file is removed and the old
    file stays as it was. */
namespace FileExport
{
/** Returns an empty string when the file was written, otherwise why it was not. */
juce::String write(const juce::File& target, const void* data, size_t size);
} // namespace FileExport
