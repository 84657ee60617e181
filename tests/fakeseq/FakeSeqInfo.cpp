// Filling the kernel's sequencer info structures; see FakeSeqInfo.h.

#include "FakeSeqInfo.h"

#include <cstring>
#include <sound/asequencer.h>

namespace fakeseq
{
namespace
{
// Copies a name into a fixed-size field, always terminated.
template <size_t size> void copyName(char (&field)[size], const char* name)
{
    std::strncpy(field, name, size - 1);
    field[size - 1] = '\0';
}
} // namespace

int clientInfoNumber(const void* clientInfo)
{
    return static_cast<const snd_seq_client_info*>(clientInfo)->client;
}

void fillClientInfo(void* clientInfo, int client, const char* name, int numPorts)
{
    auto* info = static_cast<snd_seq_client_info*>(clientInfo);
    std::memset(info, 0, sizeof(*info));
    info->client = client;
    info->type = KERNEL_CLIENT; // interfaces are driven by the kernel
    copyName(info->name, name);
    info->num_ports = numPorts;
    info->card = -1;
    info->pid = -1;
}

void fillApplicationClientInfo(void* clientInfo, int client, const char* name, int pid)
{
    auto* info = static_cast<snd_seq_client_info*>(clientInfo);
    std::memset(info, 0, sizeof(*info));
    info->client = client;
    info->type = USER_CLIENT;
    copyName(info->name, name);
    info->card = -1;
    info->pid = pid;
}

void portInfoAddress(const void* portInfo, int* client, int* port)
{
    const auto* info = static_cast<const snd_seq_port_info*>(portInfo);
    *client = info->addr.client;
    *port = info->addr.port;
}

void fillPortInfo(void* portInfo, int client, int port, const char* name, int writers)
{
    auto* info = static_cast<snd_seq_port_info*>(portInfo);
    std::memset(info, 0, sizeof(*info));
    info->addr.client = static_cast<unsigned char>(client);
    info->addr.port = static_cast<unsigned char>(port);
    copyName(info->name, name);
    info->capability = SNDRV_SEQ_PORT_CAP_WRITE | SNDRV_SEQ_PORT_CAP_SUBS_WRITE;
    info->type = SNDRV_SEQ_PORT_TYPE_MIDI_GENERIC | SNDRV_SEQ_PORT_TYPE_HARDWARE | SNDRV_SEQ_PORT_TYPE_PORT;
    info->midi_channels = 16;
    info->write_use = writers;
}

void addReadCapability(void* portInfo)
{
    static_cast<snd_seq_port_info*>(portInfo)->capability
        |= SNDRV_SEQ_PORT_CAP_READ | SNDRV_SEQ_PORT_CAP_SUBS_READ;
}

void querySubscribeRequest(const void* query, int* client, int* port, int* type, int* index)
{
    const auto* info = static_cast<const snd_seq_query_subs*>(query);
    *client = info->root.client;
    *port = info->root.port;
    *type = info->type;
    *index = info->index;
}

void fillQuerySubscribe(void* query, int numSubscriptions, int client, int port)
{
    auto* info = static_cast<snd_seq_query_subs*>(query);
    info->num_subs = numSubscriptions;
    info->addr.client = static_cast<unsigned char>(client);
    info->addr.port = static_cast<unsigned char>(port);
    info->queue = 0;
    info->flags = 0;
}

void fillSystemInfo(void* systemInfo, int currentClients)
{
    auto* info = static_cast<snd_seq_system_info*>(systemInfo);
    std::memset(info, 0, sizeof(*info));
    info->queues = 32;
    info->clients = 192;
    info->ports = 254;
    info->channels = 256;
    info->cur_clients = currentClients;
}
} // namespace fakeseq
