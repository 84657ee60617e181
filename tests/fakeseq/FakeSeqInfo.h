#pragma once

// alsa-lib's "opaque" sequencer info structures are the kernel's structures from
// <sound/asequencer.h>, which alsa-lib's getters read. That header clashes with
// alsa-lib's own, so these helpers live in a file of their own and take the
// structures as untyped pointers.

namespace fakeseq
{
/** The client number in a snd_seq_client_info_t. */
int clientInfoNumber(const void* clientInfo);

/** Fills a snd_seq_client_info_t for a hardware interface with one port per name. */
void fillClientInfo(void* clientInfo, int client, const char* name, int numPorts);

/** Fills a snd_seq_client_info_t for an application's client, owned by process pid. */
void fillApplicationClientInfo(void* clientInfo, int client, const char* name, int pid);

/** Makes the port in a snd_seq_port_info_t readable and subscribable for reading too: a
    MIDI In that JUCE lists as an input. */
void addReadCapability(void* portInfo);

/** The client and port numbers (0 to 255) in a snd_seq_port_info_t. */
void portInfoAddress(const void* portInfo, int* client, int* port);

/** Fills a snd_seq_port_info_t for a MIDI destination port (one that can be written to
    and subscribed to for writing). */
void fillPortInfo(void* portInfo, int client, int port, const char* name, int writers);

/** The root address, the type (0 read, 1 write) and the index of a
    snd_seq_query_subscribe_t. */
void querySubscribeRequest(const void* query, int* client, int* port, int* type, int* index);

/** Fills the answer of a snd_seq_query_subscribe_t: the number of subscriptions and the
    address of the one at the asked index. */
void fillQuerySubscribe(void* query, int numSubscriptions, int client, int port);

/** Fills a snd_seq_system_info_t that reports the given number of current clients. */
void fillSystemInfo(void* systemInfo, int currentClients);
} // namespace fakeseq
