#include "cli/CliArguments.h"

#include "platform/PathBytes.h"

CliArguments CliArguments::read(const juce::ArgumentList& args, bool takesPort, bool takesAnyProduct,
                                bool takesJson)
{
    CliArguments result;
    bool optionsEnded = false;

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
        else if (takesPort && arg.text == "--shared-output")
        {
            result.sharedOutput = true;
        }
        else if (takesPort && arg.text == "--no-log" && result.logFile.isEmpty())
        {
            result.noLog = true;
        }
        else if (takesPort && arg.isLongOption("--log") && ! result.noLog && result.logFile.isEmpty())
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
