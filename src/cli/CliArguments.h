#pragma once

#include "platform/PathBytes.h"
#include "platform/ProcessStart.h"
#include "protocol/UploadPacing.h"

#include <juce_core/juce_core.h>

/** What follows a command's name on flashmere-cli's command line: options up to a "--",
    file names (operands) after them and wherever no option stands. */
struct CliArguments
{
    juce::StringArray files; // the operands, in order, exactly as typed
    juce::String port; // the value of --port NAME or --port=NAME
    bool hasPort = false;
    bool anyProduct = false; // --any-product: another product's firmware may be checked and sent
    juce::String logFile; // --log FILE: the update's log goes to that file
    bool noLog = false; // --no-log: no log of the update
    bool sharedOutput = false; // --shared-output: send although other programs write to the output
    bool json = false; // --json: the result as one JSON document
    bool wantsHelp = false; // --help or -h before any "--"
    juce::String input; // loopback: --input NAME
    bool hasInput = false;
    juce::String sizeFile; // loopback: --file FILE, the firmware that sizes the series
    bool full = false; // loopback: --full, a series as long as the whole image
    bool inputs = false; // list: --inputs, the MIDI input ports
    int pauseMs = UploadPacing::silenceMs; // send: --pause-ms N, the silence after each message

    /** Options that only some commands take, beside those read() is told of by its flags. */
    enum Extra
    {
        loopbackOptions = 1, // --input, --file and --full; no --log or --no-log
        inputsOption = 2, // --inputs
        pauseOption = 4 // --pause-ms
    };
    juce::String problem; // what is wrong with them, when anything is: a usage error

    /** Reads args[1] onwards (args[0] is the command); --port, --log, --no-log and
        --shared-output only
        when the command sends (takesPort), --any-product only when it judges an image,
        --json only where it is offered, and each once. An empty file name is a problem, not
        "no file". A --json before any "--" is noted even when another argument is wrong,
        so that the usage error, too, is told as JSON. */
    static CliArguments read(const juce::ArgumentList& args, bool takesPort, bool takesAnyProduct = false,
                             bool takesJson = false, int extras = 0);

    /** The command line as typed. JUCE's own ArgumentList constructors trim, unquote and
        drop empty arguments; a file name must arrive as it was given, and an empty one
        must be seen, to be refused. A file name need not be UTF-8: its other bytes are
        kept as PathBytes keeps them. */
    static juce::ArgumentList fromCommandLine(int argc, const char* const argv[])
    {
        return PathBytes::arguments(argc, argv);
    }

    /** The command line Windows hands over as one string (on Windows only). */
    static juce::ArgumentList fromWindowsCommandLine(const wchar_t* commandLine)
    {
        return ProcessStart::splitWindowsCommandLine(commandLine);
    }

    /** The value of the option at args[i]: after its "=", or the next argument (which i
        then moves to); empty when there is none. */
    static juce::String readValue(const juce::ArgumentList& args, int& i);

    /** The port number that text spells (1 to count), or 0 when it spells none: digits
        only, and never wrapped round, so that 4294967297 is no port rather than port 1. */
    static int portNumber(const juce::String& text, int count);
};
