#pragma once

#include "MidiLimits.h"
#include "cli/CliCommands.h"
#include "platform/Places.h"
#include "platform/QuitSignals.h"

/** What flashmere-cli says about itself: its version and the help for each command. */
namespace CliTexts
{
/** The text with what differs between the systems put in from the code that does it:
    {stopped} the exit codes of the stop signals, {stoppers} the ways to send one, {logs}
    the log folder and {longest} the longest message the MIDI output takes whole. */
inline juce::String withSystemFacts(const char* text)
{
    juce::StringArray stoppers, stopped;
    auto signals = QuitSignals::stopSignals();

    for (const auto signalNumber : signals)
        stoppers.add(QuitSignals::nameOf(signalNumber));

    signals.sort();

    for (const auto signalNumber : signals)
        stopped.add(juce::String(CliCommands::stoppedBySignal + signalNumber)
                    + (stopped.isEmpty() ? " stopped" : "") + " by " + QuitSignals::nameOf(signalNumber));

    const auto lastStopper = stoppers.strings.removeAndReturn(stoppers.size() - 1);

    return juce::String(text)
        .replace("{stopped}", stopped.joinIntoString(", ") + ".")
        .replace("{stoppers}", stoppers.joinIntoString(", ") + " or " + lastStopper + " stops")
        .replace("{logs}", Places::logFolderShown())
        .replace("{longest}", juce::String((juce::int64)systemMidiLargestSysex) + " bytes ("
                                  + systemMidiLargestSysexWhy + ")");
}

inline const juce::String mainHelp = withSystemFacts(R"(Usage: flashmere-cli COMMAND [ARGUMENTS]

Updates the firmware of a Velamor pedal over MIDI, as the Flashmere window does.

Commands:
  list [--inputs] [--json]      the MIDI output (or input) ports, one per line: number, then name
  check [--any-product] [--json] [FILE]
                                checks the built-in image, or a .syx FILE, before sending
  send --port NAME|NUMBER [--any-product] [--shared-output] [--log FILE | --no-log]
       [--pause-ms N] [--json] [FILE]
                                uploads the built-in image, or FILE, to the port
  loopback --port OUT --input IN [--file FILE] [--full] [--json]
                                tests an interface whose MIDI Out is cabled to its MIDI In
  export OUT.syx                writes the built-in image to a file

Options:
  --help                        help for flashmere-cli or for one command
  --version                     the version

Results go to standard output, messages to standard error. With --json, list, check
and send print their result as one JSON document, however they end (see the README).
Exit codes: 0 done; 1 the image cannot be sent, the update failed, a file could not be
written or the result could not be written to standard output; 2 wrong usage; 3 unknown,
ambiguous or unusable port; {stopped}
)");

inline const juce::String listHelp = withSystemFacts(R"(Usage: flashmere-cli list [--inputs] [--json]

Prints the MIDI output ports (with --inputs, the MIDI input ports), one per line: a
number (1, 2, ...) and the port's full name, separated by a tab; then, for an output that
other programs are connected to write to, a third field says how many, as (2 other
programs connected). The numbers follow the system's order of the ports; they stay the
same while no port is plugged in or out. --json prints them as one JSON document, with
the other programs by name.
Exit codes: 0.
)");

inline const juce::String checkHelp
    = withSystemFacts(R"(Usage: flashmere-cli check [--any-product] [--json] [FILE]

Checks the built-in image, or FILE, the way an upload does before its first byte: it must
be a clean series of complete SysEx messages (0xF0, data bytes below 0x80, 0xF7) with
nothing before, between or after them, and none longer than the system's MIDI output
takes whole: {longest}.
Prints the number of messages, the smallest and largest message, the manufacturer
bytes, the expected upload time at 31250 baud with the pedal's 300 ms pause after every
message, the product it is for (the Velamor, or how another product's messages start),
its SHA-256 and any fault with its byte offset. A file larger than 16 MiB is refused
unread. Another product's firmware fails the check unless --any-product is given.
--json prints all this as one JSON document.
Exit codes: 0 the image can be sent; 1 it cannot; 2 wrong usage.
)");

inline const juce::String sendHelp = withSystemFacts(
    R"(Usage: flashmere-cli send --port NAME|NUMBER [--any-product] [--shared-output]
                        [--log FILE | --no-log] [--pause-ms N] [--json] [FILE]

Uploads the built-in image, or FILE, to the MIDI output port given by its exact full name
or by its number from 'flashmere-cli list'. Each SysEx message is sent whole, in order,
followed by 300 ms of silence counted from when the message has left the MIDI cable;
--pause-ms N makes it N ms (300 or more) for an interface that needs more silence
(see 'flashmere-cli loopback'), and the log records the pause after every message.
Nothing is sent from an image that fails the check, nor from another product's firmware
unless --any-product is given, nor to a port that other programs are connected to
write to (what they send would be mixed into the firmware; they are named) unless
--shared-output is given; a program that connects during the update fails it. Every
update writes a log of what was sent (see the
README) to {logs}, or to FILE with --log, or nowhere with
--no-log; its place is told on standard error. FILE is a new file or a regular file you
may write; anything else is refused before anything is sent. On a terminal a progress
bar shows the message count, the percentage and the time left; otherwise one line is
printed per ten percent. {stoppers} after the current message and its
pause; one that comes after the last message's pause changes nothing. A closed or full
standard error does not stop the upload. --json prints the outcome, the messages sent
and delivered and the log's place as one JSON document, also for a refused or failed
update; progress and messages stay on standard error.
Exit codes: 0 the update completed; 1 the image cannot be sent, the update failed or
its result could not be written to standard output; 2 wrong usage; 3 unknown, ambiguous
or unusable port; {stopped}
)");

inline const juce::String loopbackHelp = withSystemFacts(
    R"(Usage: flashmere-cli loopback --port OUT --input IN [--file FILE] [--full] [--json]

Tests whether a MIDI interface is fit for firmware updates. Cable the interface's MIDI
Out to its own MIDI In, with the pedal unplugged, and give its output port as OUT and its
input port as IN (exact full names or numbers from 'flashmere-cli list' and 'flashmere-cli
list --inputs'). A series of SysEx test messages (manufacturer ID 0x7D, never firmware)
goes out with the update's own pause after each: the smallest, a typical and the largest
message of the built-in image, or of FILE, and the longest the system carries whole
({longest}), twice; with --full, a series as long as the whole image. What comes back
must be complete, byte-exact, in order, with nothing missing or extra and at least 300 ms
of silence between messages. The verdict is "fit for firmware updates" or the first fault
found. Updates to OUT wait while the test runs. --json prints the verdict, a table of the
messages and the figures as one JSON document.
Exit codes: 0 fit; 1 unfit, or the output went away; 2 wrong usage or an unreadable FILE;
3 unknown, ambiguous or unusable port; {stopped}
)");

inline const juce::String exportHelp = withSystemFacts(R"(Usage: flashmere-cli export OUT.syx

Writes the built-in firmware image to OUT.syx, byte for byte. OUT.syx is a new file or
an existing regular file you may write (a symbolic link to one is followed); a folder,
a device, a FIFO or a read-only file is refused. The bytes are written to a temporary
file beside it that replaces it only once every byte is safely written, so a full disk
leaves an old OUT.syx as it was.
Exit codes: 0 written; 1 the file could not be written; 2 wrong usage.
)");

} // namespace CliTexts
