#include "FakeSeqControl.h"
#include "midi/MidiOutputPort.h"
#include "protocol/LoopbackInput.h"
#include "protocol/LoopbackTest.h"
#include "protocol/LoopbackVerdict.h"
#include "support/MessageLoop.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>

// The loopback test of an interface: its series, how what JUCE hands over becomes
// arrivals, the verdict on them, and a whole test through JUCE's MIDI code against the
// stand-in's looped port.
namespace
{
using Bytes = std::vector<juce::uint8>;

/** Arrivals as a perfect loop brings them back: each message whole, 300 ms after the last. */
std::vector<LoopbackArrival> perfect(const LoopbackSeries& series)
{
    std::vector<LoopbackArrival> arrivals;
    double ms = 1000;

    for (const auto& message : series.messages)
    {
        const auto end = ms + (double)message.size() * 0.32;
        arrivals.push_back({ message, true, false, ms, end });
        ms = end + 300;
    }

    return arrivals;
}
} // namespace

TEST(Loopback, SeriesHasTheSizesThatMatterAndEveryDataByte)
{
    const auto series = LoopbackSeries::quick({ 9, 500, 40, 120, 9 }, 4096);
    std::vector<size_t> lengths;
    std::set<int> values;

    for (size_t i = 0; i < series.messages.size(); ++i)
    {
        const auto& m = series.messages[i];
        lengths.push_back(m.size());
        EXPECT_EQ(LoopbackSeries::indexOf(m), (int)i);
        EXPECT_EQ(m.back(), 0xF7);

        for (size_t b = 4; b + 1 < m.size(); ++b)
        {
            EXPECT_LT(m[b], 0x80);
            values.insert(m[b]);
        }
    }

    EXPECT_EQ(lengths, std::vector<size_t>({ 9, 40, 500, 4096, 9, 40, 500, 4096 }));
    EXPECT_EQ(values.size(), 128u);
    EXPECT_LT(series.seconds(), 10.0);
    const auto full = LoopbackSeries::full({ 9, 5000, 40 }, 4096);
    ASSERT_EQ(full.messages.size(), 4u);
    EXPECT_EQ(full.messages[1].size(), 4096u) << "never longer than the system carries whole";
}

TEST(Loopback, PiecesFromJucesThreadBecomeArrivals)
{
    using Kind = LoopbackInput::Piece::Kind;
    const auto series = LoopbackSeries::ofLengths({ 600, 20, 300, 10 });
    const auto& big = series.messages[0];
    const auto prefix = [](const Bytes& m, size_t n) { return Bytes(m.begin(), m.begin() + (long)n); };

    // The SysEx grows in pieces until whole; the second is broken off by a status byte
    // (JUCE drops it and makes messages of what follows); the third is cut, and ends at
    // the next F0.
    const std::vector<LoopbackInput::Piece> pieces {
        { Kind::partial, prefix(big, 256), 10 },
        { Kind::partial, prefix(big, 512), 20 },
        { Kind::sysex, big, 30 },
        { Kind::other, { 0x89, 16, 23 }, 40 },
        { Kind::other, { 0x89, 17, 24 }, 41 },
        { Kind::partial, prefix(series.messages[2], 256), 50 },
        { Kind::partial, prefix(series.messages[2], 280), 60 },
        { Kind::sysex, series.messages[3], 70 },
    };
    std::vector<LoopbackArrival> arrivals;
    bool open = false;
    LoopbackInput::assemble({ pieces.begin(), pieces.begin() + 2 }, arrivals, open);
    EXPECT_TRUE(open);
    LoopbackInput::assemble({ pieces.begin() + 2, pieces.end() }, arrivals, open);

    ASSERT_EQ(arrivals.size(), 4u);
    EXPECT_EQ(arrivals[0].bytes, big);
    EXPECT_TRUE(arrivals[0].complete);
    EXPECT_DOUBLE_EQ(arrivals[0].firstMs, 10 - 256 * 0.32)
        << "its first byte came a piece's wire time earlier";
    EXPECT_DOUBLE_EQ(arrivals[0].endMs, 30);
    EXPECT_TRUE(arrivals[1].stray) << "the status byte broke in before any piece of message 2";
    EXPECT_EQ(arrivals[2].bytes.size(), 280u);
    EXPECT_FALSE(arrivals[2].complete);
    EXPECT_EQ(arrivals[3].bytes, series.messages[3]);
    EXPECT_FALSE(open);
}

TEST(Loopback, VerdictNamesTheFirstFault)
{
    const auto series = LoopbackSeries::ofLengths({ 9, 300, 20, 12 });
    using Change = std::function<void(std::vector<LoopbackArrival>&)>;
    const struct
    {
        const char* verdict;
        Change change;
    } cases[] = {
        { "fit for firmware updates", [](auto&) {} },
        { "nothing came back on Loop In within 1.3 s", [](auto& a) { a.clear(); } },
        { "message 2 lost", [](auto& a) { a.erase(a.begin() + 1); } },
        { "message 4 lost", [](auto& a) { a.pop_back(); } },
        { "byte 120 of message 2 differs (sent 77, got 76)", [](auto& a) { a[1].bytes[119] ^= 1; } },
        { "message 2 cut after 256 bytes",
          [](auto& a)
          {
              a[1].bytes.resize(256);
              a[1].complete = false;
          } },
        { "message 3 cut after 10 bytes",
          [](auto& a)
          {
              a[2].bytes.resize(10);
              a[2].bytes.push_back(0xF7);
          } },
        { "message 2 cut after 0 bytes",
          [](auto& a) {
              a[1] = { { 0x89, 16, 23 }, false, true, a[1].firstMs, a[1].endMs };
          } },
        { "messages bunched (gap of 3 ms, under 300 ms) after message 2",
          [](auto& a)
          {
              const auto shift = a[2].firstMs - a[1].endMs - 3;
              for (size_t i = 2; i < a.size(); ++i)
              {
                  a[i].firstMs -= shift;
                  a[i].endMs -= shift;
              }
          } },
        { "something that was not sent came back after message 4", [](auto& a) { a.push_back(a.back()); } },
    };

    for (const auto& c : cases)
    {
        auto arrivals = perfect(series);
        c.change(arrivals);
        const auto verdict = LoopbackVerdict::judge(series, series.messages.size(), arrivals, 1.3);
        EXPECT_EQ(verdict.describe("Loop In"), c.verdict);
        EXPECT_EQ(verdict.rows.size(), series.messages.size()) << c.verdict;
    }

    // A gap a little short of the pause is the reading's lateness, not bunching.
    auto arrivals = perfect(series);
    arrivals[1].firstMs -= 15;
    EXPECT_TRUE(LoopbackVerdict::judge(series, 4, arrivals, 1).isFit());
}

//==============================================================================
namespace
{
struct LoopbackRun : ::testing::Test
{
    void SetUp() override
    {
        fakeseq_reset();
        fakeseq_add_loopback_port("Loop");
    }

    void TearDown() override { fakeseq_reset(); }

    /** Runs the test from the looped port into itself, with the stand-in's faults. */
    std::unique_ptr<LoopbackTest> run(const char* faults, const LoopbackSeries& series)
    {
        fakeseq_set_loop_faults(faults);
        const auto device = juce::MidiOutput::getAvailableDevices()[0];
        const auto input = juce::MidiInput::getAvailableDevices()[0];
        auto test = std::make_unique<LoopbackTest>(device, input, series);
        test->start();
        EXPECT_TRUE(testsupport::pumpUntil([&] { return test->isFinished(); }, 20000));
        return test;
    }
};
} // namespace

TEST_F(LoopbackRun, ThroughJucesMidiCodeACleanLoopIsFitAndABrokenOneIsNot)
{
    const auto series = LoopbackSeries::ofLengths({ 9, 600, 20 });
    auto test = run("", series);
    EXPECT_EQ(test->getOutcome(), LoopbackTest::Outcome::judged);
    EXPECT_EQ(test->describe(), "fit for firmware updates");
    EXPECT_DOUBLE_EQ(test->getProgress(), 1.0);

    // A status byte inside a SysEx, which JUCE drops it for, is a fault, not a wait.
    fakeseq_reset();
    fakeseq_add_loopback_port("Loop");
    test = run("flip:2:300:128", series);
    EXPECT_EQ(test->describe(), "message 2 cut after 256 bytes");
}

TEST_F(LoopbackRun, AnOutputAnUpdateHoldsIsNotSentTo)
{
    const auto output = juce::MidiOutput::getAvailableDevices()[0];
    MidiOutputPort update;
    ASSERT_EQ(update.open(output), MidiOutputPort::OpenResult::opened);
    const auto claim = update.claim();
    ASSERT_TRUE(claim->isHeld());

    LoopbackTest test(output, juce::MidiInput::getAvailableDevices()[0], LoopbackSeries::ofLengths({ 9 }));
    test.start();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return test.isFinished(); }, 5000));
    EXPECT_EQ(test.getOutcome(), LoopbackTest::Outcome::outputLocked);
    EXPECT_EQ(fakeseq_message_count("Loop"), 0) << "nothing is sent to a locked output";
}
