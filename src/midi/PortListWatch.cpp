#include "midi/PortListWatch.h"

#include <juce_core/juce_core.h> // for JUCE_LINUX, JUCE_WINDOWS

// Windows's device-change window (WM_DEVICECHANGE) comes with juce_events only when asked
// for, and needs the system's declarations first: wide ones, as JUCE's own.
#if JUCE_WINDOWS
#ifndef UNICODE
#define UNICODE 1
#endif
#include <windows.h>
#endif
#define JUCE_EVENTS_INCLUDE_WIN32_MESSAGE_WINDOW 1
#include <juce_events/juce_events.h>

#if JUCE_LINUX
#include <alsa/asoundlib.h>

struct PortListWatch::Sequencer
{
    snd_seq_t* handle = nullptr;

    ~Sequencer()
    {
        if (handle != nullptr)
            snd_seq_close(handle);
    }

    // Every client and port but this watch's own client, with what JUCE reads of them.
    std::string look() const
    {
        std::string seen;
        const auto self = snd_seq_client_id(handle);

        snd_seq_client_info_t* client = nullptr;
        snd_seq_client_info_alloca(&client);
        snd_seq_port_info_t* port = nullptr;
        snd_seq_port_info_alloca(&port);

        snd_seq_client_info_set_client(client, -1);

        while (snd_seq_query_next_client(handle, client) >= 0)
        {
            const auto id = snd_seq_client_info_get_client(client);

            if (id == self)
                continue;

            seen += std::to_string(id) + ' ' + snd_seq_client_info_get_name(client) + '\n';
            snd_seq_port_info_set_client(port, id);
            snd_seq_port_info_set_port(port, -1);

            while (snd_seq_query_next_port(handle, port) >= 0)
                seen += ' ' + std::to_string(snd_seq_port_info_get_port(port)) + ' '
                        + std::to_string(snd_seq_port_info_get_capability(port)) + ' '
                        + snd_seq_port_info_get_name(port) + '\n';
        }

        return seen;
    }
};
#else
struct PortListWatch::Sequencer
{
};
#endif

#if JUCE_WINDOWS
struct PortListWatch::DeviceChangeListener final : juce::DeviceChangeDetector
{
    explicit DeviceChangeListener(PortListWatch& w)
        : juce::DeviceChangeDetector(L"Flashmere MIDI ports")
        , watch(w)
    {
    }

    void systemDeviceChanged() override
    {
        if (watch.onSystemChange)
            watch.onSystemChange();
    }

    PortListWatch& watch;
};
#else
struct PortListWatch::DeviceChangeListener
{
};
#endif

PortListWatch::PortListWatch()
{
#if JUCE_WINDOWS
    deviceChanges = std::make_unique<DeviceChangeListener>(*this);
#endif

#if JUCE_LINUX
    auto seq = std::make_unique<Sequencer>();

    if (snd_seq_open(&seq->handle, "default", SND_SEQ_OPEN_OUTPUT, 0) >= 0)
    {
        snd_seq_set_client_name(seq->handle, "Flashmere port watch");
        sequencer = std::move(seq);
    }
    else
    {
        seq->handle = nullptr;
    }
#endif
}

PortListWatch::~PortListWatch() = default;

bool PortListWatch::mayHaveChanged()
{
#if JUCE_LINUX
    if (sequencer != nullptr)
    {
        auto now = sequencer->look();
        const auto changed = ! looked || now != lastLook;
        lastLook = std::move(now);
        looked = true;
        return changed;
    }
#endif

    return true;
}
