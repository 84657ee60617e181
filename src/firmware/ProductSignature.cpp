#include "firmware/ProductSignature.h"

#include "firmware/FirmwareImage.h"
#include "firmware/SysexFraming.h"

namespace
{
// Where the signature sits in a message: 0xF0, the manufacturer, the device, the model.
constexpr size_t manufacturerOffset = 1;
constexpr size_t deviceOffset = 4;
constexpr size_t modelOffset = 5;

// A message carries a signature only when its model byte comes before the closing 0xF7.
constexpr size_t shortestSigned = ProductSignature::headerLength + 1;

juce::String hexStart(const juce::uint8* bytes, size_t length)
{
    return juce::String::toHexString(bytes, (int)juce::jmin(length, ProductSignature::headerLength))
        .toUpperCase();
}
} // namespace

const ProductSignature& ProductSignature::thisPedal()
{
    static const ProductSignature signature = []
    {
        const auto builtIn = FirmwareImage::builtInBytes();
        return fromFirstMessage(builtIn.getData(), builtIn.getSize());
    }();
    return signature;
}

ProductSignature ProductSignature::fromFirstMessage(const juce::uint8* data, size_t size)
{
    ProductSignature signature;
    const auto framing = SysexFraming::check(data, size);

    if (framing.messages.empty() || framing.messages.front().length < shortestSigned)
        return signature;

    std::copy(data + manufacturerOffset, data + manufacturerOffset + 3, signature.manufacturer);
    signature.model = data[modelOffset];
    signature.valid = true;
    return signature;
}

bool ProductSignature::matches(const juce::uint8* message, size_t length) const noexcept
{
    return valid && length >= shortestSigned
           && std::equal(manufacturer, manufacturer + 3, message + manufacturerOffset)
           && message[modelOffset] == model;
}

ProductSignature::Verdict ProductSignature::check(const juce::uint8* data, size_t size) const
{
    return check(data, size, SysexFraming::check(data, size));
}

ProductSignature::Verdict ProductSignature::check(const juce::uint8* data, size_t size,
                                                  const SysexFraming& framing) const
{
    Verdict verdict;

    if (framing.messages.empty())
    {
        verdict.foreignStart = data != nullptr ? hexStart(data, size) : juce::String();
        return verdict;
    }

    for (size_t i = 0; i < framing.messages.size(); ++i)
    {
        const auto& message = framing.messages[i];

        if (! matches(data + message.offset, message.length))
        {
            verdict.firstForeignMessage = (int)i;
            verdict.foreignStart = hexStart(data + message.offset, message.length);
            return verdict;
        }
    }

    verdict.isThisProduct = true;
    return verdict;
}

juce::String ProductSignature::describe() const
{
    juce::uint8 header[headerLength] = { 0xF0, manufacturer[0], manufacturer[1], manufacturer[2], 0, model };
    auto text = hexStart(header, headerLength);

    // The device number is no part of the signature.
    return text.substring(0, (int)deviceOffset * 3) + ".." + text.substring((int)deviceOffset * 3 + 2);
}
