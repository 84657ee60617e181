#include "firmware/SysexFraming.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;
using Fault = SysexFraming::Fault;

SysexFraming check(const Bytes& bytes)
{
    return SysexFraming::check(bytes.data(), bytes.size());
}
} // namespace

TEST(SysexFraming, ListsBackToBackMessagesWithTheirOffsetsAndLengths)
{
    const auto result = check({ 0xF0, 0x01, 0xF7, 0xF0, 0xF7, 0xF0, 0x7F, 0x00, 0xF7 });

    ASSERT_TRUE(result.isClean());
    ASSERT_EQ(result.messages.size(), 3u);
    EXPECT_EQ(result.messages[0].offset, 0u);
    EXPECT_EQ(result.messages[0].length, 3u);
    EXPECT_EQ(result.messages[1].offset, 3u);
    EXPECT_EQ(result.messages[1].length, 2u);
    EXPECT_EQ(result.messages[2].offset, 5u);
    EXPECT_EQ(result.messages[2].length, 4u);
    EXPECT_EQ(result.describeFault(), "");
}

TEST(SysexFraming, NamesTheFirstFaultAndItsOffset)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        Fault fault;
        size_t offset;
        size_t messagesBefore;
    };

    const Case cases[] = {
        { "no bytes", {}, Fault::empty, 0, 0 },
        { "a byte before the first message", { 0x00, 0xF0, 0xF7 }, Fault::strayByte, 0, 0 },
        { "a byte between messages", { 0xF0, 0xF7, 0x41, 0xF0, 0xF7 }, Fault::strayByte, 2, 1 },
        { "a lone end byte", { 0xF0, 0xF7, 0xF7 }, Fault::strayByte, 2, 1 },
        { "trailing text", { 0xF0, 0xF7, '\n' }, Fault::strayByte, 2, 1 },
        { "a note-on inside a message", { 0xF0, 0x10, 0x90, 0x40, 0xF7 }, Fault::statusByteInMessage, 2, 0 },
        { "a new start inside a message", { 0xF0, 0x10, 0xF0, 0xF7 }, Fault::statusByteInMessage, 2, 0 },
        { "an incomplete last message", { 0xF0, 0xF7, 0xF0, 0x01, 0x02 }, Fault::unterminatedMessage, 2, 1 },
        { "a lone start byte", { 0xF0 }, Fault::unterminatedMessage, 0, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const auto result = check(c.bytes);
        EXPECT_FALSE(result.isClean());
        EXPECT_EQ(result.fault, c.fault);
        EXPECT_EQ(result.faultOffset, c.offset);
        EXPECT_EQ(result.messages.size(), c.messagesBefore);
        EXPECT_FALSE(result.describeFault().empty());
    }
}

TEST(SysexFraming, TakesAMessageOfExactlyTheSystemsLimitAndNotOneByteMore)
{
    const auto message = [](size_t length)
    {
        Bytes bytes(length, 0x00);
        bytes.front() = 0xF0;
        bytes.back() = 0xF7;
        return bytes;
    };

    EXPECT_TRUE(check(message(SysexFraming::largestSendableMessage)).isClean());
    const auto over = check(message(SysexFraming::largestSendableMessage + 1));
    EXPECT_EQ(over.fault, Fault::messageTooLong);
    EXPECT_EQ(over.faultOffset, 0u);
    EXPECT_EQ(over.faultMessageLength, SysexFraming::largestSendableMessage + 1);
}

TEST(SysexFraming, ReadsOnlyTheBytesItIsGiven)
{
    // The byte after the given range would complete the message; it must not be looked at.
    const Bytes bytes { 0xF0, 0x01, 0xF7 };
    const auto result = SysexFraming::check(bytes.data(), 2);
    EXPECT_EQ(result.fault, Fault::unterminatedMessage);

    EXPECT_EQ(SysexFraming::check(nullptr, 10).fault, Fault::empty);
}

TEST(SysexFraming, DescribesTheOffsetInItsWords)
{
    const auto result = check({ 0xF0, 0xF7, 0x41 });
    EXPECT_NE(result.describeFault().find("at byte 2"), std::string::npos) << result.describeFault();
}
