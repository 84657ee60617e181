#pragma once

/** How an upload paces the pedal: after every message, 300 ms of silence on the MIDI
    cable before the next one.

    A driver may return from a send as soon as it has queued the message (ALSA does), so
    the pause is counted from the moment the message's last byte has left a MIDI 1.0 DIN
    cable at 31250 baud, not from the return of the send call. Tests put a pacing of their
    own in place to see the pauses asked for without waiting them out. */
class UploadPacing
{
public:
    virtual ~UploadPacing();

    /** Silence the pedal needs after each message, in milliseconds. */
    static constexpr int silenceMs = 300;

    /** Time one byte takes on the cable: 10 bits at 31250 baud. */
    static constexpr double wireMsPerByte = 0.32;

    /** The pause after a message of numBytes whose send call took sendMs: the silence,
        plus whatever part of the message's wire time the send call did not already wait
        for; rounded up to whole milliseconds, so it is never short. */
    static int pauseAfter(int numBytes, double sendMs);

    /** Waits for the given time. It is not cut short by a stop request: a stop takes
        effect once the pedal has had its pause. Called on the protocol thread. */
    virtual void pause(int milliseconds);
};
