#pragma once

#include "firmware/FirmwareImage.h"
#include "firmware/SysexFraming.h"

/** What the command-line tool tells about a firmware image before sending it. */
struct ImageSummary
{
    SysexFraming framing;
    size_t totalBytes = 0;
    size_t smallest = 0;
    size_t largest = 0;
    juce::String manufacturer; // the first message's manufacturer bytes, in hex
    double uploadSeconds = 0; // at 31250 baud, with the pedal's pause after each message

    static ImageSummary of(const FirmwareImage& image);

    /** The time a pass takes from the given message on (counted from 0). */
    double secondsFrom(size_t messageIndex) const;
};
