#include "cli/CliArguments.h"

#include "platform/PathBytes.h"

CliArguments CliArguments::read(const juce::ArgumentList& args, bool takesPort, bool takesAnyProduct,
                                bool takesJson, int extras)
{
    CliArguments result;
    bool optionsEnded = false;
    const auto loopback = (extras & loopbackOptions) != 0;
    bool hasFile = false, hasPauseMs = false;

    for (int i = 1; takesJson && i < args.size() && args[i].text != "--"; ++i)
        result.json = result.json || args[i].text == "--json";

    for (int i = 1; i < args.size() && result.problem.isEmpty(); ++i)
    {
        const auto arg = args[i];

        if (optionsEnded || ! arg.isOption() || arg.text == "-")
        {
            if (arg.text.isEmpty())
                result.problem = "an empty file name";
            else
                result.files.add(arg.text);
        }
        else if (arg.text == "--")
        {
            optionsEnded = true;
        }
        else if (arg.text == "--help" || arg.text == "-h")
        {
            result.wantsHelp = true;
        }
        else if (takesPort && arg.isLongOption("--port"))
        {
            const auto hasValue = arg.text.containsChar('=') || i + 1 < args.size();

            if (result.hasPort)
                result.problem = "only one --port can be given";
            else if (! hasValue)
                result.problem = "--port needs a port name or number";
            else
                result.port = arg.text.containsChar('=') ? arg.getLongOptionValue() : args[++i].text;

            result.hasPort = true;
        }
        else if (takesJson && arg.text == "--json")
        {
            // Noted above.
        }
        else if (takesAnyProduct && arg.text == "--any-product")
        {
            result.anyProduct = true;
        }
        else if (takesPort && ! loopback && arg.text == "--shared-output")
        {
            result.sharedOutput = true;
        }
        else if (loopback && (arg.isLongOption("--input") || arg.isLongOption("--file")))
        {
            const auto isInput = arg.isLongOption("--input");
            auto& given = isInput ? result.hasInput : hasFile;
            const auto value = readValue(args, i);

            if (given)
                result.problem
                    = "only one " + arg.text.upToFirstOccurrenceOf("=", false, false) + " can be given";
            else if (value.isEmpty())
                result.problem = isInput ? "--input needs a port name or number" : "--file needs a file name";
            else
                (isInput ? result.input : result.sizeFile) = value;

            given = true;
        }
        else if (loopback && arg.text == "--full")
        {
            result.full = true;
        }
        else if ((extras & inputsOption) != 0 && arg.text == "--inputs")
        {
            result.inputs = true;
        }
        else if ((extras & pauseOption) != 0 && arg.isLongOption("--pause-ms") && ! hasPauseMs)
        {
            // Never shorter than the pedal's own pause; an hour at most, so the sum stays sane.
            const auto value = readValue(args, i);
            const auto number = portNumber(value, 3600 * 1000);
            hasPauseMs = true;

            if (number < UploadPacing::silenceMs)
                result.problem = "--pause-ms needs a whole number of milliseconds, "
                                 + juce::String(UploadPacing::silenceMs) + " or more";
            else
                result.pauseMs = number;
        }
        else if (takesPort && ! loopback && arg.text == "--no-log" && result.logFile.isEmpty())
        {
            result.noLog = true;
        }
        else if (takesPort && ! loopback && arg.isLongOption("--log") && ! result.noLog
                 && result.logFile.isEmpty())
        {
            const auto value = arg.text.containsChar('=')
                                   ? arg.getLongOptionValue()
                                   : (i + 1 < args.size() ? args[++i].text : juce::String());

            if (value.isEmpty())
                result.problem = "--log needs a file name";
            else
                result.logFile = value;
        }
        else
        {
            result.problem = "unexpected argument " + arg.text.quoted();
        }
    }

    return result;
}

juce::String CliArguments::readValue(const juce::ArgumentList& args, int& i)
{
    if (args[i].text.containsChar('='))
        return args[i].getLongOptionValue();

    return i + 1 < args.size() ? args[++i].text : juce::String();
}

int CliArguments::portNumber(const juce::String& text, int count)
{
    if (text.isEmpty() || ! text.containsOnly("0123456789"))
        return 0;

    juce::int64 number = 0;

    for (const auto c : text)
    {
        number = number * 10 + (c - '0');

        if (number > count)
            return 0;
    }

    return (int)number;
}
