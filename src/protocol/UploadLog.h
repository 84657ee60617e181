#pragma once

#include "protocol/UploadRecord.h"

struct ImageFacts;

#include <juce_core/juce_core.h>

/** The plain-text log of an update pass: a header that names the program, the image and
    the output, a line per message sent, and the outcome. A line per record, tab-separated
    fields, a leading keyword (the README describes the format, which is stable).

    The log is written once the pass is over, never while it paces the pedal. Where it
    goes is the caller's choice: the standard folder (one file per pass, named by its start
    time, the oldest of its own beyond filesKept removed), a file of the caller's, or
    nowhere. A log that cannot be written costs the log only: one line on standard error,
    and no part of it is left behind. */
namespace UploadLog
{
/** Where a pass's log goes. */
struct Target
{
    enum class Kind
    {
        none,
        folder, // a new file in the folder, named by the pass's start time
        file // this file, replaced; only a new path or a regular file is written
    };

    Kind kind = Kind::none;
    juce::File where;
    const char* teller = nullptr; // who says a log could not be written; null: the application

    /** The same target, with its failure told as coming from that program. */
    Target toldBy(const char* program) const
    {
        auto copy = *this;
        copy.teller = program;
        return copy;
    }

    static Target nowhere() { return {}; }
    static Target inFolder(const juce::File& folder) { return { Kind::folder, folder }; }
    static Target toFile(const juce::File& file) { return { Kind::file, file }; }

    /** The system's log folder, Places::logFolder(). */
    static Target standardFolder();
};

/** What the header says about the image. */
struct Subject
{
    juce::String image; // the file's path, or empty for the built-in image
    const juce::uint8* data = nullptr;
    size_t size = 0;
    const ImageFacts* facts = nullptr; // the image's, when known; else worked out from the bytes
};

/** How many logs the standard folder keeps. */
constexpr int filesKept = 50;

/** The log's text. */
juce::String format(const UploadRecord& record, const Subject& subject);

/** Writes the log where the target says; returns the file written, or a null File when
    the target is nowhere or the log could not be written (then one line on standard
    error says why). */
juce::File write(const Target& target, const UploadRecord& record, const Subject& subject);
} // namespace UploadLog
