#include "firmware/SysexFraming.h"

namespace
{
constexpr uint8_t sysexStart = 0xF0;
constexpr uint8_t sysexEnd = 0xF7;
} // namespace

SysexFraming SysexFraming::check(const uint8_t* data, size_t size, size_t largestMessage)
{
    SysexFraming result;
    result.messageLimit = largestMessage;

    if (data == nullptr || size == 0)
    {
        result.fault = Fault::empty;
        return result;
    }

    size_t pos = 0;

    while (pos < size)
    {
        if (data[pos] != sysexStart)
        {
            result.fault = Fault::strayByte;
            result.faultOffset = pos;
            return result;
        }

        const auto start = pos++;

        while (pos < size && data[pos] < 0x80)
            ++pos;

        if (pos == size)
        {
            result.fault = Fault::unterminatedMessage;
            result.faultOffset = start;
            return result;
        }

        if (data[pos] != sysexEnd)
        {
            result.fault = Fault::statusByteInMessage;
            result.faultOffset = pos;
            return result;
        }

        ++pos;

        if (pos - start > largestMessage)
        {
            result.fault = Fault::messageTooLong;
            result.faultOffset = start;
            result.faultMessageLength = pos - start;
            return result;
        }

        result.messages.push_back({ start, pos - start });
    }

    return result;
}

std::string SysexFraming::describeFault() const
{
    const auto at = " at byte " + std::to_string(faultOffset);

    switch (fault)
    {
        case Fault::none:
            return {};
        case Fault::empty:
            return "it holds no data";
        case Fault::strayByte:
            return "it has data outside the SysEx messages" + at;
        case Fault::statusByteInMessage:
            return "a message holds an invalid byte" + at;
        case Fault::unterminatedMessage:
            return "its last message is incomplete" + at;
        case Fault::messageTooLong:
            return "message " + std::to_string(messages.size() + 1) + " ("
                   + std::to_string(faultMessageLength) + " bytes" + at + ") is longer than the "
                   + std::to_string(messageLimit)
                   + " bytes that the system's MIDI service can send in one piece";
    }

    return {};
}
