#include "cli/CliArguments.h"
#include "cli/CliTexts.h"
#include "platform/PathBytes.h"

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

#if ! JUCE_WINDOWS
TEST(CliArguments, AFileNameThatIsNotUtf8KeepsItsBytesAndIsShownEscaped)
{
    // A Latin-1 name, a stray continuation byte, a UTF-8 surrogate, a cut-off sequence
    // and an overlong slash; beside them valid UTF-8 and a backslash of the name's own.
    const std::vector<const char*> names { "caf\xe9.syx", "x\x80y.syx",   "s\xed\xa0\x80.syx",
                                           "cut\xe2\x98", "\xc0\xaf.syx", "T\xc3\xaate\\x41.syx" };
    auto words = names;
    words.insert(words.begin(), "check");
    const auto args = read(words, false);
    ASSERT_EQ(args.files.size(), (int)names.size());

    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(PathBytes::toNative(args.files[(int)i]), names[i]) << i;

    EXPECT_EQ(PathBytes::escaped(args.files[0]), "caf\\xe9.syx");
    EXPECT_EQ(PathBytes::escaped(args.files[1]), "x\\x80y.syx");
    EXPECT_EQ(PathBytes::escaped(args.files[2]), "s\\xed\\xa0\\x80.syx");
    EXPECT_EQ(PathBytes::escaped(args.files[5]), juce::String::fromUTF8("T\xc3\xaate\\\\x41.syx"));
}
#endif

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

TEST(CliArguments, LoopbackAndPauseOptionsOnlyWhereTakenWithTheirRules)
{
    const auto withExtras = [](std::vector<const char*> words, int extras)
    {
        words.insert(words.begin(), "flashmere-cli");
        return CliArguments::read(CliArguments::fromCommandLine((int)words.size(), words.data()), true, false,
                                  true, extras);
    };
    const auto loopback = CliArguments::loopbackOptions;

    const auto args
        = withExtras({ "loopback", "--port", "Out", "--input=In 2", "--file", "f.syx", "--full" }, loopback);
    EXPECT_TRUE(args.problem.isEmpty());
    EXPECT_EQ(args.input, "In 2");
    EXPECT_EQ(args.sizeFile, "f.syx");
    EXPECT_TRUE(args.full && args.hasInput);

    const struct
    {
        std::vector<const char*> words;
        int extras;
        const char* problem;
    } refused[] = {
        { { "loopback", "--input", "1", "--input", "2" }, loopback, "only one --input can be given" },
        { { "loopback", "--input" }, loopback, "--input needs a port name or number" },
        { { "loopback", "--file=" }, loopback, "--file needs a file name" },
        { { "loopback", "--log", "x.log" }, loopback, "unexpected argument \"--log\"" },
        { { "send", "--input", "1" }, CliArguments::pauseOption, "unexpected argument \"--input\"" },
        { { "send", "--pause-ms", "299" },
          CliArguments::pauseOption,
          "--pause-ms needs a whole number of milliseconds, 300 or more" },
        { { "send", "--pause-ms=5s" },
          CliArguments::pauseOption,
          "--pause-ms needs a whole number of milliseconds, 300 or more" },
        { { "send", "--pause-ms", "4294967596" },
          CliArguments::pauseOption,
          "--pause-ms needs a whole number of milliseconds, 300 or more" },
        { { "send", "--pause-ms", "300" }, 0, "unexpected argument \"--pause-ms\"" },
        { { "list", "--inputs" }, 0, "unexpected argument \"--inputs\"" },
    };

    for (const auto& r : refused)
        EXPECT_EQ(withExtras(r.words, r.extras).problem, r.problem) << r.words[1];

    EXPECT_EQ(withExtras({ "send", "--pause-ms", "300" }, CliArguments::pauseOption).pauseMs, 300);
    EXPECT_EQ(withExtras({ "send", "--pause-ms=1000" }, CliArguments::pauseOption).pauseMs, 1000);
    EXPECT_EQ(withExtras({ "send" }, CliArguments::pauseOption).pauseMs, 300);
    EXPECT_TRUE(withExtras({ "list", "--inputs" }, CliArguments::inputsOption).inputs);
}

TEST(CliArguments, PortNumbersAreNeverWrappedRound)
{
    EXPECT_EQ(CliArguments::portNumber("1", 2), 1);
    EXPECT_EQ(CliArguments::portNumber("2", 2), 2);

    for (const auto* text :
         { "0", "3", "4294967297", "4294967298", "18446744073709551617", "-1", "+1", "1a", "" })
        EXPECT_EQ(CliArguments::portNumber(text, 2), 0) << text;
}

#if JUCE_WINDOWS
TEST(CliArguments, AWindowsCommandLineIsSplitTheWayWindowsProgramsSplitIt)
{
    const auto words = [](const wchar_t* commandLine)
    {
        juce::StringArray result;
        for (const auto& arg : CliArguments::fromWindowsCommandLine(commandLine).arguments)
            result.add(arg.text);
        return result;
    };

    // A quoted path with blanks is one argument, its quotes taken away; an unquoted one is
    // several, as on any Windows program's command line.
    EXPECT_EQ(words(L"flashmere-cli.exe send --port 1 \"C:\\My Pedal\\new firmware.syx\""),
              juce::StringArray({ "send", "--port", "1", "C:\\My Pedal\\new firmware.syx" }));
    EXPECT_EQ(words(L"\"C:\\Program Files\\Flashmere\\flashmere-cli.exe\" check C:\\a b.syx"),
              juce::StringArray({ "check", "C:\\a", "b.syx" }));

    // Backslashes stay as typed unless they come before a quote, where they escape it.
    EXPECT_EQ(words(L"x check \"say \\\"hi\\\".syx\" C:\\dir\\\\file.syx"),
              juce::StringArray({ "check", "say \"hi\".syx", "C:\\dir\\\\file.syx" }));

    // Every script arrives whole (the C runtime's argv would lose what the ANSI code page
    // cannot hold), and "" is an empty argument, refused as a file name.
    const auto nonLatin = words(L"x check \"P\u00e9dale \u041f\u0435\u0434\u0430\u043b\u044c \u2603.syx\"");
    EXPECT_EQ(nonLatin[1],
              juce::String(juce::CharPointer_UTF8("P\xc3\xa9"
                                                  "dale \xd0\x9f\xd0\xb5\xd0\xb4\xd0\xb0\xd0\xbb\xd1\x8c "
                                                  "\xe2\x98\x83.syx")));
    EXPECT_EQ(CliArguments::read(CliArguments::fromWindowsCommandLine(L"x check \"\""), false).problem,
              "an empty file name");
}
#endif

// The help states the system's facts from the code that acts on them.
TEST(CliTexts, TheHelpTakesTheSystemsFactsFromTheCode)
{
    for (const auto signalNumber : QuitSignals::stopSignals())
    {
        const auto code = juce::String(CliCommands::stoppedBySignal + signalNumber);
        EXPECT_TRUE(CliTexts::mainHelp.contains(code)) << code;
        EXPECT_TRUE(CliTexts::sendHelp.contains(code + " stopped by " + QuitSignals::nameOf(signalNumber))
                    || CliTexts::sendHelp.contains(code + " by " + QuitSignals::nameOf(signalNumber)))
            << code;
    }

    EXPECT_TRUE(CliTexts::sendHelp.contains(Places::logFolderShown()));
    EXPECT_TRUE(CliTexts::checkHelp.contains(juce::String((juce::int64)systemMidiLargestSysex) + " bytes ("));
    EXPECT_FALSE(CliTexts::sendHelp.contains("{"));
}
