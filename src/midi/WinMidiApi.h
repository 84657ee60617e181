#pragma once

#include <cstdint>
#include <juce_core/juce_core.h>

/** The few WinMM calls and types the Windows MIDI output uses, declared here so that its
    logic builds and is tested on any system against a table of stand-ins. The values are
    mmsystem.h's; the real table is made on Windows only (WinMidiApiWindows.cpp). */
namespace winmidi
{
using Result = std::uint32_t; // MMRESULT

constexpr Result noError = 0; // MMSYSERR_NOERROR
constexpr Result error = 1; // MMSYSERR_ERROR
constexpr Result allocated = 4; // MMSYSERR_ALLOCATED: another program holds the device
constexpr Result invalidHandle = 5; // MMSYSERR_INVALHANDLE
constexpr Result noDriver = 6; // MMSYSERR_NODRIVER: the device was removed
constexpr Result stillPlaying = 65; // MIDIERR_STILLPLAYING
constexpr Result notReady = 67; // MIDIERR_NOTREADY
constexpr Result noDevice = 68; // MIDIERR_NODEVICE

constexpr std::uint32_t headerDone = 1; // MHDR_DONE
constexpr std::uint32_t callbackEvent = 0x00050000; // CALLBACK_EVENT

constexpr std::uint32_t waitSignalled = 0; // WAIT_OBJECT_0
constexpr std::uint32_t waitTimedOut = 0x102; // WAIT_TIMEOUT

/** MIDIHDR, field for field and packed as mmsystem.h packs it (the Windows table checks
    the layout). */
#pragma pack(push, 1)
struct Header
{
    char* data = nullptr;
    std::uint32_t bufferLength = 0;
    std::uint32_t bytesRecorded = 0;
    std::uintptr_t user = 0;
    std::uint32_t flags = 0;
    Header* next = nullptr;
    std::uintptr_t reserved = 0;
    std::uint32_t offset = 0;
    std::uintptr_t driverReserved[8] = {};
};
#pragma pack(pop)

using Handle = void*; // HMIDIOUT
using Event = void*; // HANDLE of an event

/** The calls, one pointer each, as WinMM and kernel32 have them. */
struct Api
{
    Result (*open)(Handle* handle, std::uint32_t deviceId, std::uintptr_t callback, std::uintptr_t instance,
                   std::uint32_t flags)
        = nullptr;
    Result (*prepareHeader)(Handle handle, Header* header, std::uint32_t size) = nullptr;
    Result (*longMessage)(Handle handle, Header* header, std::uint32_t size) = nullptr;
    Result (*unprepareHeader)(Handle handle, Header* header, std::uint32_t size) = nullptr;
    Result (*shortMessage)(Handle handle, std::uint32_t message) = nullptr;
    Result (*reset)(Handle handle) = nullptr;
    Result (*close)(Handle handle) = nullptr;
    juce::String (*errorText)(Result result) = nullptr; // midiOutGetErrorText

    Event (*createEvent)() = nullptr; // auto-reset, not signalled; null when it fails
    std::uint32_t (*waitForEvent)(Event event, std::uint32_t milliseconds) = nullptr;
    void (*closeEvent)(Event event) = nullptr;
};

/** The system's own calls; Windows only. */
const Api& systemApi();
} // namespace winmidi
