#pragma once

/** What a send through a MIDI output, or a check of it, reports. The values are those of
    the device interface's sendBytes: 0 means the message was handed to the output. */
namespace midisend
{
enum SendResult
{
    sent = 0, // handed to the open output (for a check: the output is fit to send)
    noOutputOpen = 1, // nothing was sent: no output is open
    outputGone = 2, // nothing was sent: the open output has left the system
    nothingToSend = 3, // nothing was sent: no bytes were given
    notConnected = 4, // the output is listed, but this program is not connected to it
    outputShared = 5, // for a check: another program, not accepted for this pass, writes to the output
    sendFailed = 6 // the driver refused the message or did not finish it: it may not have arrived
};
} // namespace midisend
