// flashmere-cli: the window's firmware update, from a terminal or a script.
//
// It uses the same firmware, MIDI and upload code as the window: the same framing check,
// the same port handling and the same protocol object with the pedal's pacing.

#include "BuildInfo.h"
#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/CliOutput.h"
#include "cli/CliReport.h"
#include "cli/CliTexts.h"
#include "firmware/FirmwareImage.h"
#include "platform/ProcessStart.h"
#include "platform/QuitSignals.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <juce_events/juce_events.h>
#include <new>

namespace
{
// Before any thread exists, so that every thread inherits it: no stop signal ever cuts
// a pause of the upload short.
[[maybe_unused]] const bool stopSignalsKept = (QuitSignals::keepFromEveryThread(), true);

/** Ends the command with a usage error: the problem, then the command's help, on
    standard error. */
void usage(const juce::String& problem, const juce::String& help)
{
    juce::ConsoleApplication::fail("flashmere-cli: " + problem + "\n" + help.trimEnd(),
                                   CliCommands::usageError);
}

/** What runs when the first argument names no command. "-h" is matched here rather than
    as a command's option: JUCE takes a short option to match any cluster holding its
    letter ("-help", "-xh"). */
void noKnownCommand(const juce::ArgumentList& args)
{
    if (args.size() > 0 && args[0].text == "-h")
        std::fputs(CliTexts::mainHelp.toRawUTF8(), stdout);
    else
        usage(args.size() == 0 ? juce::String("a command is needed")
                               : "unknown command " + args[0].text.quoted(),
              CliTexts::mainHelp);
}

/** The same for a command that was read: with --json, standard output gets the error as
    its JSON document first. */
void usage(const CliArguments& arguments, const char* name, const juce::String& problem,
           const juce::String& help)
{
    CliReport report(name, arguments.json);
    report.setError("usage", problem);
    report.finish(CliCommands::usageError);
    usage(problem, help);
}

using Action = std::function<int(const CliArguments&, const juce::String& help)>;

/** A command of the program: its name first on the command line, its help with --help,
    and its action once its arguments are read and right. */
juce::ConsoleApplication::Command command(const char* name, const juce::String& help, bool takesPort,
                                          Action action, int& exitCode, bool takesAnyProduct = false,
                                          bool takesJson = false, int extras = 0)
{
    return { name,
             name,
             {},
             help,
             [=, &exitCode](const juce::ArgumentList& args)
             {
                 const auto arguments
                     = CliArguments::read(args, takesPort, takesAnyProduct, takesJson, extras);

                 if (arguments.wantsHelp)
                     std::fputs(help.toRawUTF8(), stdout);
                 else if (arguments.problem.isNotEmpty())
                     usage(arguments, name, arguments.problem, help);
                 else
                     exitCode = action(arguments, help);
             } };
}

int run(const juce::ArgumentList& args)
{
    int exitCode = CliCommands::success;
    juce::ConsoleApplication app;

    const FirmwareImage builtIn;
    app.addVersionCommand("--version", juce::String("flashmere-cli ") + BuildInfo::version
                                           + " (built-in firmware: " + BuildInfo::firmwareProduct + " "
                                           + builtIn.getVersionText() + ")");
    app.addCommand({ "--help|help", "--help", {}, CliTexts::mainHelp, [](const juce::ArgumentList&) {
                        std::fputs(CliTexts::mainHelp.toRawUTF8(), stdout);
                    } });

    app.addCommand(command(
        "list", CliTexts::listHelp, false,
        [](const CliArguments& arguments, const juce::String& help)
        {
            if (! arguments.files.isEmpty())
                usage(arguments, "list", "list takes no arguments", help);
            return CliCommands::list(arguments.json, arguments.inputs);
        },
        exitCode, false, true, CliArguments::inputsOption));

    app.addCommand(command(
        "check", CliTexts::checkHelp, false,
        [](const CliArguments& arguments, const juce::String& help)
        {
            if (arguments.files.size() > 1)
                usage(arguments, "check", "check takes at most one file", help);
            return CliCommands::check(arguments.files[0], arguments.anyProduct, arguments.json);
        },
        exitCode, true, true));

    app.addCommand(command(
        "export", CliTexts::exportHelp, false,
        [](const CliArguments& arguments, const juce::String& help)
        {
            if (arguments.files.size() != 1)
                usage(arguments, "export", "export takes one file name", help);
            return CliCommands::exportImage(arguments.files[0]);
        },
        exitCode));

    app.addCommand(command(
        "send", CliTexts::sendHelp, true,
        [](const CliArguments& arguments, const juce::String& help)
        {
            if (! arguments.hasPort)
                usage(arguments, "send", "send needs --port NAME or --port NUMBER", help);
            if (arguments.files.size() > 1)
                usage(arguments, "send", "unexpected argument " + arguments.files[1].quoted(), help);
            return CliCommands::send(arguments);
        },
        exitCode, true, true, CliArguments::pauseOption));

    app.addCommand(command(
        "loopback", CliTexts::loopbackHelp, true,
        [](const CliArguments& arguments, const juce::String& help)
        {
            if (! arguments.hasPort || ! arguments.hasInput)
                usage(arguments, "loopback", "loopback needs --port OUT and --input IN", help);
            if (! arguments.files.isEmpty())
                usage(arguments, "loopback", "unexpected argument " + arguments.files[0].quoted(), help);
            return CliCommands::loopback(arguments);
        },
        exitCode, false, true, CliArguments::loopbackOptions));

    app.addDefaultCommand({ {}, {}, {}, {}, noKnownCommand });

    const auto failed = app.findAndRunCommand(args, true);
    return failed != 0 ? failed : exitCode;
}
} // namespace

int main(int argc, char* argv[])
{
    const auto args = ProcessStart::arguments(argc, argv);
    const juce::ScopedJuceInitialiser_GUI juce;
    int exitCode = CliCommands::failure;

    try
    {
        exitCode = run(args);
    }
    catch (const std::bad_alloc&)
    {
        CliOutput::message("there is not enough memory");
    }

    return CliOutput::finish(exitCode);
}
