#pragma once

#include "protocol/UploadOutcome.h"

#include <juce_core/juce_core.h>
#include <vector>

/** What one upload pass did, message by message, kept in memory while it runs.

    The protocol thread fills it in: it reserves room for every message before the first
    send, so that recording a message is a copy into memory that is already there, and
    never slows or shifts the pedal's pauses. It is read once the pass has ended. Times are
    milliseconds on JUCE's high-resolution counter, counted from the start of the pass. */
struct UploadRecord
{
    struct Message
    {
        int index = 0; // from 1
        int bytes = 0;
        double startMs = 0; // when the send began
        double sendMs = 0; // how long the driver call took
        int pauseMs = 0; // the pause asked for after it
        double gapMs = 0; // from the moment its last byte left the cable to the next send
                          // (after the last message: to the end of its pause)
    };

    /** Another program's port seen writing to the output during the pass. */
    struct Connection
    {
        double atMs = 0; // when a check found it
        juce::String writer; // OtherWriter::describe()
        bool accepted = false; // there at the start, and the user sent anyway
    };

    juce::Time startedAt; // the wall clock at the start of the pass
    juce::String port; // the output's name at the start of the pass
    double startCounterMs = 0;
    std::vector<Message> messages;
    std::vector<Connection> connections;
    int messagesDelivered = 0;
    UploadOutcome outcome;
    juce::String status;

    /** Forgets the last pass and notes the start of a new one. */
    void begin(const juce::String& portName)
    {
        port = portName;
        startedAt = juce::Time::getCurrentTime();
        startCounterMs = juce::Time::getMillisecondCounterHiRes();
        messages.clear();
        connections.clear();
        messagesDelivered = 0;
        outcome = {};
        status = {};
    }
};
