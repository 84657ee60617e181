#include "midi/OutputDriver.h"
#include "midi/WinMidiOutput.h"

#include <cstddef>
#include <windows.h>

#include <mmsystem.h>

static_assert(sizeof(winmidi::Header) == sizeof(MIDIHDR));
static_assert(offsetof(winmidi::Header, bytesRecorded) == offsetof(MIDIHDR, dwBytesRecorded));
static_assert(offsetof(winmidi::Header, flags) == offsetof(MIDIHDR, dwFlags));
static_assert(offsetof(winmidi::Header, offset) == offsetof(MIDIHDR, dwOffset));
static_assert(winmidi::allocated == MMSYSERR_ALLOCATED && winmidi::invalidHandle == MMSYSERR_INVALHANDLE);
static_assert(winmidi::noDriver == MMSYSERR_NODRIVER && winmidi::noDevice == MIDIERR_NODEVICE);
static_assert(winmidi::stillPlaying == MIDIERR_STILLPLAYING && winmidi::notReady == MIDIERR_NOTREADY);
static_assert(winmidi::headerDone == MHDR_DONE && winmidi::callbackEvent == CALLBACK_EVENT);
static_assert(winmidi::waitSignalled == WAIT_OBJECT_0 && winmidi::waitTimedOut == WAIT_TIMEOUT);

namespace
{
HMIDIOUT out(winmidi::Handle handle)
{
    return static_cast<HMIDIOUT>(handle);
}

LPMIDIHDR midiHeader(winmidi::Header* header)
{
    return reinterpret_cast<LPMIDIHDR>(header);
}

winmidi::Api makeSystemApi()
{
    winmidi::Api api;
    api.open = [](winmidi::Handle* handle, std::uint32_t id, std::uintptr_t callback, std::uintptr_t instance,
                  std::uint32_t flags) -> winmidi::Result
    {
        HMIDIOUT opened = nullptr;
        const auto result = midiOutOpen(&opened, id, callback, instance, flags);
        *handle = opened;
        return result;
    };
    api.prepareHeader = [](winmidi::Handle h, winmidi::Header* header, std::uint32_t size) -> winmidi::Result
    { return midiOutPrepareHeader(out(h), midiHeader(header), size); };
    api.longMessage = [](winmidi::Handle h, winmidi::Header* header, std::uint32_t size) -> winmidi::Result
    { return midiOutLongMsg(out(h), midiHeader(header), size); };
    api.unprepareHeader
        = [](winmidi::Handle h, winmidi::Header* header, std::uint32_t size) -> winmidi::Result
    { return midiOutUnprepareHeader(out(h), midiHeader(header), size); };
    api.shortMessage = [](winmidi::Handle h, std::uint32_t message) -> winmidi::Result
    { return midiOutShortMsg(out(h), message); };
    api.reset = [](winmidi::Handle h) -> winmidi::Result { return midiOutReset(out(h)); };
    api.close = [](winmidi::Handle h) -> winmidi::Result { return midiOutClose(out(h)); };
    api.errorText = [](winmidi::Result result)
    {
        WCHAR text[MAXERRORLENGTH] = {};

        if (midiOutGetErrorTextW(result, text, MAXERRORLENGTH) != MMSYSERR_NOERROR)
            return juce::String();

        return juce::String(text);
    };
    api.createEvent = []() -> winmidi::Event { return CreateEventW(nullptr, FALSE, FALSE, nullptr); };
    api.waitForEvent = [](winmidi::Event event, std::uint32_t ms) -> std::uint32_t
    { return WaitForSingleObject(event, ms); };
    api.closeEvent = [](winmidi::Event event) { CloseHandle(event); };
    return api;
}
} // namespace

const winmidi::Api& winmidi::systemApi()
{
    static const auto api = makeSystemApi();
    return api;
}

OutputDriver::Opened OutputDriver::open(const juce::MidiDeviceInfo& device)
{
    // WinMM knows a device by its place in its list, which JUCE reads in WinMM's order and
    // names by the driver's interface; the identifier finds the place, as in JUCE.
    const auto devices = juce::MidiOutput::getAvailableDevices();
    Opened opened;

    for (int i = 0; i < devices.size(); ++i)
    {
        if (devices.getReference(i).identifier != device.identifier)
            continue;

        auto output = std::make_unique<WinMidiOutput>(winmidi::systemApi(), (std::uint32_t)i);

        if (output->getOpenResult() == winmidi::noError)
            opened.driver = std::move(output);
        else
            opened.busy = output->getOpenResult() == winmidi::allocated;

        break;
    }

    return opened;
}
