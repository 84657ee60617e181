#pragma once

/** How an update pass stands or ended, for code that must act on it. The status text says
    the same for people; nothing decides on the text. */
struct UploadOutcome
{
    enum class State
    {
        notStarted,
        running,
        completed, // every message was delivered to a port that was still there after its pause
        failed, // see the reason; the status text tells the user what to do
        stopped // told to stop (the program is closing or was interrupted)
    };

    enum class Reason
    {
        none,
        imageUnsendable, // the image is damaged or has a message the system cannot carry whole
        noOutput, // no output was open
        outputGone, // the output left the system
        notConnected, // the output is there, but this program's connection to it was refused or cut
        outputBusy, // another pass is sending to the same output
        sendFailed, // the driver refused a message
        couldNotStart // the upload thread could not be started
    };

    State state = State::notStarted;
    Reason reason = Reason::none;

    bool isFailure() const noexcept { return state == State::failed; }
    bool operator==(const UploadOutcome& other) const noexcept
    {
        return state == other.state && reason == other.reason;
    }
    bool operator!=(const UploadOutcome& other) const noexcept { return ! operator==(other); }
};
