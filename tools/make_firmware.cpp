// Writes the Velamor's built-in firmware image: 234 SysEx messages, 26631 bytes.
//
// The image is synthetic but framed exactly like the pedal's loader expects it: every
// message starts with 0xF0, a three-byte manufacturer identifier that no maker holds,
// a device number and a model number, carries a command byte, a sequence number,
// seven-bit data and a checksum, and ends with 0xF7. The content is deterministic, so
// running this tool again reproduces the committed file byte for byte.
//
// Usage: make_firmware OUTPUT.syx

#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{
constexpr uint8_t header[] = { 0xF0, 0x00, 0x7E, 0x56, 0x01, 0x20 };

enum Command : uint8_t
{
    enterUpdate = 0x01,
    eraseFlash = 0x02,
    blockHeader = 0x10,
    dataBlock = 0x20,
    dspBlock = 0x30,
    finishUpdate = 0x0F
};

struct Generator
{
    uint32_t state = 0x56454c41; // "VELA"

    uint8_t next7()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<uint8_t>((state >> 11) & 0x7F);
    }
};

// A message of exactly `length` bytes, 0xF0 and 0xF7 included.
std::vector<uint8_t> makeMessage(size_t length, uint8_t command, unsigned sequence, Generator& gen)
{
    std::vector<uint8_t> m(header, header + sizeof(header));
    m.push_back(command);

    if (length == sizeof(header) + 3)
    {
        // Short control message: command, one argument, 0xF7.
        m.push_back(static_cast<uint8_t>(sequence & 0x7F));
        m.push_back(0xF7);
        return m;
    }

    m.push_back(static_cast<uint8_t>((sequence >> 7) & 0x7F));
    m.push_back(static_cast<uint8_t>(sequence & 0x7F));

    while (m.size() < length - 2)
        m.push_back(gen.next7());

    unsigned sum = 0;
    for (size_t i = sizeof(header); i < m.size(); ++i)
        sum += m[i];

    m.push_back(static_cast<uint8_t>((128 - (sum & 0x7F)) & 0x7F));
    m.push_back(0xF7);
    return m;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s OUTPUT.syx\n", argv[0]);
        return 2;
    }

    struct Planned
    {
        size_t length;
        uint8_t command;
    };

    std::vector<Planned> plan;
    plan.push_back({ 9, enterUpdate });
    plan.push_back({ 40, blockHeader });
    plan.push_back({ 9, eraseFlash });
    plan.push_back({ 40, blockHeader });
    plan.push_back({ 158, dataBlock });

    for (int half = 0; half < 2; ++half)
    {
        for (int i = 0; i < 4; ++i)
            plan.push_back({ 500, dspBlock });
        plan.push_back({ 392, dspBlock });
    }

    plan.push_back({ 158, dataBlock });

    for (int i = 0; i < 108; ++i)
    {
        plan.push_back({ 40, blockHeader });
        plan.push_back({ 158, dataBlock });
    }

    plan.push_back({ 40, blockHeader });
    plan.push_back({ 9, finishUpdate });

    Generator gen;
    std::vector<uint8_t> image;
    unsigned sequence = 0;

    for (const auto& p : plan)
    {
        const auto m = makeMessage(p.length, p.command, sequence++, gen);
        image.insert(image.end(), m.begin(), m.end());
    }

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr)
    {
        std::perror(argv[1]);
        return 1;
    }

    const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size();
    if (std::fclose(out) != 0 || ! written)
    {
        std::perror(argv[1]);
        return 1;
    }

    std::printf("%zu messages, %zu bytes\n", plan.size(), image.size());
    return 0;
}
