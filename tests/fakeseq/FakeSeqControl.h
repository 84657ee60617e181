#pragma once

// Control of the stand-in ALSA sequencer that test executables link instead of the
// kernel's (the machines that run the tests have no /dev/snd/seq).
//
// The stand-in offers fake MIDI interfaces: each is one sequencer client with one
// destination port, listed by JUCE as a MIDI output under the given name (identifier
// "client-port"). Everything JUCE sends to such a port is recorded. Ports are addressed
// by name; when several ports share a name, the one added last is meant.
//
// Every function may be called from any thread. Calling any of the setters (or reset)
// before the first snd_seq_open() means the FAKESEQ_* environment variables are ignored.
//
// The real program is configured through the environment instead, read at its first
// snd_seq_open():
//   FAKESEQ_PORTS="A;B"         the ports plugged in at start
//   FAKESEQ_FAIL_OPEN="A"       as fakeseq_set_open_fails(A, 1)
//   FAKESEQ_UNPLUG_AFTER="A:5"  as fakeseq_unplug_after(A, 5)
//   FAKESEQ_BAUD=31250          as fakeseq_set_baud(31250)
//   FAKESEQ_LOG=file            every delivered message is appended to the file, one a
//                               line: "<sendStart> <wireEnd> <port>\t<hex bytes>"
//   FAKESEQ_END_LOG=file        the moment the program ends (on the same clock as the
//                               log's) is appended to the file, on a line of its own
//   FAKESEQ_PLUG_AT="A:2.5;B:4" port A is plugged in 2.5 s after that first use, B after
//                               4 s (plugged back in if it had been unplugged)
//   FAKESEQ_UNPLUG_AT="A:1"     port A is unplugged 1 s after that first use; with the
//                               above, "A" is unplugged at 1 s and back at 2.5 s
//   FAKESEQ_WRITERS="A:Clock Box;A:Keys:3"
//                               as fakeseq_connect_other(A, "Clock Box", 1, 0) and
//                               fakeseq_connect_other(A, "Keys", 1, 3)
//   FAKESEQ_READERS="A:Recorder" as fakeseq_connect_other(A, "Recorder", 0, 0)
//   FAKESEQ_REFUSE_PORT_LOCKS=1 as fakeseq_refuse_port_locks(1)
//   FAKESEQ_LOCK_SCOPE=text     Flashmere's per-port update locks meet those of processes
//                               with the same text only (read at every lock; unset: all)
//   FAKESEQ_LOOPBACK="L"        as fakeseq_add_loopback_port(L), after FAKESEQ_PORTS
//   FAKESEQ_LOOP_FAULT="drop:2" as fakeseq_set_loop_faults("drop:2")
//   FAKESEQ_CONTROL=file        lines a test appends to the file while the program runs,
//                               "plug NAME" or "unplug NAME", act at the stand-in's next
//                               use (the program's next listing, opening or send)
// A port plugged (back) in at a chosen moment is a new sequencer client, as a device that
// the system finds again is: JUCE lists it under a new identifier. The functions below
// then read the new one; what the old one received is in the log.

#ifdef __cplusplus
extern "C"
{
#endif

    /** Forgets all ports, connections, recorded messages and settings. Sequencer
        clients still open (JUCE's) stay valid, but lose their connections. */
    void fakeseq_reset(void);

    /** Adds a fake interface whose destination port JUCE lists with exactly this name. */
    void fakeseq_add_output_port(const char* name);

    /** Adds a fake interface whose MIDI Out is cabled to its own MIDI In: JUCE lists it as
        an output and as an input under this name. What is sent to it comes back to every
        input opened on it once its bytes would have crossed a 31250 baud cable (10 bits a
        byte), as the kernel's sequencer hands them over: a SysEx in events of at most 256
        bytes, each due once its last byte has come in. */
    void fakeseq_add_loopback_port(const char* name);

    /** Faults of every looped interface's way back, for messages counted from 1 since the
        port was added; ';'-separated, replacing any set before:
          "drop:N"            message N never comes back
          "flip:N:K[:MASK]"   its byte K (from 1, the F0 is byte 1) comes back XORed with
                              MASK (1 by default; 128 makes a data byte a status byte)
          "cut:N:L"           only its first L bytes come back, without the F7
          "delay:N:MS"        it comes back MS later, and so does everything after it
          "bunch:N"           it is held back and comes right before message N+1, with no
                              silence between them */
    void fakeseq_set_loop_faults(const char* faults);

    /** While fails is non-zero, opening a device of that name fails: creating the local
        port that JUCE names after the device is refused, so MidiOutput::openDevice()
        returns null. */
    void fakeseq_set_open_fails(const char* name, int fails);

    /** The port is unplugged once that many more events have been delivered to it (at
        once for 0): later sends to it fail and deliver nothing, and it is no longer listed. */
    void fakeseq_unplug_after(const char* name, int events);

    /** Unplugs the port at once. */
    void fakeseq_unplug(const char* name);

    /** The port goes away in the moment the event with this index (from 0, counting the
        events delivered to it) is sent: that event is lost, and the send reports an error
        that JUCE drops. -1 turns it off. */
    void fakeseq_unplug_at_event(const char* name, int event);

    /** While busy is non-zero, another program holds the port: connecting to it is
        refused with EBUSY (JUCE still hands back an output, whose sends go nowhere). */
    void fakeseq_set_busy(const char* name, int busy);

    /** Cuts every connection to the port, as another program can. */
    void fakeseq_disconnect(const char* name);

    /** Connects another program's port (a client of that name, as the kernel lists it, owned
        by another process) to the port: a writer (writes non-zero) sends to it, a reader
        takes what arrives on its MIDI In. It appears once that many more events have been
        sent to the port, at once for 0. */
    void fakeseq_connect_other(const char* name, const char* program, int writes, int afterEvents);
    /** Cuts that program's connections to the port. */
    void fakeseq_disconnect_other(const char* name, const char* program);
    /** Every question about the system's clients and ports (listing, port and client
        information, connections) takes a time between 0 and this many milliseconds, as on
        a loaded machine; the times follow a fixed pseudo-random sequence. 0 turns it off. */
    void fakeseq_set_query_delay_ms(int milliseconds);
    /** Plugs in a port of that name now, unless one is plugged in already: one that was
        unplugged comes back as a new client (a new identifier), one never seen is added. */
    void fakeseq_plug(const char* name);

    /** After that many seconds, plugs in (plugIn non-zero, as fakeseq_plug) or unplugs
        (as fakeseq_unplug) the port of that name. */
    void fakeseq_change_after(const char* name, int plugIn, double seconds);

    /** 0 (the default): sends return at once, as ALSA's non-blocking sequencer does.
        Otherwise every send blocks for the wire time of its bytes at this baud rate (10
        bits per byte), as a blocking driver of a MIDI cable would. */
    void fakeseq_set_baud(int baud);

    /** Number of whole messages delivered to the port so far, or -1 for an unknown name. */
    int fakeseq_message_count(const char* name);

    /** Copies at most destCapacity bytes of message index into dest and returns its full
        length, or -1 if there is no such message. sendStartSeconds receives the
        CLOCK_MONOTONIC time at which the send that completed the message began;
        wireEndSeconds the time at which its last byte would have left a 31250 baud cable
        (whether or not the baud rate is emulated). Either pointer may be null. */
    int fakeseq_get_message(const char* name, int index, unsigned char* dest, int destCapacity,
                            double* sendStartSeconds, double* wireEndSeconds);

    /** Number of sequencer events delivered to the port, or -1 for an unknown name. */
    int fakeseq_event_count(const char* name);

    /** 1 while some client's port is connected to the port (the device is open), else 0.
        A connection outlives the port's unplugging until its owner closes the device. */
    int fakeseq_is_connected(const char* name);

    /** Number of sends to the port that failed because it was unplugged, or -1 for an
        unknown name. */
    int fakeseq_send_failures(const char* name);

    /** Number of sequencer clients opened since the last fakeseq_reset: each one comes
        and goes in every other program's view of the system. */
    int fakeseq_clients_opened(void);

    /** While refuse is non-zero, the system refuses Flashmere's per-port update locks
        (binding their sockets fails with EPERM), as a sandbox may. */
    void fakeseq_refuse_port_locks(int refuse);

#ifdef __cplusplus
}
#endif
