#pragma once

#include <functional>
#include <memory>
#include <string>

/** Tells, cheaply, whether the system's MIDI ports may have changed since it last looked.

    JUCE reads the list of ports through a sequencer client that lives only while one of
    its devices is open: with nothing open, every reading opens a client and closes it
    again, and every other MIDI program sees a client come and go each time. This keeps
    one client of its own for as long as it lives and asks through it, so that the list
    is read through JUCE only when something changed. Where there is no sequencer to ask
    it always answers yes. Message thread. */
class PortListWatch
{
public:
    PortListWatch();
    ~PortListWatch();

    /** True at the first call, and whenever a client or port has come, gone or changed
        its name or abilities since the last call. */
    bool mayHaveChanged();

    /** Called on the message thread when the system says its devices changed, so that the
        list is read again at once rather than at the next look; only where the system
        says so (Windows). */
    std::function<void()> onSystemChange;

private:
    struct Sequencer;
    struct DeviceChangeListener;
    std::unique_ptr<Sequencer> sequencer;
    std::unique_ptr<DeviceChangeListener> deviceChanges;
    std::string lastLook;
    bool looked = false;
};
