#include "protocol/LoopbackTest.h"

#include "protocol/UploadPacing.h"

namespace
{
double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}
} // namespace

LoopbackTest::LoopbackTest(const juce::MidiDeviceInfo& out, const juce::MidiDeviceInfo& in, LoopbackSeries s)
    : juce::Thread("Loopback test")
    , collector(std::make_unique<LoopbackInput>())
    , output(out)
    , input(in)
    , series(std::move(s))
{
}

LoopbackTest::~LoopbackTest()
{
    stopThread(5000);
    cancelPendingUpdate();
    release();
}

void LoopbackTest::start()
{
    if (outcome.load() == Outcome::running)
        return;

    outcome = Outcome::running;
    messagesSent = 0;

    // JUCE's ALSA devices share one sequencer client, which the last device to close
    // deletes, unguarded: they are opened and closed on the message thread, as every
    // other MIDI device of the program is, never on the test's own.
    if (const auto opened = openDevices(); opened != Outcome::running)
        return finish(opened);

    startThread();
}

void LoopbackTest::stop()
{
    signalThreadShouldExit();
}

bool LoopbackTest::isFinished() const noexcept
{
    const auto now = outcome.load();
    return now != Outcome::notStarted && now != Outcome::running;
}

double LoopbackTest::getProgress() const noexcept
{
    return series.messages.empty() ? 0.0 : (double)messagesSent.load() / (double)series.messages.size();
}

LoopbackVerdict LoopbackTest::getVerdict() const
{
    const juce::ScopedLock sl(verdictLock);
    return verdict;
}

const char* LoopbackTest::nameOf(Outcome result)
{
    static const char* const names[]
        = { "notStarted",   "running",         "judged",         "outputNotOpened", "outputInUse",
            "outputLocked", "lockUnavailable", "inputNotOpened", "outputLost",      "stopped" };
    return names[(int)result];
}

juce::String LoopbackTest::describe() const
{
    const auto out = output.name.quoted(), in = input.name.quoted();

    switch (outcome.load())
    {
        case Outcome::notStarted:
        case Outcome::running:
            return {};
        case Outcome::judged:
            return getVerdict().describe(input.name);
        case Outcome::outputNotOpened:
            return "the MIDI output " + out + " could not be opened";
        case Outcome::outputInUse:
            return "the MIDI output " + out + " is in use by another program, which holds it for itself";
        case Outcome::outputLocked:
            return "an update or another test is sending to the MIDI output " + out;
        case Outcome::lockUnavailable:
            return "the system would not lock the MIDI output " + out + " against updates";
        case Outcome::inputNotOpened:
            return "the MIDI input " + in + " could not be opened";
        case Outcome::outputLost:
            return "the MIDI output " + out + " went away during the test";
        case Outcome::stopped:
            return "the test was stopped";
    }

    return {};
}

void LoopbackTest::finish(Outcome result)
{
    ending = result;
    triggerAsyncUpdate();
}

// The test has ended once its devices are closed and its lock is given back.
void LoopbackTest::handleAsyncUpdate()
{
    release();
    outcome = ending.load();
    sendChangeMessage();
}

void LoopbackTest::release()
{
    midiIn.reset();
    claim.reset();
    port.reset();
}

LoopbackTest::Outcome LoopbackTest::openDevices()
{
    port = std::make_unique<MidiOutputPort>();
    const auto opened = port->open(output);

    if (opened != MidiOutputPort::OpenResult::opened)
        return opened == MidiOutputPort::OpenResult::busy ? Outcome::outputInUse : Outcome::outputNotOpened;

    claim = port->claim();

    if (claim == nullptr || ! claim->isHeld())
        return claim != nullptr && claim->getStanding() == OutputClaim::Standing::unavailable
                   ? Outcome::lockUnavailable
                   : Outcome::outputLocked;

    midiIn = juce::MidiInput::openDevice(input.identifier, collector.get());

    if (midiIn == nullptr)
        return Outcome::inputNotOpened;

    midiIn->start();
    return Outcome::running;
}

void LoopbackTest::run()
{
    const auto result = sendAndJudge(*port, *collector);
    midiIn->stop();
    finish(result);
}

LoopbackTest::Outcome LoopbackTest::sendAndJudge(MidiOutputPort& out, LoopbackInput& in)
{
    UploadPacing pacing;
    pacing.startPass();
    std::vector<LoopbackArrival> arrivals;
    std::vector<double> deadlines;
    bool lastIsOpen = false;
    const auto start = nowMs();

    // Takes what has come in until the given time (or, with allBack, until every message
    // sent has come back), or until a message is overdue; false when one is (or a stop was
    // asked for).
    const auto collectUntil = [&](double until, bool allBack)
    {
        for (;;)
        {
            LoopbackInput::assemble(in.take(0), arrivals, lastIsOpen);
            const auto now = nowMs();
            const auto waitingFor = arrivals.size() - (lastIsOpen ? 1 : 0);

            if (threadShouldExit() || (waitingFor < deadlines.size() && now > deadlines[waitingFor]))
                return false;

            if (now >= until || (allBack && waitingFor >= deadlines.size() && ! lastIsOpen))
                return true;

            const auto next
                = waitingFor < deadlines.size() ? juce::jmin(until, deadlines[waitingFor]) : until;
            LoopbackInput::assemble(in.take(juce::jlimit(1, 50, (int)std::ceil(next - now))), arrivals,
                                    lastIsOpen);
        }
    };

    bool onTime = true;

    for (const auto& message : series.messages)
    {
        if (threadShouldExit())
            break;

        if (out.check() != midisend::sent)
            return Outcome::outputLost;

        const auto sendStart = nowMs();

        if (out.send(message.data(), (int)message.size()) != midisend::sent)
            return Outcome::outputLost;

        const auto sendMs = nowMs() - sendStart;
        const auto wireMs = (double)message.size() * UploadPacing::wireMsPerByte;
        deadlines.push_back(sendStart + juce::jmax(sendMs, wireMs) + marginMs);
        ++messagesSent;

        if (! (onTime = collectUntil(nowMs() + pacing.pauseAfter((int)message.size(), sendMs), false)))
            break;
    }

    // The last messages' time to come back.
    if (onTime)
        collectUntil(deadlines.empty() ? 0.0 : deadlines.back(), true);

    if (threadShouldExit())
        return Outcome::stopped;

    const auto waited = deadlines.empty() ? 0.0 : (deadlines.front() - start) / 1000.0;
    {
        const juce::ScopedLock sl(verdictLock);
        verdict = LoopbackVerdict::judge(series, deadlines.size(), arrivals, waited);
    }
    seconds = (nowMs() - start) / 1000.0;
    return Outcome::judged;
}
