#include "firmware/FirmwareImage.h"
#include "firmware/ProductSignature.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
// A message as the pedal's messages are: 0xF0, manufacturer, device, model, data, 0xF7.
std::vector<juce::uint8> message(std::vector<juce::uint8> header, int dataBytes = 5)
{
    std::vector<juce::uint8> bytes { 0xF0 };
    bytes.insert(bytes.end(), header.begin(), header.end());

    for (int i = 0; i < dataBytes; ++i)
        bytes.push_back((juce::uint8)(i * 7 & 0x7F));

    bytes.push_back(0xF7);
    return bytes;
}

std::vector<juce::uint8> joined(std::initializer_list<std::vector<juce::uint8>> messages)
{
    std::vector<juce::uint8> all;
    for (const auto& m : messages)
        all.insert(all.end(), m.begin(), m.end());
    return all;
}

ProductSignature::Verdict judge(const std::vector<juce::uint8>& bytes)
{
    return ProductSignature::thisPedal().check(bytes.data(), bytes.size());
}
} // namespace

TEST(ProductSignature, EveryMessageMustCarryThePedalsManufacturerAndModelButAnyDeviceNumber)
{
    const FirmwareImage builtIn;
    const auto& pedal = ProductSignature::thisPedal();
    ASSERT_TRUE(pedal.isValid());
    EXPECT_EQ(pedal.describe(), "F0 00 7E 56 .. 20");
    EXPECT_TRUE(pedal.check(builtIn.getData(), builtIn.getSize()).isThisProduct);

    // This pedal's file for another device number.
    const auto own = judge(
        joined({ message({ 0x00, 0x7E, 0x56, 0x05, 0x20 }), message({ 0x00, 0x7E, 0x56, 0x7F, 0x20 }) }));
    EXPECT_TRUE(own.isThisProduct);
    EXPECT_EQ(own.foreignStart, "");

    // Another model of the same maker, from the first message.
    const auto otherModel = judge(joined({ message({ 0x00, 0x7E, 0x56, 0x01, 0x21 }) }));
    EXPECT_FALSE(otherModel.isThisProduct);
    EXPECT_EQ(otherModel.firstForeignMessage, 0);
    EXPECT_EQ(otherModel.foreignStart, "F0 00 7E 56 01 21");

    // Another maker in a later message only, and one whose first manufacturer byte alone differs.
    const auto laterMaker = judge(
        joined({ message({ 0x00, 0x7E, 0x56, 0x01, 0x20 }), message({ 0x41, 0x10, 0x00, 0x16, 0x12 }) }));
    EXPECT_FALSE(laterMaker.isThisProduct);
    EXPECT_EQ(laterMaker.firstForeignMessage, 1);
    EXPECT_EQ(laterMaker.foreignStart, "F0 41 10 00 16 12");
    EXPECT_FALSE(judge(message({ 0x01, 0x7E, 0x56, 0x01, 0x20 })).isThisProduct);

    // A message too short to hold a model byte is no product's; so is an image without a message.
    EXPECT_FALSE(judge(message({ 0x00, 0x7E, 0x56, 0x01 }, 0)).isThisProduct);
    const auto notSysex = judge({ 'n', 'o', 't' });
    EXPECT_FALSE(notSysex.isThisProduct);
    EXPECT_EQ(notSysex.foreignStart, "6E 6F 74");
}
