// libFuzzer target: the framing check must never read outside the bytes it is given,
// must always end, and its report must agree with the bytes.
#include "firmware/SysexFraming.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so that AddressSanitizer catches any read past them.
    const std::vector<uint8_t> bytes(data, data + size);
    const auto result = SysexFraming::check(bytes.empty() ? nullptr : bytes.data(), bytes.size());

    size_t expectedOffset = 0;

    for (const auto& m : result.messages)
    {
        if (m.offset != expectedOffset || m.length < 2 || bytes[m.offset] != 0xF0
            || bytes[m.offset + m.length - 1] != 0xF7)
            std::abort();

        for (size_t i = 1; i + 1 < m.length; ++i)
            if (bytes[m.offset + i] >= 0x80)
                std::abort();

        expectedOffset += m.length;
    }

    if (result.isClean() != (size > 0 && expectedOffset == size))
        std::abort();

    if (! result.isClean() && size > 0 && result.faultOffset >= size)
        std::abort();

    return 0;
}
