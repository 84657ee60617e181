#include "midi/WinMidiOutput.h"

#include "midi/SendResult.h"

#include <cmath>
#include <cstddef>

namespace
{
constexpr auto headerSize = (std::uint32_t)sizeof(winmidi::Header);
constexpr juce::uint8 sysexStart = 0xF0;
} // namespace

WinMidiOutput::WinMidiOutput(const winmidi::Api& apiToUse, std::uint32_t deviceId)
    : api(apiToUse)
{
    event = api.createEvent();

    if (event == nullptr)
        return;

    // As JUCE does: a device another output of this process is closing may be held for
    // a moment yet.
    for (int attempt = 1;; ++attempt)
    {
        openResult = api.open(&handle, deviceId, (std::uintptr_t)event, 0, winmidi::callbackEvent);

        if (openResult != winmidi::allocated || attempt == 4)
            break;

        juce::Thread::sleep(100);
    }

    if (openResult != winmidi::noError)
        handle = nullptr;
}

WinMidiOutput::~WinMidiOutput()
{
    if (handle != nullptr)
    {
        if (headerStuck && api.reset(handle) == winmidi::noError
            && api.unprepareHeader(handle, &pending->header, headerSize) == winmidi::noError)
            headerStuck = false;

        api.close(handle);
    }

    // A driver that never let go of the buffer may still write to it: it outlives us.
    if (headerStuck)
        static_cast<void>(pending.release());

    if (event != nullptr)
        api.closeEvent(event);
}

int WinMidiOutput::waitLimitMs(int numBytes)
{
    // 10 bits a byte at 31250 baud: 0.32 ms.
    return (int)std::ceil(2.0 * numBytes * 0.32) + 1000;
}

int WinMidiOutput::send(const juce::uint8* data, int numBytes)
{
    if (data == nullptr || numBytes <= 0)
        return midisend::nothingToSend;

    if (handle == nullptr)
        return midisend::noOutputOpen;

    problem.clear();

    if (headerStuck)
    {
        problem = "The MIDI driver still holds an earlier message.";
        return midisend::sendFailed;
    }

    return numBytes > 3 || data[0] == sysexStart ? sendLong(data, numBytes) : sendShort(data, numBytes);
}

int WinMidiOutput::sendShort(const juce::uint8* data, int numBytes)
{
    std::uint32_t packed = 0;

    for (int i = 0; i < numBytes; ++i)
        packed |= (std::uint32_t)data[i] << (8 * i);

    const auto result = api.shortMessage(handle, packed);
    return result == winmidi::noError ? midisend::sent : fail(result, "midiOutShortMsg");
}

int WinMidiOutput::sendLong(const juce::uint8* data, int numBytes)
{
    auto& header = pending->header;
    pending->bytes.assign(data, data + numBytes);
    header = {};
    header.data = pending->bytes.data();
    header.bufferLength = header.bytesRecorded = (std::uint32_t)numBytes;

    if (const auto result = api.prepareHeader(handle, &header, headerSize); result != winmidi::noError)
        return fail(result, "midiOutPrepareHeader");

    if (const auto result = api.longMessage(handle, &header, headerSize); result != winmidi::noError)
    {
        unprepare();
        return fail(result, "midiOutLongMsg");
    }

    const auto limitMs = waitLimitMs(numBytes);
    const auto waited = awaitDone(limitMs);

    // Whatever the driver still holds is taken back before the buffer is let go.
    if (waited != Waited::done)
        api.reset(handle);

    if (const auto result = unprepare(); result != winmidi::noError)
        return fail(result, "midiOutUnprepareHeader");

    if (waited == Waited::done)
        return midisend::sent;

    if (waited == Waited::timedOut)
        problem = "The MIDI driver did not finish sending a message of " + juce::String(numBytes)
                  + " bytes within " + juce::String(limitMs) + " ms; the output was reset.";
    else if (waited == Waited::stopped)
        problem = "The send was stopped before the MIDI driver finished it; the output was reset.";
    else
        problem = "Waiting for the MIDI driver failed; the output was reset.";

    return midisend::sendFailed;
}

WinMidiOutput::Waited WinMidiOutput::awaitDone(int limitMs)
{
    // The driver sets the flag from its own thread, then signals the event. (The field is
    // aligned, but a packed struct's field binds to no reference.)
    const auto* const flags = reinterpret_cast<const volatile std::uint32_t*>(
        reinterpret_cast<const char*>(&pending->header) + offsetof(winmidi::Header, flags));
    const auto start = juce::Time::getMillisecondCounterHiRes();

    for (;;)
    {
        if ((*flags & winmidi::headerDone) != 0)
            return Waited::done;

        if (juce::Thread::currentThreadShouldExit())
            return Waited::stopped;

        const auto leftMs = limitMs - (juce::Time::getMillisecondCounterHiRes() - start);

        if (leftMs <= 0)
            return Waited::timedOut;

        const auto sliceMs = (std::uint32_t)std::ceil(juce::jmin((double)waitSliceMs, leftMs));
        const auto woke = api.waitForEvent(event, sliceMs);

        if (woke != winmidi::waitSignalled && woke != winmidi::waitTimedOut)
            return Waited::failed;
    }
}

winmidi::Result WinMidiOutput::unprepare()
{
    auto result = api.unprepareHeader(handle, &pending->header, headerSize);

    // Still queued: reset hands every buffer back, once more if the first did not.
    for (int attempt = 0; attempt < 2 && result == winmidi::stillPlaying; ++attempt)
    {
        api.reset(handle);
        result = api.unprepareHeader(handle, &pending->header, headerSize);
    }

    headerStuck = result == winmidi::stillPlaying;
    return result;
}

int WinMidiOutput::fail(winmidi::Result result, const char* call)
{
    problem = api.errorText(result).trim() + " (" + call + ", WinMM error " + juce::String(result) + ")";
    return result == winmidi::noDriver || result == winmidi::noDevice ? midisend::outputGone
                                                                      : midisend::sendFailed;
}
