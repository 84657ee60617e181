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
        lockUnavailable, // the system gave no lock on the output, so another pass might send to it
        sendFailed, // the driver refused a message
        outputShared, // another program, not accepted for this pass, writes to the output
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

    /** The state and the reason as single words, for logs and scripts; stable. */
    static const char* nameOf(State s) noexcept
    {
        switch (s)
        {
            case State::notStarted:
                return "notStarted";
            case State::running:
                return "running";
            case State::completed:
                return "completed";
            case State::failed:
                return "failed";
            case State::stopped:
                return "stopped";
        }
        return "?";
    }

    static const char* nameOf(Reason r) noexcept
    {
        switch (r)
        {
            case Reason::none:
                return "none";
            case Reason::imageUnsendable:
                return "imageUnsendable";
            case Reason::noOutput:
                return "noOutput";
            case Reason::outputGone:
                return "outputGone";
            case Reason::notConnected:
                return "notConnected";
            case Reason::outputBusy:
                return "outputBusy";
            case Reason::lockUnavailable:
                return "lockUnavailable";
            case Reason::sendFailed:
                return "sendFailed";
            case Reason::outputShared:
                return "outputShared";
            case Reason::couldNotStart:
                return "couldNotStart";
        }
        return "?";
    }
};
