#pragma once

/** How an upload paces the pedal: after every message, 300 ms of silence on the MIDI
    cable before the next one.

    The silence is counted from the moment the message's last byte has left a MIDI 1.0 DIN
    cable at 31250 baud, not from the return of the send call. A driver may return as soon
    as it has queued the message (ALSA does), or only once the bytes have left the cable
    (a blocking driver). A single send cannot tell the two apart: a queueing send that was
    slow to reach its driver looks just like a blocking one. So the send time is taken as
    wire time only once a long message has shown the driver waiting for the cable; until
    then every pause adds the whole wire time, which can be too long but never too short.
    Tests put a pacing of their own in place to see the pauses asked for without waiting
    them out.

    Only a send time that is consistent with the message's wire time (at least the wire
    time, and not much more) ever tells of a driver that waits for the cable, or shortens a
    pause: a send slowed by anything else (a busy machine, a slow driver) proves nothing
    about when the bytes left the cable, nor that the driver has stopped waiting: what
    earlier sends showed stands. */
class UploadPacing
{
public:
    virtual ~UploadPacing();

    /** Silence the pedal needs after each message, in milliseconds. */
    static constexpr int silenceMs = 300;

    /** A longer silence after each message, for an interface that needs one; never less
        than silenceMs. */
    void setSilenceMs(int milliseconds);

    /** Time one byte takes on the cable: 10 bits at 31250 baud. */
    static constexpr double wireMsPerByte = 0.32;

    /** The shortest message whose send time tells how the driver behaves: 20 ms on the
        wire, far longer than a send that queues takes even on a busy machine. */
    static constexpr int telltaleBytes = 64;

    /** How much longer than its wire time a send that waited for the cable may take:
        the driver's own overhead and a scheduling delay. */
    static constexpr double waitingSlackFactor = 1.25;
    static constexpr double waitingSlackMs = 5.0;

    /** Whether a send of numBytes that took sendMs looks like a driver that waited for
        the bytes to leave the cable. */
    static bool lastedTheWireTime(int numBytes, double sendMs);

    /** Forgets how the driver behaved: the start of each pass. */
    void startPass();

    /** The pause after a message of numBytes whose send call took sendMs: the silence,
        plus whatever part of the message's wire time the driver is not known to have
        waited for; rounded up to whole milliseconds, so it is never short. What this
        send shows of the driver counts from the next message on. */
    int pauseAfter(int numBytes, double sendMs);

    /** Waits until the given time has passed, however often the thread is woken early.
        It is not cut short by a stop request: a stop takes effect once the pedal has had
        its pause. Called on the protocol thread. */
    virtual void pause(int milliseconds);

private:
    bool driverWaitsForTheCable = false;
    int silenceAfterMs = silenceMs;
};
