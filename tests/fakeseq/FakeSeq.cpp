// A stand-in for the ALSA sequencer, for machines without /dev/snd/seq.
//
// It defines the snd_seq_* functions that JUCE's ALSA MIDI code calls, so that JUCE's
// own code lists, opens and sends to fake MIDI interfaces unchanged. Linked into a test
// executable its definitions win over libasound's; built as a shared library it is
// preloaded into the real program and configured from FAKESEQ_* environment variables.
// alsa-lib's pure helpers (the MIDI event encoder and decoder, the info structures and
// their getters and setters) remain alsa-lib's.
//
// All state sits behind one mutex: JUCE sends on a worker thread while tests read on
// the message thread. A send never sleeps while holding it.

#include "FakeSeqControl.h"
#include "FakeSeqInfo.h"
#include "FakeSeqLoop.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <dlfcn.h>
#include <mutex>
#include <set>
#include <string>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
// MIDI 1.0 sends 10 bits per byte (start, 8 data, stop) at 31250 baud.
constexpr double secondsPerByteAt31250 = 10.0 / 31250.0;

// Sound cards' clients are numbered low, applications' from 128 up to the kernel's limit
// of 192 clients.
constexpr int firstInterfaceClient = 20;
constexpr int firstApplicationClient = 128;
constexpr int clientLimit = 192;

// The process that other programs' clients say they belong to: never this one.
constexpr int otherProgramsPid = 4194305;

// Set by fakeseq_refuse_port_locks() or FAKESEQ_REFUSE_PORT_LOCKS; read in bind().
std::atomic<bool> refusingPortLocks { false };

double monotonicSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void sleepUntil(double monotonicTime)
{
    timespec until {};
    until.tv_sec = time_t(monotonicTime);
    until.tv_nsec = long((monotonicTime - double(until.tv_sec)) * 1e9);

    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR)
    {
    }
}

struct Message
{
    std::vector<unsigned char> bytes;
    double sendStart = 0, wireEnd = 0;
};

// Another program's port connected to an interface's: a writer sends to it (what it
// sends goes out on the interface's cable), a reader takes what arrives on its MIDI In.
struct OtherConnection
{
    int client = 0; // the program's client; its port is number 0
    std::string program;
    bool writes = true;
    int fromEvent = 0; // it appears once the interface has been sent this many events
};

// A fake MIDI interface: a client with one destination port, number 0.
struct Interface
{
    std::string name;
    int client = 0;
    bool plugged = true;
    int eventsUntilUnplug = -1; // -1: stays plugged
    int unplugAtEvent = -1; // the event (from 0) in whose send the port goes away, or -1
    bool busy = false; // another program holds it: connecting to it is refused
    int events = 0, sendFailures = 0;
    std::vector<Message> messages;
    Message pendingSysex; // a SysEx whose F7 has not arrived yet
    double wireFreeAt = 0; // when the bytes delivered so far have left the cable
    std::vector<OtherConnection> others;
    bool looped = false; // its MIDI Out is cabled to its MIDI In: it can be read from too
    fakeseq::Loop loop;
};

// A port that an application created; JUCE creates one per open device.
// A port plugged in or unplugged at a chosen moment.
struct PortChange
{
    double at = 0; // CLOCK_MONOTONIC
    std::string name;
    bool plug = true;
};

struct LocalPort
{
    int id = 0;
    std::vector<int> connectedClients; // the interfaces it sends to
    std::vector<int> readsFrom; // the looped interfaces it takes MIDI in from
};

// An event on its way to an application, due once its last byte has come in.
struct Incoming
{
    double due = 0;
    snd_seq_event_t event {};
    std::vector<unsigned char> data; // a SysEx piece's bytes
};
} // namespace

// alsa-lib declares snd_seq_t as this incomplete type: here it is one application client.
struct _snd_seq
{
    int client = 0;
    int pollFd = -1; // a timer, readable once the first incoming event is due
    std::vector<LocalPort> ports;
    std::deque<Incoming> incoming; // in order of arrival
    Incoming current; // the event snd_seq_event_input() handed out last
};

namespace
{
struct State
{
    std::mutex mutex;
    bool configured = false; // through the C API or from the environment
    std::vector<Interface> interfaces; // in increasing client order
    std::set<std::string> failingNames;
    std::vector<snd_seq_t*> clients;
    int clientsOpened = 0;
    int nextInterfaceClient = firstInterfaceClient;
    int nextOtherClient = clientLimit - 1; // other programs' clients, from the top down
    int baud = 0;
    int queryDelayMs = 0; // the longest a question about clients and ports takes
    unsigned queryDelaySeed = 1; // the same sequence of delays in every run
    FILE* log = nullptr;
    std::vector<PortChange> portChanges; // to come, in no particular order
    double firstUse = 0; // when the stand-in was first used (CLOCK_MONOTONIC)
    std::string controlPath; // FAKESEQ_CONTROL
    long controlRead = 0; // how much of it has been acted on
    std::vector<fakeseq::LoopFault> loopFaults;
};

// Never destroyed: JUCE may close its client during static destruction.
State& state()
{
    static auto* instance = new State;
    return *instance;
}

//==============================================================================
// Look-ups; all of these expect the mutex to be held.

Interface* findByName(State& s, const char* name)
{
    if (name == nullptr)
        return nullptr;

    for (auto it = s.interfaces.rbegin(); it != s.interfaces.rend(); ++it)
        if (it->name == name)
            return &*it;

    return nullptr;
}

// A number may have served an interface that was unplugged before: the one plugged in
// now is meant, else the latest.
Interface* findByClient(State& s, int client)
{
    Interface* found = nullptr;

    for (auto& i : s.interfaces)
        if (i.client == client && (found == nullptr || ! found->plugged))
            found = &i;

    return found;
}

// The other programs connected to an interface now, in the order they came.
std::vector<const OtherConnection*> othersOf(const Interface& i, bool writers)
{
    std::vector<const OtherConnection*> found;

    for (const auto& other : i.others)
        if (other.writes == writers && i.events >= other.fromEvent)
            found.push_back(&other);

    return found;
}

const OtherConnection* findOtherClient(const State& s, int client)
{
    for (const auto& i : s.interfaces)
        if (i.plugged)
            for (const auto& other : i.others)
                if (other.client == client && i.events >= other.fromEvent)
                    return &other;

    return nullptr;
}

LocalPort* findPort(snd_seq_t* seq, int id)
{
    for (auto& p : seq->ports)
        if (p.id == id)
            return &p;

    return nullptr;
}

int countConnections(const State& s, int interfaceClient)
{
    int count = 0;

    for (const auto* seq : s.clients)
        for (const auto& p : seq->ports)
            count += int(std::count(p.connectedClients.begin(), p.connectedClients.end(), interfaceClient));

    return count;
}

// The applications' ports that are connected to an interface, in order.
std::vector<std::pair<int, int>> sendersTo(const State& s, int interfaceClient)
{
    std::vector<std::pair<int, int>> senders;

    for (const auto* seq : s.clients)
        for (const auto& p : seq->ports)
            for (const int client : p.connectedClients)
                if (client == interfaceClient)
                    senders.emplace_back(seq->client, p.id);

    return senders;
}

// A question about the system's clients and ports takes a time that varies up to the set
// longest, outside the lock, as on a loaded machine with many clients. The times follow a
// fixed pseudo-random sequence, so that a run can be repeated.
void delayQuery()
{
    auto& s = state();
    int delayMs = 0;
    {
        const std::lock_guard<std::mutex> lock(s.mutex);

        if (s.queryDelayMs > 0)
        {
            s.queryDelaySeed = s.queryDelaySeed * 1103515245u + 12345u;
            delayMs = int((s.queryDelaySeed >> 16) % unsigned(s.queryDelayMs + 1));
        }
    }

    if (delayMs > 0)
        sleepUntil(monotonicSeconds() + delayMs / 1000.0);
}

//==============================================================================
// Delivery

// The MIDI bytes an event carries: a SysEx event carries them as they are; any other
// event is turned back into its message, status byte included.
std::vector<unsigned char> midiBytes(const snd_seq_event_t& ev)
{
    if (ev.type == SND_SEQ_EVENT_SYSEX)
    {
        if (! snd_seq_ev_is_variable(&ev) || ev.data.ext.ptr == nullptr)
            return {};

        const auto* data = static_cast<const unsigned char*>(ev.data.ext.ptr);
        return { data, data + ev.data.ext.len };
    }

    snd_midi_event_t* decoder = nullptr;

    if (snd_midi_event_new(0, &decoder) < 0)
        return {};

    snd_midi_event_no_status(decoder, 1); // no running status: every message whole
    unsigned char buffer[16];
    const long length = snd_midi_event_decode(decoder, buffer, long(sizeof(buffer)), &ev);
    snd_midi_event_free(decoder);

    if (length <= 0)
        return {};

    return { buffer, buffer + length };
}

void complete(State& s, Interface& i, Message message)
{
    if (s.log != nullptr)
    {
        static const char digits[] = "0123456789abcdef";
        std::string hex;

        for (const auto byte : message.bytes)
        {
            hex += digits[byte >> 4];
            hex += digits[byte & 15];
        }

        std::fprintf(s.log, "%.6f %.6f %s\t%s\n", message.sendStart, message.wireEnd, i.name.c_str(),
                     hex.c_str());
        std::fflush(s.log);
    }

    i.messages.push_back(std::move(message));
}

// Records the bytes of one delivered event. A SysEx may arrive in several events: its
// pieces are joined until the F7. Anything else that comes before the F7 ends the SysEx
// as it stands, so that no byte goes unrecorded.
void record(State& s, Interface& i, const std::vector<unsigned char>& bytes, double sendStart)
{
    if (bytes.empty())
        return;

    // The cable is busy from the later of this send's start and the end of what came before.
    i.wireFreeAt = std::max(sendStart, i.wireFreeAt) + double(bytes.size()) * secondsPerByteAt31250;

    const bool sysexPending = ! i.pendingSysex.bytes.empty();
    const bool continues = sysexPending && (bytes.front() < 0x80 || bytes.front() == 0xF7);

    if (sysexPending && ! continues)
        complete(s, i, std::exchange(i.pendingSysex, {}));

    Message message = continues ? std::exchange(i.pendingSysex, {}) : Message {};
    message.bytes.insert(message.bytes.end(), bytes.begin(), bytes.end());
    message.sendStart = sendStart;
    message.wireEnd = i.wireFreeAt;

    if (message.bytes.front() == 0xF0 && message.bytes.back() != 0xF7)
        i.pendingSysex = std::move(message);
    else
        complete(s, i, std::move(message));
}

//==============================================================================
// The way back of a looped interface

// Arms the client's timer for its first incoming event, or disarms it when none waits;
// either way the timer's count starts afresh, so the descriptor is readable exactly while
// an event is due.
void armInput(snd_seq_t& seq)
{
    itimerspec when {};

    if (! seq.incoming.empty())
    {
        const double due = seq.incoming.front().due;
        when.it_value.tv_sec = time_t(due);
        when.it_value.tv_nsec = std::max(1L, long((due - double(when.it_value.tv_sec)) * 1e9));
    }

    timerfd_settime(seq.pollFd, TFD_TIMER_ABSTIME, &when, nullptr);
}

// The events the kernel's sequencer makes of a piece that came in: a SysEx piece as it
// is, anything else through alsa-lib's encoder, as the kernel's own does.
std::vector<Incoming> eventsOf(const fakeseq::Loop::Piece& piece)
{
    std::vector<Incoming> events;
    const auto& bytes = piece.bytes;

    if (bytes.front() == 0xF0 || bytes.front() < 0x80)
    {
        Incoming in;
        in.due = piece.arrival;
        in.data = bytes;
        in.event.type = SND_SEQ_EVENT_SYSEX;
        in.event.flags = SND_SEQ_EVENT_LENGTH_VARIABLE;
        events.push_back(std::move(in));
        return events;
    }

    snd_midi_event_t* encoder = nullptr;

    if (snd_midi_event_new(fakeseq::Loop::pieceBytes, &encoder) < 0)
        return events;

    for (const auto byte : bytes)
    {
        Incoming in;
        in.due = piece.arrival;
        snd_seq_ev_clear(&in.event);

        if (snd_midi_event_encode_byte(encoder, byte, &in.event) == 1 && in.event.type != SND_SEQ_EVENT_NONE
            && ! snd_seq_ev_is_variable(&in.event))
            events.push_back(in);
    }

    snd_midi_event_free(encoder);
    return events;
}

// What comes back on a looped interface goes to every application port that reads it.
void sendBack(State& s, const Interface& i, const std::vector<fakeseq::Loop::Piece>& pieces)
{
    for (auto* seq : s.clients)
    {
        for (const auto& port : seq->ports)
        {
            if (std::find(port.readsFrom.begin(), port.readsFrom.end(), i.client) == port.readsFrom.end())
                continue;

            for (const auto& piece : pieces)
            {
                for (auto& in : eventsOf(piece))
                {
                    in.event.source.client = (unsigned char)i.client;
                    in.event.source.port = 0;
                    in.event.dest.client = (unsigned char)seq->client;
                    in.event.dest.port = (unsigned char)port.id;
                    in.event.queue = SND_SEQ_QUEUE_DIRECT;
                    const auto later
                        = std::upper_bound(seq->incoming.begin(), seq->incoming.end(), in.due,
                                           [](double due, const Incoming& e) { return due < e.due; });
                    seq->incoming.insert(later, std::move(in));
                }
            }
        }

        armInput(*seq);
    }
}

// A SysEx cut off by the unplugging is recorded as far as it got.
void unplug(State& s, Interface& i)
{
    i.plugged = false;

    if (! i.pendingSysex.bytes.empty())
        complete(s, i, std::exchange(i.pendingSysex, {}));
}

void unplugAfter(State& s, const char* name, int events)
{
    if (auto* i = findByName(s, name))
    {
        if (events <= 0)
            unplug(s, *i);
        else
            i->eventsUntilUnplug = events;
    }
}

void addInterface(State& s, const std::string& name);

// Plugs in a port of that name, unless one is plugged in already. A port plugged back in
// is a new client, with a new number, as the system makes one for a device that comes
// back; what the old one received stays recorded under it.
void plug(State& s, const std::string& name)
{
    const auto* i = findByName(s, name.c_str());

    if (i == nullptr || ! i->plugged)
        addInterface(s, name);
}

void applyPortChange(State& s, const std::string& name, bool plugIn)
{
    if (plugIn)
        plug(s, name);
    else if (auto* i = findByName(s, name.c_str()))
        unplug(s, *i);
}

// Acts on the lines a test has added to the control file since the last look:
// "plug NAME" or "unplug NAME". A line not yet ended waits for its newline.
void readControlFile(State& s)
{
    if (s.controlPath.empty())
        return;

    FILE* file = std::fopen(s.controlPath.c_str(), "re");

    if (file == nullptr)
        return;

    std::string text;

    if (std::fseek(file, s.controlRead, SEEK_SET) == 0)
    {
        char buffer[512];
        size_t n = 0;

        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
            text.append(buffer, n);
    }

    std::fclose(file);

    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n'))
    {
        const auto line = text.substr(0, end);
        text.erase(0, end + 1);
        s.controlRead += long(end + 1);

        if (line.rfind("plug ", 0) == 0)
            applyPortChange(s, line.substr(5), true);
        else if (line.rfind("unplug ", 0) == 0)
            applyPortChange(s, line.substr(7), false);
        else if (! line.empty())
            std::fprintf(stderr, "fakeseq: %s: not understood: %s\n", s.controlPath.c_str(), line.c_str());
    }
}

// Plugs and unplugs what is due by now. Nothing of the system can be seen between two
// calls of the stand-in, so doing it at the next call is the same as doing it on time.
void applyPortChanges(State& s)
{
    readControlFile(s);

    if (s.portChanges.empty())
        return;

    const double now = monotonicSeconds();
    auto& changes = s.portChanges;
    std::stable_sort(changes.begin(), changes.end(),
                     [](const PortChange& a, const PortChange& b) { return a.at < b.at; });
    const auto due = std::find_if(changes.begin(), changes.end(), [now](auto& c) { return c.at > now; });

    for (auto it = changes.begin(); it != due; ++it)
        applyPortChange(s, it->name, it->plug);

    changes.erase(changes.begin(), due);
}

void schedulePortChange(State& s, const char* name, bool plugIn, double at)
{
    if (name != nullptr)
        s.portChanges.push_back({ at, name, plugIn });
}

// Answers a question about the system's clients and ports: it takes its time, checks its
// arguments and holds the lock while answer(state) runs. Questions that start a listing
// (and single look-ups) first act on the port changes that are due; the steps of a
// listing see the system as it was when the listing began.
template <typename Answer>
int answerQuery(const void* seq, const void* info, bool applyChanges, Answer answer)
{
    delayQuery();

    if (seq == nullptr || info == nullptr)
        return -EINVAL;

    auto& s = state();
    const std::lock_guard<std::mutex> lock(s.mutex);

    if (applyChanges)
        applyPortChanges(s);

    return answer(s);
}

// Runs a read of the C API on the named interface with the mutex held; an unknown name
// gives the fallback.
template <typename Read> int withInterface(const char* name, int fallback, Read read)
{
    auto& s = state();
    const std::lock_guard<std::mutex> lock(s.mutex);
    applyPortChanges(s);
    auto* i = findByName(s, name);
    return i != nullptr ? read(s, *i) : fallback;
}

//==============================================================================
// Configuration

// Sound cards' clients keep below the applications' (128 on), as the kernel's do: after
// many pluggings the numbers wrap round to a free one.
void addInterface(State& s, const std::string& name)
{
    const auto inUse = [&s](int client)
    {
        return std::any_of(s.interfaces.begin(), s.interfaces.end(),
                           [client](const Interface& i) { return i.plugged && i.client == client; });
    };

    for (int tries = 0; tries < firstApplicationClient && inUse(s.nextInterfaceClient); ++tries)
        s.nextInterfaceClient = s.nextInterfaceClient + 1 < firstApplicationClient ? s.nextInterfaceClient + 1
                                                                                   : firstInterfaceClient;

    Interface i;
    i.name = name;
    i.client = s.nextInterfaceClient;
    s.nextInterfaceClient = i.client + 1 < firstApplicationClient ? i.client + 1 : firstInterfaceClient;
    s.interfaces.push_back(std::move(i));
}

// Connects another program's port to the interface: at once (fromEvent 0), or once the
// interface has been sent that many events. A program keeps one client number for all
// its connections.
void connectOther(State& s, const char* port, const char* program, bool writes, int fromEvent)
{
    auto* i = findByName(s, port);

    if (i == nullptr || program == nullptr)
        return;

    int client = -1;

    for (const auto& other : s.interfaces)
        for (const auto& c : other.others)
            if (c.program == program)
                client = c.client;

    if (client < 0)
        client = s.nextOtherClient--;

    i->others.push_back({ client, program, writes, i->events + std::max(0, fromEvent) });
}

// A looped interface, whose MIDI Out is cabled to its own MIDI In.
void addLoopback(State& s, const std::string& name)
{
    addInterface(s, name);
    s.interfaces.back().looped = true;
    s.interfaces.back().loop.setFaults(s.loopFaults);
}

// The faults of every looped interface's way back, those to come too.
void setLoopFaults(State& s, const char* text)
{
    std::string problem;
    s.loopFaults = fakeseq::parseLoopFaults(text, problem);

    if (! problem.empty())
        std::fprintf(stderr, "fakeseq: loop faults not understood: %s\n", problem.c_str());

    for (auto& i : s.interfaces)
        i.loop.setFaults(s.loopFaults);
}

// Locks the state for a setter of the C API; from then on the environment is ignored.
std::unique_lock<std::mutex> lockForSetting()
{
    auto& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.configured = true;
    return lock;
}

// Items of a ';'-separated list, empty ones left out.
std::vector<std::string> splitList(const char* text)
{
    std::vector<std::string> items;
    std::string item;

    for (const char* c = text; c != nullptr && *c != '\0'; ++c)
    {
        if (*c != ';')
            item += *c;
        else if (! item.empty())
            items.push_back(std::exchange(item, {}));
    }

    if (! item.empty())
        items.push_back(item);

    return items;
}

// The real program has no C API to call, so its tests configure the stand-in through
// the environment: FAKESEQ_PORTS="A;B", FAKESEQ_FAIL_OPEN="A", FAKESEQ_UNPLUG_AFTER="A:5",
// FAKESEQ_BAUD=31250, FAKESEQ_LOG=file, FAKESEQ_PLUG_AT="A:2.5", FAKESEQ_UNPLUG_AT="A:1",
// FAKESEQ_LOSE_EVENT="A:2", FAKESEQ_BUSY="A", FAKESEQ_QUERY_DELAY_MS=150 (the longest),
// FAKESEQ_WRITERS="A:Clock Box;A:Keys:3", FAKESEQ_READERS="A:Recorder",
// FAKESEQ_REFUSE_PORT_LOCKS=1, FAKESEQ_CONTROL=file, FAKESEQ_LOOPBACK="A" and
// FAKESEQ_LOOP_FAULT="drop:2" (FakeSeqControl.h).
void configureFromEnvironment(State& s)
{
    if (s.configured)
        return;

    s.configured = true;

    for (const auto& name : splitList(std::getenv("FAKESEQ_PORTS")))
        addInterface(s, name);

    for (const auto& name : splitList(std::getenv("FAKESEQ_FAIL_OPEN")))
        s.failingNames.insert(name);

    for (const auto& item : splitList(std::getenv("FAKESEQ_UNPLUG_AFTER")))
    {
        const auto colon = item.rfind(':');

        if (colon != std::string::npos)
            unplugAfter(s, item.substr(0, colon).c_str(), std::atoi(item.c_str() + colon + 1));
    }

    // Moments are counted from here, the program's first use of the sequencer.
    s.firstUse = monotonicSeconds();

    for (const auto& [variable, plugIn] :
         { std::pair("FAKESEQ_PLUG_AT", true), std::pair("FAKESEQ_UNPLUG_AT", false) })
    {
        for (const auto& item : splitList(std::getenv(variable)))
        {
            const auto colon = item.rfind(':');

            if (colon != std::string::npos)
                schedulePortChange(s, item.substr(0, colon).c_str(), plugIn,
                                   s.firstUse + std::atof(item.c_str() + colon + 1));
        }
    }

    if (const char* path = std::getenv("FAKESEQ_CONTROL"))
        s.controlPath = path;

    for (const auto& item : splitList(std::getenv("FAKESEQ_LOSE_EVENT")))
    {
        const auto colon = item.rfind(':');

        if (colon != std::string::npos)
            if (auto* i = findByName(s, item.substr(0, colon).c_str()))
                i->unplugAtEvent = std::atoi(item.c_str() + colon + 1);
    }

    for (const auto& name : splitList(std::getenv("FAKESEQ_LOOPBACK")))
        addLoopback(s, name);

    if (const char* faults = std::getenv("FAKESEQ_LOOP_FAULT"))
        setLoopFaults(s, faults);

    // "PORT:PROGRAM" connected from the start, "PORT:PROGRAM:N" once N events have gone to it.
    for (const auto& [variable, writes] :
         { std::pair("FAKESEQ_WRITERS", true), std::pair("FAKESEQ_READERS", false) })
    {
        for (const auto& item : splitList(std::getenv(variable)))
        {
            const auto first = item.find(':');
            const auto second = item.find(':', first == std::string::npos ? first : first + 1);

            if (first != std::string::npos)
                connectOther(
                    s, item.substr(0, first).c_str(),
                    item.substr(first + 1, second == std::string::npos ? second : second - first - 1).c_str(),
                    writes, second == std::string::npos ? 0 : std::atoi(item.c_str() + second + 1));
        }
    }

    for (const auto& name : splitList(std::getenv("FAKESEQ_BUSY")))
        if (auto* i = findByName(s, name.c_str()))
            i->busy = true;

    if (const char* refuse = std::getenv("FAKESEQ_REFUSE_PORT_LOCKS"))
        refusingPortLocks = std::atoi(refuse) != 0;

    if (const char* delay = std::getenv("FAKESEQ_QUERY_DELAY_MS"))
        s.queryDelayMs = std::max(0, std::atoi(delay));

    if (const char* baud = std::getenv("FAKESEQ_BAUD"))
        s.baud = std::max(0, std::atoi(baud));

    if (const char* path = std::getenv("FAKESEQ_LOG"); path != nullptr && *path != '\0')
    {
        s.log = std::fopen(path, "ae");

        if (s.log == nullptr)
            std::perror(("fakeseq: cannot open " + std::string(path)).c_str());
    }
}
} // namespace

// The moment the program ends, for tests of the silence after its last message.
__attribute__((destructor)) static void noteTheEnd()
{
    if (const char* path = std::getenv("FAKESEQ_END_LOG"); path != nullptr && *path != '\0')
        if (auto* file = std::fopen(path, "ae"))
        {
            std::fprintf(file, "%.6f\n", monotonicSeconds());
            std::fclose(file);
        }
}

//==============================================================================
// The sequencer functions JUCE calls

extern "C"
{
    int snd_seq_open(snd_seq_t** handle, const char*, int, int)
    {
        if (handle == nullptr)
            return -EINVAL;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        configureFromEnvironment(s);

        // The kernel gives an application the lowest free number from 128: a program that
        // opens and closes clients all day long keeps getting the same few numbers.
        int client = firstApplicationClient;

        while (client < clientLimit
               && std::any_of(s.clients.begin(), s.clients.end(),
                              [client](const snd_seq_t* open) { return open->client == client; }))
            ++client;

        if (client == clientLimit)
            return -ENOMEM;

        auto* seq = new _snd_seq;
        seq->client = client;
        ++s.clientsOpened;
        seq->pollFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
        s.clients.push_back(seq);
        *handle = seq;
        return 0;
    }

    int snd_seq_close(snd_seq_t* seq)
    {
        if (seq == nullptr)
            return -EINVAL;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        s.clients.erase(std::remove(s.clients.begin(), s.clients.end(), seq), s.clients.end());

        if (seq->pollFd >= 0)
            close(seq->pollFd);

        delete seq;
        return 0;
    }

    int snd_seq_nonblock(snd_seq_t*, int)
    {
        return 0;
    }

    int snd_seq_set_client_name(snd_seq_t* seq, const char* name)
    {
        return seq != nullptr && name != nullptr ? 0 : -EINVAL;
    }

    int snd_seq_client_id(snd_seq_t* seq)
    {
        return seq != nullptr ? seq->client : -EINVAL;
    }

    int snd_seq_create_simple_port(snd_seq_t* seq, const char* name, unsigned int, unsigned int)
    {
        if (seq == nullptr || name == nullptr)
            return -EINVAL;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);

        // JUCE names the port it sends from after the device, and gives up opening the
        // device when the port cannot be made.
        if (s.failingNames.count(name) != 0)
            return -ENOMEM;

        LocalPort port;

        while (findPort(seq, port.id) != nullptr)
            ++port.id;

        seq->ports.push_back(port);
        return port.id;
    }

    int snd_seq_delete_simple_port(snd_seq_t* seq, int portId)
    {
        if (seq == nullptr)
            return -EINVAL;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        auto& ports = seq->ports;
        const auto it
            = std::find_if(ports.begin(), ports.end(), [portId](auto& p) { return p.id == portId; });

        if (it == ports.end())
            return -ENOENT;

        ports.erase(it);
        auto& incoming = seq->incoming;
        incoming.erase(std::remove_if(incoming.begin(), incoming.end(),
                                      [portId](const Incoming& in) { return in.event.dest.port == portId; }),
                       incoming.end());
        armInput(*seq);
        return 0;
    }

    int snd_seq_connect_to(snd_seq_t* seq, int myPort, int destClient, int destPort)
    {
        if (seq == nullptr)
            return -EINVAL;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        applyPortChanges(s);
        auto* port = findPort(seq, myPort);

        if (port == nullptr)
            return -EINVAL;

        const auto* i = findByClient(s, destClient);

        if (i == nullptr || ! i->plugged || destPort != 0)
            return -ENOENT;

        if (i->busy)
            return -EBUSY;

        auto& connected = port->connectedClients;

        if (std::find(connected.begin(), connected.end(), destClient) != connected.end())
            return -EBUSY;

        connected.push_back(destClient);
        return 0;
    }

    int snd_seq_connect_from(snd_seq_t* seq, int myPort, int srcClient, int srcPort)
    {
        if (seq == nullptr)
            return -EINVAL;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);

        auto* port = findPort(seq, myPort);

        if (port == nullptr)
            return -EINVAL;

        const auto* i = findByClient(s, srcClient);

        if (i == nullptr || ! i->plugged || srcPort != 0)
            return -ENOENT;

        // Only a looped interface has a MIDI In to read from.
        if (! i->looped)
            return -EPERM;

        port->readsFrom.push_back(srcClient);
        return 0;
    }

    int snd_seq_event_output_direct(snd_seq_t* seq, snd_seq_event_t* ev)
    {
        const double sendStart = monotonicSeconds();

        if (seq == nullptr || ev == nullptr)
            return -EINVAL;

        auto& s = state();
        std::unique_lock<std::mutex> lock(s.mutex);
        applyPortChanges(s);
        const auto* port = findPort(seq, ev->source.port);

        if (port == nullptr)
            return -EINVAL;

        std::vector<int> destinations;

        if (ev->dest.client == SND_SEQ_ADDRESS_SUBSCRIBERS)
            destinations = port->connectedClients;
        else if (ev->dest.port == 0)
            destinations.push_back(ev->dest.client);
        else
            return -ENOENT;

        const auto bytes = midiBytes(*ev);

        // alsa-lib returns the number of bytes it wrote to the kernel.
        int result = int(sizeof(snd_seq_event_t) + (snd_seq_ev_is_variable(ev) ? ev->data.ext.len : 0));
        bool delivered = false;

        for (const int client : destinations)
        {
            auto* i = findByClient(s, client);

            if (i == nullptr)
            {
                result = -ENOENT;
            }
            else if (! i->plugged || i->unplugAtEvent == i->events)
            {
                // Going away in the moment of this send: the event is lost.
                if (i->plugged)
                    unplug(s, *i);

                ++i->sendFailures;
                result = -ENODEV;
            }
            else
            {
                ++i->events;
                const double wireStart = std::max(sendStart, i->wireFreeAt);
                record(s, *i, bytes, sendStart);

                if (i->looped)
                    sendBack(s, *i, i->loop.carry(bytes, wireStart));
                delivered = true;

                if (i->eventsUntilUnplug > 0 && --i->eventsUntilUnplug == 0)
                    unplug(s, *i);
            }
        }

        // A blocking driver returns once the bytes have left the cable.
        const double wireSeconds = s.baud > 0 && delivered ? double(bytes.size()) * 10.0 / s.baud : 0.0;
        lock.unlock();

        if (wireSeconds > 0)
            sleepUntil(sendStart + wireSeconds);

        return result;
    }

    // What a looped interface brings back, once it is due; the event stays valid until
    // the next call, as alsa-lib's input buffer does.
    int snd_seq_event_input(snd_seq_t* seq, snd_seq_event_t** ev)
    {
        if (ev != nullptr)
            *ev = nullptr;

        if (seq == nullptr)
            return -EINVAL;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);

        if (seq->incoming.empty() || seq->incoming.front().due > monotonicSeconds())
            return -EAGAIN;

        seq->current = std::move(seq->incoming.front());
        seq->incoming.pop_front();
        armInput(*seq);
        auto& event = seq->current.event;

        if (snd_seq_ev_is_variable(&event))
        {
            event.data.ext.ptr = seq->current.data.data();
            event.data.ext.len = (unsigned int)seq->current.data.size();
        }

        if (ev != nullptr)
            *ev = &event;

        return int(sizeof(snd_seq_event_t) + seq->current.data.size());
    }

    int snd_seq_event_input_pending(snd_seq_t* seq, int)
    {
        if (seq == nullptr)
            return 0;

        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        const double now = monotonicSeconds();
        return int(std::count_if(seq->incoming.begin(), seq->incoming.end(),
                                 [now](const Incoming& in) { return in.due <= now; }));
    }

    int snd_seq_free_event(snd_seq_event_t*)
    {
        return 0;
    }

    int snd_seq_poll_descriptors_count(snd_seq_t*, short)
    {
        return 1;
    }

    int snd_seq_poll_descriptors(snd_seq_t* seq, struct pollfd* pfds, unsigned int space, short events)
    {
        if (seq == nullptr || pfds == nullptr || space < 1)
            return 0;

        pfds[0].fd = seq->pollFd;
        pfds[0].events = short(events & POLLIN); // writing never waits
        pfds[0].revents = 0;
        return 1;
    }

    int snd_seq_system_info(snd_seq_t* seq, snd_seq_system_info_t* info)
    {
        return answerQuery(seq, info, true,
                           [&](State& s)
                           {
                               const auto plugged
                                   = std::count_if(s.interfaces.begin(), s.interfaces.end(),
                                                   [](const Interface& i) { return i.plugged; });
                               fakeseq::fillSystemInfo(info, int(plugged));
                               return 0;
                           });
    }

    int snd_seq_query_next_client(snd_seq_t* seq, snd_seq_client_info_t* info)
    {
        // A walk through the clients from the start sees the ports as they are now, as one
        // that begins by asking how many there are does; within a walk they stand still.
        const auto startOfWalk = info != nullptr && fakeseq::clientInfoNumber(info) < 0;
        return answerQuery(seq, info, startOfWalk,
                           [&](State& s)
                           {
                               const int after = fakeseq::clientInfoNumber(info);

                               for (const auto& i : s.interfaces)
                               {
                                   if (i.plugged && i.client > after)
                                   {
                                       fakeseq::fillClientInfo(info, i.client, i.name.c_str(), 1);
                                       return 0;
                                   }
                               }

                               return -ENOENT;
                           });
    }

    int snd_seq_query_next_port(snd_seq_t* seq, snd_seq_port_info_t* info)
    {
        return answerQuery(seq, info, false,
                           [&](State& s)
                           {
                               int client = 0, port = 0;
                               fakeseq::portInfoAddress(info, &client, &port);
                               const auto* i = findByClient(s, client);

                               if (i == nullptr || ! i->plugged)
                                   return -ENXIO;

                               // The next port after the given one, which wraps from 255 (-1) to 0, as the
                               // kernel's does.
                               if (((port + 1) & 0xff) != 0)
                                   return -ENOENT;

                               fakeseq::fillPortInfo(info, client, 0, i->name.c_str(),
                                                     countConnections(s, client));

                               if (i->looped)
                                   fakeseq::addReadCapability(info);

                               return 0;
                           });
    }

    int snd_seq_get_any_client_info(snd_seq_t* seq, int client, snd_seq_client_info_t* info)
    {
        return answerQuery(seq, info, true,
                           [&](State& s)
                           {
                               if (const auto* i = findByClient(s, client); i != nullptr && i->plugged)
                               {
                                   fakeseq::fillClientInfo(info, i->client, i->name.c_str(), 1);
                                   return 0;
                               }

                               for (const auto* application : s.clients)
                               {
                                   if (application->client == client)
                                   {
                                       fakeseq::fillApplicationClientInfo(info, client, "application",
                                                                          int(getpid()));
                                       return 0;
                                   }
                               }

                               if (const auto* other = findOtherClient(s, client))
                               {
                                   fakeseq::fillApplicationClientInfo(info, client, other->program.c_str(),
                                                                      otherProgramsPid);
                                   return 0;
                               }

                               return -ENOENT;
                           });
    }

    int snd_seq_get_any_port_info(snd_seq_t* seq, int client, int port, snd_seq_port_info_t* info)
    {
        return answerQuery(seq, info, true,
                           [&](State& s)
                           {
                               const auto* i = findByClient(s, client);
                               const auto* other = findOtherClient(s, client);

                               if (other != nullptr && port == 0)
                               {
                                   const auto name = other->program + (other->writes ? " out" : " in");
                                   fakeseq::fillPortInfo(info, client, 0, name.c_str(), 0);
                                   return 0;
                               }

                               if (i == nullptr || ! i->plugged || port != 0)
                                   return -ENOENT;

                               fakeseq::fillPortInfo(info, client, 0, i->name.c_str(),
                                                     countConnections(s, client));

                               if (i->looped)
                                   fakeseq::addReadCapability(info);

                               return 0;
                           });
    }

    // Which ports write to an interface (this program's and others'), and which read from
    // it: the direction matters, as the kernel's answer does.
    int snd_seq_query_port_subscribers(snd_seq_t* seq, snd_seq_query_subscribe_t* query)
    {
        return answerQuery(
            seq, query, true,
            [&](State& s)
            {
                int client = 0, port = 0, type = 0, index = 0;
                fakeseq::querySubscribeRequest(query, &client, &port, &type, &index);
                const auto* i = findByClient(s, client);

                if (i == nullptr || ! i->plugged || port != 0)
                    return -ENXIO;

                const auto writing = type == SND_SEQ_QUERY_SUBS_WRITE;
                auto senders = writing ? sendersTo(s, client) : std::vector<std::pair<int, int>> {};

                for (const auto* other : othersOf(*i, writing))
                    senders.emplace_back(other->client, 0);

                if (index < 0 || index >= int(senders.size()))
                    return -ENOENT;

                fakeseq::fillQuerySubscribe(query, int(senders.size()), senders[size_t(index)].first,
                                            senders[size_t(index)].second);
                return 0;
            });
    }

    // JUCE 7.0.5 leaks its port object when the local port cannot be made, which is how
    // a device that fails to open is emulated. LeakSanitizer reads these suppressions.
    const char* __lsan_default_suppressions()
    {
        return "leak:iterateMidiClient\n";
    }

    //==============================================================================
    // The control API

    void fakeseq_reset(void)
    {
        auto lock = lockForSetting();
        auto& s = state();
        s.interfaces.clear();
        s.failingNames.clear();
        s.nextInterfaceClient = firstInterfaceClient;
        s.nextOtherClient = clientLimit - 1;
        s.baud = 0;
        s.queryDelayMs = 0;
        s.portChanges.clear();
        s.controlPath.clear();
        s.controlRead = 0;
        s.clientsOpened = 0;
        s.loopFaults.clear();
        refusingPortLocks = false;

        for (auto* seq : s.clients)
        {
            for (auto& p : seq->ports)
            {
                p.connectedClients.clear();
                p.readsFrom.clear();
            }

            seq->incoming.clear();
            armInput(*seq);
        }

        if (s.log != nullptr)
            std::fclose(s.log);

        s.log = nullptr;
    }

    void fakeseq_add_output_port(const char* name)
    {
        auto lock = lockForSetting();

        if (name != nullptr)
            addInterface(state(), name);
    }

    void fakeseq_add_loopback_port(const char* name)
    {
        auto lock = lockForSetting();

        if (name != nullptr)
            addLoopback(state(), name);
    }

    void fakeseq_set_loop_faults(const char* faults)
    {
        auto lock = lockForSetting();
        setLoopFaults(state(), faults);
    }

    void fakeseq_set_open_fails(const char* name, int fails)
    {
        auto lock = lockForSetting();

        if (name == nullptr)
            return;

        if (fails != 0)
            state().failingNames.insert(name);
        else
            state().failingNames.erase(name);
    }

    void fakeseq_unplug_after(const char* name, int events)
    {
        auto lock = lockForSetting();
        unplugAfter(state(), name, events);
    }

    void fakeseq_unplug(const char* name)
    {
        fakeseq_unplug_after(name, 0);
    }

    void fakeseq_unplug_at_event(const char* name, int event)
    {
        auto lock = lockForSetting();

        if (auto* i = findByName(state(), name))
            i->unplugAtEvent = event;
    }

    void fakeseq_set_busy(const char* name, int busy)
    {
        auto lock = lockForSetting();

        if (auto* i = findByName(state(), name))
            i->busy = busy != 0;
    }

    void fakeseq_disconnect(const char* name)
    {
        auto lock = lockForSetting();
        auto& s = state();

        if (const auto* i = findByName(s, name))
            for (auto* seq : s.clients)
                for (auto& p : seq->ports)
                    p.connectedClients.erase(
                        std::remove(p.connectedClients.begin(), p.connectedClients.end(), i->client),
                        p.connectedClients.end());
    }

    void fakeseq_connect_other(const char* name, const char* program, int writes, int afterEvents)
    {
        auto lock = lockForSetting();
        connectOther(state(), name, program, writes != 0, afterEvents);
    }

    void fakeseq_disconnect_other(const char* name, const char* program)
    {
        auto lock = lockForSetting();

        if (auto* i = findByName(state(), name); i != nullptr && program != nullptr)
            i->others.erase(std::remove_if(i->others.begin(), i->others.end(),
                                           [program](const OtherConnection& c)
                                           { return c.program == program; }),
                            i->others.end());
    }

    void fakeseq_set_query_delay_ms(int milliseconds)
    {
        auto lock = lockForSetting();
        state().queryDelayMs = std::max(0, milliseconds);
        state().queryDelaySeed = 1;
    }

    void fakeseq_plug(const char* name)
    {
        auto lock = lockForSetting();

        if (name != nullptr)
            plug(state(), name);
    }

    void fakeseq_change_after(const char* name, int plugIn, double seconds)
    {
        auto lock = lockForSetting();
        schedulePortChange(state(), name, plugIn != 0, monotonicSeconds() + seconds);
    }

    void fakeseq_set_baud(int baud)
    {
        auto lock = lockForSetting();
        state().baud = std::max(0, baud);
    }

    int fakeseq_message_count(const char* name)
    {
        return withInterface(name, -1, [](State&, Interface& i) { return int(i.messages.size()); });
    }

    int fakeseq_get_message(const char* name, int index, unsigned char* dest, int destCapacity,
                            double* sendStartSeconds, double* wireEndSeconds)
    {
        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        const auto* i = findByName(s, name);

        if (i == nullptr || index < 0 || index >= int(i->messages.size()))
            return -1;

        const auto& message = i->messages[size_t(index)];
        const int length = int(message.bytes.size());

        if (dest != nullptr)
            std::copy_n(message.bytes.begin(), std::clamp(destCapacity, 0, length), dest);

        if (sendStartSeconds != nullptr)
            *sendStartSeconds = message.sendStart;

        if (wireEndSeconds != nullptr)
            *wireEndSeconds = message.wireEnd;

        return length;
    }

    int fakeseq_event_count(const char* name)
    {
        return withInterface(name, -1, [](State&, Interface& i) { return i.events; });
    }

    int fakeseq_is_connected(const char* name)
    {
        return withInterface(
            name, 0, [](State& s, Interface& i) { return countConnections(s, i.client) > 0 ? 1 : 0; });
    }

    int fakeseq_send_failures(const char* name)
    {
        return withInterface(name, -1, [](State&, Interface& i) { return i.sendFailures; });
    }

    int fakeseq_clients_opened(void)
    {
        auto& s = state();
        const std::lock_guard<std::mutex> lock(s.mutex);
        return s.clientsOpened;
    }

    void fakeseq_refuse_port_locks(int refuse)
    {
        auto lock = lockForSetting();
        refusingPortLocks = refuse != 0;
    }

    // Flashmere's per-port locks are sockets bound to abstract names starting with
    // "flashmere-". While refusing, binding one fails as a sandbox's refusal would. Each
    // stand-in is a machine of its own, whose ports are named and numbered alike: with
    // FAKESEQ_LOCK_SCOPE set, the locks of processes of one scope meet, and no others.
    // Every other bind() is the system's.
    int bind(int fd, const sockaddr* address, socklen_t length)
    {
        using Bind = int (*)(int, const sockaddr*, socklen_t);
        static const auto systemBind = reinterpret_cast<Bind>(dlsym(RTLD_NEXT, "bind"));
        static constexpr char prefix[] = "flashmere-";
        const auto pathAt = offsetof(sockaddr_un, sun_path);

        if (address == nullptr || address->sa_family != AF_UNIX || length < pathAt + sizeof(prefix)
            || length > sizeof(sockaddr_un))
            return systemBind(fd, address, length);

        const auto* path = reinterpret_cast<const sockaddr_un*>(address)->sun_path;

        if (path[0] != '\0' || std::memcmp(path + 1, prefix, sizeof(prefix) - 1) != 0)
            return systemBind(fd, address, length);

        if (refusingPortLocks)
        {
            errno = EPERM;
            return -1;
        }

        const char* scope = std::getenv("FAKESEQ_LOCK_SCOPE");

        if (scope == nullptr || *scope == '\0')
            return systemBind(fd, address, length);

        // FNV-1a: the same in every process.
        std::uint64_t hash = 14695981039346656037ull;

        for (const auto* c = scope; *c != '\0'; ++c)
            hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;

        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "-in-%016llx", static_cast<unsigned long long>(hash));
        auto name = std::string(path + 1, length - pathAt - 1).substr(0, 80) + suffix;
        sockaddr_un scoped {};
        scoped.sun_family = AF_UNIX;
        std::memcpy(scoped.sun_path + 1, name.data(), name.size());
        return systemBind(fd, reinterpret_cast<const sockaddr*>(&scoped),
                          static_cast<socklen_t>(pathAt + 1 + name.size()));
    }
}
