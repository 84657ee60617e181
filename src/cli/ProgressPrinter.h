#pragma once

#include "cli/HeadlessInterface.h"
#include "cli/ImageSummary.h"
#include "protocol/BasicSysexProtocolClass.h"

#include <juce_events/juce_events.h>

/** Shows on standard error how far an upload has got: a bar on a terminal, a line per
    ten percent otherwise. A failed write of progress is not a failed update: it is
    ignored. */
class ProgressPrinter final : public juce::ChangeListener
{
public:
    ProgressPrinter(BasicSysexProtocolClass& protocol, HeadlessInterface& device,
                    const ImageSummary& summary);
    ~ProgressPrinter() override;

    void changeListenerCallback(juce::ChangeBroadcaster*) override { show(); }

    void show();

    /** Ends the bar's line, when a bar is shown. */
    void finish();

private:
    BasicSysexProtocolClass& protocol;
    HeadlessInterface& device;
    const ImageSummary& summary;
    const bool onTerminal;
    bool barShown = false;
    int lastTenth = 0;
};
