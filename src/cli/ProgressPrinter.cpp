#include "cli/ProgressPrinter.h"

#include <cstdio>
#include <unistd.h>

ProgressPrinter::ProgressPrinter(BasicSysexProtocolClass& p, HeadlessInterface& i, const ImageSummary& s)
    : protocol(p)
    , device(i)
    , summary(s)
    , onTerminal(::isatty(STDERR_FILENO) != 0)
{
    protocol.addChangeListener(this);
}

ProgressPrinter::~ProgressPrinter()
{
    protocol.removeChangeListener(this);
}

void ProgressPrinter::show()
{
    const auto progress = protocol.getProgress();
    const auto sent = device.getMessagesSent();
    const auto total = (int)summary.framing.messages.size();

    if (onTerminal)
    {
        constexpr int width = 30;
        const auto filled = juce::jlimit(0, width, juce::roundToInt(progress * width));
        const auto left = summary.secondsFrom((size_t)sent);
        std::fprintf(stderr, "\r[%s%s] %d/%d messages %3d%%  %d:%02d left ",
                     juce::String::repeatedString("#", filled).toRawUTF8(),
                     juce::String::repeatedString(".", width - filled).toRawUTF8(), sent, total,
                     juce::roundToInt(progress * 100.0), (int)left / 60, (int)left % 60);
        std::fflush(stderr);
        barShown = true;
    }
    else
    {
        const auto tenth = (int)(progress * 10.0 + 1.0e-9);

        if (tenth > lastTenth)
        {
            lastTenth = tenth;
            std::fprintf(stderr, "%d%% (%d of %d messages)\n", tenth * 10, sent, total);
            std::fflush(stderr);
        }
    }
}

void ProgressPrinter::finish()
{
    if (barShown)
        std::fprintf(stderr, "\n");
}
