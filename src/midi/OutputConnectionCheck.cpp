#include "midi/OutputConnectionCheck.h"

#if JUCE_LINUX
#include <alsa/asoundlib.h>
#include <unistd.h>
#endif

#if JUCE_LINUX
// A sequencer client of our own, kept open while the output is: the questions are asked
// of the port that the output sends to, so any client may ask them.
struct OutputConnectionCheck::Sequencer
{
    snd_seq_t* handle = nullptr;
    int client = -1;
    int port = -1;

    ~Sequencer()
    {
        if (handle != nullptr)
            snd_seq_close(handle);
    }

    // JUCE names its sequencer client after the application; used only where the kernel
    // does not tell which process owns a client.
    static juce::String juceClientName()
    {
        if (auto* app = juce::JUCEApplicationBase::getInstance())
            return app->getApplicationName();

        return "JUCE";
    }

    // The client's name, and whether it belongs to this process; false for a client that
    // has gone meanwhile.
    bool readClient(int senderClient, juce::String& name, bool& isThisProcess) const
    {
        snd_seq_client_info_t* info = nullptr;
        snd_seq_client_info_alloca(&info);

        if (snd_seq_get_any_client_info(handle, senderClient, info) < 0)
            return false;

        name = juce::String::fromUTF8(snd_seq_client_info_get_name(info));
        const auto pid = snd_seq_client_info_get_pid(info);
        isThisProcess
            = pid > 0 ? pid == (int)getpid()
                      : snd_seq_client_info_get_type(info) == SND_SEQ_USER_CLIENT && juceClientName() == name;
        return true;
    }

    juce::String portName(int senderClient, int senderPort) const
    {
        snd_seq_port_info_t* info = nullptr;
        snd_seq_port_info_alloca(&info);

        if (snd_seq_get_any_port_info(handle, senderClient, senderPort, info) < 0)
            return {};

        return juce::String::fromUTF8(snd_seq_port_info_get_name(info));
    }

    Survey survey() const
    {
        snd_seq_port_info_t* portInfo = nullptr;
        snd_seq_port_info_alloca(&portInfo);

        if (snd_seq_get_any_port_info(handle, client, port, portInfo) < 0)
            return { State::gone, {} };

        // The ports that write to this one: JUCE connects a port of its own client to it;
        // any other writer is another program's (or a connection someone made for it).
        snd_seq_query_subscribe_t* query = nullptr;
        snd_seq_query_subscribe_alloca(&query);
        snd_seq_addr_t root {};
        root.client = (unsigned char)client;
        root.port = (unsigned char)port;
        snd_seq_query_subscribe_set_root(query, &root);
        snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_WRITE);

        Survey result { State::notConnected, {} };

        // The count comes with each answer, so the walk asks no question past the last one.
        for (int index = 0;; ++index)
        {
            snd_seq_query_subscribe_set_index(query, index);

            if (snd_seq_query_port_subscribers(handle, query) < 0)
                break;

            const auto* sender = snd_seq_query_subscribe_get_addr(query);
            juce::String name;
            bool ours = false;

            if (readClient(sender->client, name, ours))
            {
                if (ours)
                    result.state = State::connected;
                else
                    result.otherWriters.push_back(
                        { sender->client, sender->port, name, portName(sender->client, sender->port) });
            }

            if (index + 1 >= snd_seq_query_subscribe_get_num_subs(query))
                break;
        }

        return result;
    }
};
#else
struct OutputConnectionCheck::Sequencer
{
};
#endif

OutputConnectionCheck::OutputConnectionCheck(const juce::MidiDeviceInfo& device)
    : identifier(device.identifier)
{
#if JUCE_LINUX
    // JUCE's ALSA identifiers read "client-port".
    const auto clientText = identifier.upToFirstOccurrenceOf("-", false, false);
    const auto portText = identifier.fromFirstOccurrenceOf("-", false, false);

    if (! clientText.containsOnly("0123456789") || ! portText.containsOnly("0123456789")
        || clientText.isEmpty() || portText.isEmpty())
        return;

    auto seq = std::make_unique<Sequencer>();
    seq->client = clientText.getIntValue();
    seq->port = portText.getIntValue();

    if (snd_seq_open(&seq->handle, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0)
        seq->handle = nullptr;
    else
        sequencer = std::move(seq);
#endif
}

OutputConnectionCheck::~OutputConnectionCheck() = default;

OutputConnectionCheck::Survey OutputConnectionCheck::survey() const
{
#if JUCE_LINUX
    if (sequencer != nullptr)
        return sequencer->survey();
#endif

    // Without a sequencer of our own to ask, all that can be known is whether the port
    // is still listed.
    return { checkListing(), {} };
}

OutputConnectionCheck::State OutputConnectionCheck::checkListing() const
{
    for (const auto& device : juce::MidiOutput::getAvailableDevices())
        if (device.identifier == identifier)
            return State::connected;

    return State::gone;
}
