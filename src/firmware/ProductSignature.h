#pragma once

#include <juce_core/juce_core.h>

struct SysexFraming;

/** Which product a firmware image is for, told by the first bytes of its messages.

    The pedal's messages start with 0xF0, the maker's three manufacturer bytes, a device
    number and the model byte. An image is this pedal's firmware when every one of its
    messages carries the same manufacturer bytes and model byte; the device number may
    differ, since a pedal can be set to answer to another one. This pedal's signature is
    read from the built-in image, so that the program holds one copy of it only. */
class ProductSignature
{
public:
    /** What an image's messages say about the product. */
    struct Verdict
    {
        bool isThisProduct = false;

        /** The first message, counting from 0, that is not this product's; -1 when every
            message is, or the image holds no complete message. */
        int firstForeignMessage = -1;

        /** The first bytes of that message (of the image when it holds no complete
            message), in hex: "F0 41 10 00 16 12". Empty for this product's image. */
        juce::String foreignStart;
    };

    /** This pedal's signature, from the built-in image. */
    static const ProductSignature& thisPedal();

    /** The signature carried by the first message of the bytes; invalid when that message
        is too short to carry one. */
    static ProductSignature fromFirstMessage(const juce::uint8* data, size_t size);

    bool isValid() const noexcept { return valid; }

    /** Judges the complete messages of an image (those before any fault of framing). An
        image without a complete message is no product's. */
    Verdict check(const juce::uint8* data, size_t size) const;

    /** The same, for an image whose framing is already known. */
    Verdict check(const juce::uint8* data, size_t size, const SysexFraming& framing) const;

    /** How this product's messages start, the device number as "..": "F0 00 7E 56 .. 20". */
    juce::String describe() const;

    /** Bytes from each message's 0xF0 up to and including the model byte. */
    static constexpr size_t headerLength = 6;

private:
    bool valid = false;
    juce::uint8 manufacturer[3] = {};
    juce::uint8 model = 0;

    bool matches(const juce::uint8* message, size_t length) const noexcept;
};
