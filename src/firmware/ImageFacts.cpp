#include "firmware/ImageFacts.h"

#include <juce_cryptography/juce_cryptography.h>

ImageFacts ImageFacts::of(const juce::uint8* data, size_t size)
{
    ImageFacts facts;
    facts.size = data != nullptr ? size : 0;
    facts.framing = SysexFraming::check(data, facts.size);
    facts.product = ProductSignature::thisPedal().check(data, facts.size, facts.framing);
    facts.sha256 = juce::SHA256(data, facts.size).toHexString();
    return facts;
}
