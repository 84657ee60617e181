#include "platform/ProcessStart.h"

#include <windows.h>

#include <shellapi.h>

juce::ArgumentList ProcessStart::arguments(int, const char* const[])
{
    return splitWindowsCommandLine(::GetCommandLineW());
}

juce::ArgumentList ProcessStart::splitWindowsCommandLine(const wchar_t* commandLine)
{
    int argc = 0;
    auto* argv = ::CommandLineToArgvW(commandLine, &argc);
    juce::ArgumentList list(argc > 0 ? juce::String(argv[0]) : juce::String(), juce::StringArray());

    for (int i = 1; i < argc; ++i)
        list.arguments.add({ juce::String(argv[i]) });

    ::LocalFree(argv);
    return list;
}
