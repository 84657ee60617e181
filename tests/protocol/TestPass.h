#pragma once

#include "FakeInterface.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "support/MessageLoop.h"

#include <memory>

/** A protocol over a fake interface, with the pauses recorded instead of waited. */
struct Pass
{
    explicit Pass(std::unique_ptr<FirmwareImage> imageToSend, int realPauseMs = 0)
        : image(std::move(imageToSend))
    {
        auto p = std::make_unique<RecordingPacing>(realPauseMs);
        pacing = p.get();
        protocol.setPacing(std::move(p));
    }

    /** Starts a pass and runs the message loop until the thread has ended and the last
        status has arrived. */
    bool runToEnd(int timeoutMs = 20000)
    {
        protocol.startUpdate();
        return testsupport::pumpUntil(
            [this]
            {
                const auto state = protocol.getOutcome().state;
                return ! protocol.isThreadRunning()
                       && (state == UploadOutcome::State::completed || state == UploadOutcome::State::failed)
                       && recorder.lastStatus() == protocol.getStatusText();
            },
            timeoutMs);
    }

    std::unique_ptr<FirmwareImage> image;
    FakeInterface device;
    BasicSysexProtocolClass protocol { &device, image.get() };
    ProgressRecorder recorder { protocol };
    RecordingPacing* pacing = nullptr;
};
