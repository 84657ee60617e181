// flashmere-cli: the window's firmware update, from a terminal or a script.
//
// It uses the same firmware, MIDI and upload code as the window: the same framing check,
// the same port handling and the same protocol object with the pedal's pacing.

#include "cli/HeadlessInterface.h"
#include "cli/ImageSummary.h"
#include "platform/QuitSignals.h"
#include "platform/UserAlerts.h"
#include "protocol/BasicSysexProtocolClass.h"

#include <cstdio>
#include <juce_events/juce_events.h>
#include <unistd.h>

namespace
{
enum ExitCode
{
    success = 0,
    failure = 1, // the image cannot be sent, the update failed, a file could not be written
    usageError = 2, // the command line is wrong
    portError = 3, // the port is unknown, ambiguous or cannot be opened
    interrupted = 130
};

const char* const version = "flashmere-cli 1.0 (built-in firmware: Velamor 1.01 - R353)";

const char* const mainHelp = R"(Usage: flashmere-cli COMMAND [ARGUMENTS]

Updates the firmware of a Velamor pedal over MIDI, as the Flashmere window does.

Commands:
  list                          the MIDI output ports, one per line: number, then name
  check [FILE]                  checks the built-in image, or a .syx FILE, before sending
  send --port NAME|NUMBER [FILE]
                                uploads the built-in image, or FILE, to the port
  export OUT.syx                writes the built-in image to a file

Options:
  --help                        help for flashmere-cli or for one command
  --version                     the version

Results go to standard output, messages to standard error.
Exit codes: 0 done; 1 the image cannot be sent, the update failed or a file could not
be written; 2 wrong usage; 3 unknown, ambiguous or unusable port; 130 stopped by Ctrl-C.
)";

const char* const listHelp = R"(Usage: flashmere-cli list

Prints the MIDI output ports, one per line: a number (1, 2, ...) and the port's full
name, separated by a tab. The numbers follow the system's order of the ports; they stay
the same while no port is plugged in or out.
Exit codes: 0.
)";

const char* const checkHelp = R"(Usage: flashmere-cli check [FILE]

Checks the built-in image, or FILE, the way an upload does before its first byte: it must
be a clean series of complete SysEx messages (0xF0, data bytes below 0x80, 0xF7) with
nothing before, between or after them. Prints the number of messages, the smallest and
largest message, the manufacturer bytes, the expected upload time at 31250 baud with the
pedal's 300 ms pause after every message, and any fault with its byte offset. Warns about
messages longer than 4096 bytes, which the Linux ALSA sequencer drops without a word.
Exit codes: 0 the image can be sent; 1 it cannot; 2 wrong usage.
)";

const char* const sendHelp = R"(Usage: flashmere-cli send --port NAME|NUMBER [FILE]

Uploads the built-in image, or FILE, to the MIDI output port given by its exact full name
or by its number from 'flashmere-cli list'. Each SysEx message is sent whole, in order,
followed by 300 ms of silence counted from when the message has left the MIDI cable.
Nothing is sent from an image that fails the check. On a terminal a progress bar shows
the message count, the percentage and the time left; otherwise one line is printed per
ten percent. Ctrl-C stops after the current message and its pause.
Exit codes: 0 the update completed; 1 the image cannot be sent or the update failed;
2 wrong usage; 3 unknown, ambiguous or unusable port; 130 stopped by Ctrl-C.
)";

const char* const exportHelp = R"(Usage: flashmere-cli export OUT.syx

Writes the built-in firmware image to OUT.syx, byte for byte.
Exit codes: 0 written; 1 the file could not be written; 2 wrong usage.
)";

void err(const juce::String& text)
{
    std::fprintf(stderr, "flashmere-cli: %s\n", text.toRawUTF8());
}

void out(const juce::String& text)
{
    std::fprintf(stdout, "%s\n", text.toRawUTF8());
}

/** A loaded image, or the reason there is none. Alerts the loader would show in a box
    are printed instead. */
std::unique_ptr<FirmwareImage> loadImage(const juce::String& path)
{
    if (path.isEmpty())
    {
        auto image = std::make_unique<FirmwareImage>();
        image->setProductName("Velamor");
        return image;
    }

    juce::String problem;
    const UserAlerts::ScopedPresenter printer(
        [&](const UserAlerts::Alert& alert)
        { problem = alert.title + ": " + alert.message.upToFirstOccurrenceOf("\n", false, false); });
    auto image = std::make_unique<FirmwareImage>(path);

    if (image->getData() == nullptr)
    {
        err(path + ": " + (problem.isNotEmpty() ? problem : juce::String("the file is empty")));
        return nullptr;
    }

    return image;
}

juce::String describe(const FirmwareImage& image, const juce::String& path)
{
    return path.isEmpty() ? "built-in (" + image.getProductName() + " " + image.getVersionText() + ")" : path;
}

//==============================================================================
int runList()
{
    const auto devices = juce::MidiOutput::getAvailableDevices();

    for (int i = 0; i < devices.size(); ++i)
        out(juce::String(i + 1) + "\t" + devices[i].name);

    return success;
}

int runCheck(const juce::String& path)
{
    const auto image = loadImage(path);

    if (image == nullptr)
        return failure;

    const auto summary = ImageSummary::of(*image);

    out("image: " + describe(*image, path));
    out("bytes: " + juce::String((juce::int64)summary.totalBytes));
    out("messages: " + juce::String((juce::int64)summary.framing.messages.size()));
    out("smallest message: " + juce::String((juce::int64)summary.smallest) + " bytes");
    out("largest message: " + juce::String((juce::int64)summary.largest) + " bytes");
    out("manufacturer: " + (summary.manufacturer.isNotEmpty() ? summary.manufacturer : juce::String("-")));
    out("expected upload time: " + juce::String(summary.uploadSeconds, 1)
        + " s (31250 baud, 300 ms after each message)");

    if (summary.longMessages > 0)
        err("warning: " + juce::String(summary.longMessages)
            + " message(s) longer than 4096 bytes: the Linux ALSA sequencer drops such a message without a "
              "word");

    if (! summary.framing.isClean())
    {
        out("result: cannot be sent: " + juce::String(summary.framing.describeFault()));
        return failure;
    }

    out("result: ok");
    return success;
}

int runExport(const juce::String& outPath)
{
    const FirmwareImage image;
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile(outPath);

    if (! file.replaceWithData(image.getData(), image.getSize()))
    {
        err(file.getFullPathName() + ": could not be written");
        return failure;
    }

    out("wrote " + juce::String(image.getSize()) + " bytes to " + file.getFullPathName());
    return success;
}

//==============================================================================
/** Resolves a port given by exact name or by number; prints the ports when it cannot. */
bool findPort(const juce::String& wanted, juce::MidiDeviceInfo& result)
{
    const auto devices = juce::MidiOutput::getAvailableDevices();
    juce::Array<int> matches;

    for (int i = 0; i < devices.size(); ++i)
        if (devices[i].name == wanted)
            matches.add(i);

    if (wanted.containsOnly("0123456789") && wanted.isNotEmpty())
    {
        const auto number = wanted.getIntValue();
        if (number >= 1 && number <= devices.size())
            matches.addIfNotAlreadyThere(number - 1);
    }

    if (matches.size() == 1)
    {
        result = devices[matches[0]];
        return true;
    }

    err((matches.isEmpty() ? "no MIDI output port is called " : "more than one MIDI output port matches ")
        + wanted.quoted() + "; the ports are:");

    for (int i = 0; i < devices.size(); ++i)
        std::fprintf(stderr, "  %d\t%s\n", i + 1, devices[i].name.toRawUTF8());

    if (devices.isEmpty())
        std::fprintf(stderr, "  (none)\n");

    return false;
}

/** Shows how far the upload has got: a bar on a terminal, a line per ten percent
    otherwise. */
class ProgressPrinter final : public juce::ChangeListener
{
public:
    ProgressPrinter(BasicSysexProtocolClass& p, HeadlessInterface& i, const ImageSummary& s)
        : protocol(p)
        , device(i)
        , summary(s)
        , onTerminal(::isatty(STDERR_FILENO) != 0)
    {
        protocol.addChangeListener(this);
    }

    ~ProgressPrinter() override { protocol.removeChangeListener(this); }

    void changeListenerCallback(juce::ChangeBroadcaster*) override { show(); }

    void show()
    {
        const auto progress = protocol.getProgress();
        const auto sent = device.getMessagesSent();
        const auto total = (int)summary.framing.messages.size();

        if (onTerminal)
        {
            constexpr int width = 30;
            const auto filled = juce::jlimit(0, width, juce::roundToInt(progress * width));
            const auto left = summary.secondsFrom((size_t)sent);
            std::fprintf(stderr, "\r[%s%s] %d/%d messages %3d%%  %d:%02d left ",
                         juce::String::repeatedString("#", filled).toRawUTF8(),
                         juce::String::repeatedString(".", width - filled).toRawUTF8(), sent, total,
                         juce::roundToInt(progress * 100.0), (int)left / 60, (int)left % 60);
            std::fflush(stderr);
            barShown = true;
        }
        else
        {
            const auto tenth = (int)(progress * 10.0 + 1.0e-9);

            if (tenth > lastTenth)
            {
                lastTenth = tenth;
                std::fprintf(stderr, "%d%% (%d of %d messages)\n", tenth * 10, sent, total);
                std::fflush(stderr);
            }
        }
    }

    void finish()
    {
        if (barShown)
            std::fprintf(stderr, "\n");
    }

private:
    BasicSysexProtocolClass& protocol;
    HeadlessInterface& device;
    const ImageSummary& summary;
    const bool onTerminal;
    bool barShown = false;
    int lastTenth = 0;
};

int runSend(const juce::String& portName, const juce::String& path)
{
    auto image = loadImage(path);

    if (image == nullptr)
        return failure;

    const auto summary = ImageSummary::of(*image);

    if (! summary.framing.isClean())
    {
        err("refusing to send " + describe(*image, path) + ": "
            + juce::String(summary.framing.describeFault()) + "; nothing was sent");
        return failure;
    }

    if (summary.longMessages > 0)
        err("warning: messages longer than 4096 bytes may be dropped by the ALSA sequencer");

    juce::MidiDeviceInfo port;

    if (! findPort(portName, port))
        return portError;

    HeadlessInterface device(port);

    if (device.getOpenResult() == MidiOutputPort::OpenResult::busy)
    {
        err("the MIDI output " + port.name.quoted()
            + " is in use by another program, which holds it for itself; close that program and try again. "
              "Nothing was sent.");
        return portError;
    }

    if (! device.isOpen())
    {
        err("the MIDI output " + port.name.quoted() + " could not be opened");
        return portError;
    }

    BasicSysexProtocolClass protocol(&device, image.get());
    ProgressPrinter printer(protocol, device, summary);

    // Ctrl-C asks the upload to stop; it ends after the current message and its pause.
    bool interruptRequested = false;
    const QuitSignals quitSignals(
        [&]
        {
            if (! interruptRequested)
            {
                interruptRequested = true;
                printer.finish();
                err("stopping after the current message and its pause...");
                protocol.signalThreadShouldExit();
            }
        });

    err("sending " + describe(*image, path) + " to " + port.name.quoted() + ": "
        + juce::String((juce::int64)summary.framing.messages.size()) + " messages, about "
        + juce::String(juce::roundToInt(summary.uploadSeconds)) + " s");

    protocol.startUpdate();

    auto* messageManager = juce::MessageManager::getInstance();
    const auto finished = [&]
    {
        if (protocol.isThreadRunning())
            return false;

        const auto state = protocol.getOutcome().state;
        return state != UploadOutcome::State::notStarted && state != UploadOutcome::State::running;
    };

    while (! finished())
        messageManager->runDispatchLoopUntil(50);

    messageManager->runDispatchLoopUntil(10); // the last notification
    printer.finish();

    const auto sent = protocol.getMessagesDelivered();
    const auto total = (int)summary.framing.messages.size();
    const auto outcome = protocol.getOutcome();

    if (outcome.state == UploadOutcome::State::stopped)
    {
        out("interrupted: sent " + juce::String(sent) + " of " + juce::String(total) + " messages");
        return interrupted;
    }

    if (outcome.state != UploadOutcome::State::completed)
    {
        err(protocol.getStatusText());
        out("failed: sent " + juce::String(sent) + " of " + juce::String(total) + " messages");
        return outcome.reason == UploadOutcome::Reason::outputBusy ? portError : failure;
    }

    out("completed: sent " + juce::String(sent) + " of " + juce::String(total) + " messages");
    return success;
}

//==============================================================================
int printHelp(const char* help)
{
    std::fputs(help, stdout);
    return success;
}

int usage(const juce::String& problem, const char* help)
{
    err(problem);
    std::fputs(help, stderr);
    return usageError;
}

int run(const juce::StringArray& args)
{
    if (args.isEmpty())
        return usage("a command is needed", mainHelp);

    const auto command = args[0];

    if (command == "--version")
    {
        out(version);
        return success;
    }

    if (command == "--help" || command == "-h" || command == "help")
        return printHelp(mainHelp);

    const auto wantsHelp = args.contains("--help") || args.contains("-h");

    if (command == "list")
    {
        if (wantsHelp)
            return printHelp(listHelp);
        if (args.size() != 1)
            return usage("list takes no arguments", listHelp);
        return runList();
    }

    if (command == "check")
    {
        if (wantsHelp)
            return printHelp(checkHelp);
        if (args.size() > 2)
            return usage("check takes at most one file", checkHelp);
        return runCheck(args[1]);
    }

    if (command == "export")
    {
        if (wantsHelp)
            return printHelp(exportHelp);
        if (args.size() != 2)
            return usage("export takes one file name", exportHelp);
        return runExport(args[1]);
    }

    if (command == "send")
    {
        if (wantsHelp)
            return printHelp(sendHelp);

        juce::String portName, path;
        bool havePort = false;

        for (int i = 1; i < args.size(); ++i)
        {
            if (args[i] == "--port" && i + 1 < args.size())
            {
                portName = args[++i];
                havePort = true;
            }
            else if (args[i].startsWith("--port="))
            {
                portName = args[i].fromFirstOccurrenceOf("=", false, false);
                havePort = true;
            }
            else if (args[i].startsWith("-") || path.isNotEmpty())
            {
                return usage("unexpected argument " + args[i].quoted(), sendHelp);
            }
            else
            {
                path = args[i];
            }
        }

        if (! havePort)
            return usage("send needs --port NAME or --port NUMBER", sendHelp);

        return runSend(portName, path);
    }

    return usage("unknown command " + command.quoted(), mainHelp);
}
} // namespace

int main(int argc, char* argv[])
{
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add(juce::String::fromUTF8(argv[i]));

    const juce::ScopedJuceInitialiser_GUI juce;
    return run(args);
}
