#include "cli/CliArguments.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
/** A command line as the shell hands it over. */
CliArguments read(std::vector<const char*> words, bool takesPort = true, bool takesJson = false)
{
    words.insert(words.begin(), "flashmere-cli");
    return CliArguments::read(CliArguments::fromCommandLine((int)words.size(), words.data()), takesPort,
                              false, takesJson);
}
} // namespace

TEST(CliArguments, FileNamesArriveExactlyAsTyped)
{
    const auto args = read({ "check", " spaced .syx", "\"quoted\".syx" }, false);
    EXPECT_TRUE(args.problem.isEmpty());
    EXPECT_EQ(args.files, juce::StringArray({ " spaced .syx", "\"quoted\".syx" }));

    // An empty name is not "no file" (which would mean the built-in image).
    EXPECT_EQ(read({ "send", "--port", "1", "" }).problem, "an empty file name");
    EXPECT_EQ(read({ "check", "" }, false).problem, "an empty file name");
}

TEST(CliArguments, DoubleDashEndsTheOptions)
{
    const auto args = read({ "send", "--port", "Pedal", "--", "-dash.syx", "--help", "--port" });
    EXPECT_TRUE(args.problem.isEmpty());
    EXPECT_FALSE(args.wantsHelp);
    EXPECT_EQ(args.port, "Pedal");
    EXPECT_EQ(args.files, juce::StringArray({ "-dash.syx", "--help", "--port" }));

    EXPECT_TRUE(read({ "check", "--help" }, false).wantsHelp);

    // --json is seen wherever it stands before "--", even after a wrong argument, so that
    // the usage error is told as JSON too; after "--" it is a file name.
    const auto wrong = read({ "send", "--bogus", "--json" }, true, true);
    EXPECT_TRUE(wrong.json);
    EXPECT_EQ(wrong.problem, "unexpected argument \"--bogus\"");
    const auto file = read({ "send", "--port", "1", "--", "--json" }, true, true);
    EXPECT_FALSE(file.json);
    EXPECT_EQ(file.files, juce::StringArray({ "--json" }));
    EXPECT_EQ(read({ "export", "--json" }, false).problem, "unexpected argument \"--json\"");
    EXPECT_EQ(read({ "check", "-dash.syx" }, false).problem, "unexpected argument \"-dash.syx\"");
}

TEST(CliArguments, OnePortInEitherFormOnlyWhereItIsTaken)
{
    const auto equals = read({ "send", "--port=Pedal MIDI", "f.syx" });
    EXPECT_TRUE(equals.hasPort);
    EXPECT_EQ(equals.port, "Pedal MIDI");
    EXPECT_EQ(equals.files, juce::StringArray({ "f.syx" }));

    EXPECT_EQ(read({ "send", "--port", "1", "--port", "2" }).problem, "only one --port can be given");
    EXPECT_EQ(read({ "send", "--port=1", "--port", "1" }).problem, "only one --port can be given");
    EXPECT_EQ(read({ "send", "--port" }).problem, "--port needs a port name or number");
    EXPECT_EQ(read({ "check", "--port", "1" }, false).problem, "unexpected argument \"--port\"");
}

TEST(CliArguments, PortNumbersAreNeverWrappedRound)
{
    EXPECT_EQ(CliArguments::portNumber("1", 2), 1);
    EXPECT_EQ(CliArguments::portNumber("2", 2), 2);

    for (const auto* text :
         { "0", "3", "4294967297", "4294967298", "18446744073709551617", "-1", "+1", "1a", "" })
        EXPECT_EQ(CliArguments::portNumber(text, 2), 0) << text;
}
