#pragma once

#include "firmware/ProductSignature.h"
#include "firmware/SysexFraming.h"

#include <juce_core/juce_core.h>

/** What an image is, worked out once when it is loaded, for everyone who must judge it:
    whether it can be sent (its framing), whose firmware it is, its size and its SHA-256.
    The pass, the log, the window and flashmere-cli all read this one value. */
struct ImageFacts
{
    SysexFraming framing;
    ProductSignature::Verdict product;
    size_t size = 0;
    juce::String sha256; // lower-case hex, of the bytes as they are

    static ImageFacts of(const juce::uint8* data, size_t size);
};
