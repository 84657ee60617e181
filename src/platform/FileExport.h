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
/** Why the target would be refused ("is a folder", "is read-only", ...), before anything
    is written; empty when a file may be written there. */
juce::String refusal(const juce::File& target);

/** What stands at the path when it is something other than a regular file ("is a
    folder", "is a FIFO (named pipe)", ...); empty for a regular file or nothing at all. */
juce::String unlessRegular(const juce::File& file);

/** Returns an empty string when the file was written, otherwise why it was not. */
juce::String write(const juce::File& target, const void* data, size_t size);
} // namespace FileExport
