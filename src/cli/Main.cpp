// flashmere-cli: the window's firmware update, from a terminal or a script.
//
// It uses the same firmware, MIDI and upload code as the window: the same framing check,
// the same port handling and the same protocol object with the pedal's pacing.

#include "app/QuitSignals.h"
#include "cli/FileExport.h"
#include "cli/HeadlessInterface.h"
#include "cli/ImageSummary.h"
#include "firmware/UserAlerts.h"
#include "protocol/BasicSysexProtocolClass.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <juce_events/juce_events.h>
#include <new>
#include <unistd.h>

namespace
{
enum ExitCode
{
    success = 0,
    failure = 1, // the image cannot be sent, the update failed, a file could not be written
    usageError = 2, // the command line is wrong
    portError = 3, // the port is unknown, ambiguous or cannot be opened
    stoppedBySignal = 128 // plus the signal's number: 129 hang-up, 130 Ctrl-C, 143 SIGTERM
};

/** The signals that stop an upload after its current message and pause. */
constexpr std::initializer_list<int> quitSignalNumbers { SIGINT, SIGTERM, SIGHUP };

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
Exit codes: 0 done; 1 the image cannot be sent, the update failed, a file could not be
written or the result could not be written to standard output; 2 wrong usage; 3 unknown,
ambiguous or unusable port; 129 stopped by a hang-up, 130 by Ctrl-C, 143 by SIGTERM.
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
nothing before, between or after them, none longer than 4096 bytes (the Linux ALSA
sequencer drops a longer message without a word). Prints the number of messages, the
smallest and largest message, the manufacturer bytes, the expected upload time at 31250
baud with the pedal's 300 ms pause after every message, and any fault with its byte
offset. A file larger than 16 MiB is refused unread.
Exit codes: 0 the image can be sent; 1 it cannot; 2 wrong usage.
)";

const char* const sendHelp = R"(Usage: flashmere-cli send --port NAME|NUMBER [FILE]

Uploads the built-in image, or FILE, to the MIDI output port given by its exact full name
or by its number from 'flashmere-cli list'. Each SysEx message is sent whole, in order,
followed by 300 ms of silence counted from when the message has left the MIDI cable.
Nothing is sent from an image that fails the check. On a terminal a progress bar shows
the message count, the percentage and the time left; otherwise one line is printed per
ten percent. Ctrl-C, a hang-up or SIGTERM stops after the current message and its
pause; one that comes after the last message's pause changes nothing. A closed or full
standard error does not stop the upload.
Exit codes: 0 the update completed; 1 the image cannot be sent, the update failed or
its result could not be written to standard output; 2 wrong usage; 3 unknown, ambiguous
or unusable port; 129 stopped by a hang-up, 130 by Ctrl-C, 143 by SIGTERM.
)";

const char* const exportHelp = R"(Usage: flashmere-cli export OUT.syx

Writes the built-in firmware image to OUT.syx, byte for byte. OUT.syx is a new file or
an existing regular file you may write (a symbolic link to one is followed); a folder,
a device, a FIFO or a read-only file is refused. The bytes are written to a temporary
file beside it that replaces it only once every byte is safely written, so a full disk
leaves an old OUT.syx as it was.
Exit codes: 0 written; 1 the file could not be written; 2 wrong usage.
)";

void err(const juce::String& text)
{
    std::fprintf(stderr, "flashmere-cli: %s\n", text.toRawUTF8());
}

/** The error of the first write to standard output that failed, or 0. */
int outputError = 0;

/** What became of an upload, repeated on standard error when standard output fails. */
juce::String uploadOutcome;

void out(const juce::String& text)
{
    if (std::fprintf(stdout, "%s\n", text.toRawUTF8()) < 0 && outputError == 0)
        outputError = errno != 0 ? errno : EIO;
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

    if (const auto problem = FileExport::write(file, image.getData(), image.getSize()); problem.isNotEmpty())
    {
        err(file.getFullPathName() + ": " + problem);
        return failure;
    }

    out("wrote " + juce::String(image.getSize()) + " bytes to " + file.getFullPathName());
    return success;
}

//==============================================================================
/** The port number that text spells (1 to count), or 0 when it spells none: digits only,
    and never wrapped round, so that 4294967297 is no port rather than port 1. */
int portNumber(const juce::String& text, int count)
{
    if (text.isEmpty() || ! text.containsOnly("0123456789"))
        return 0;

    juce::int64 number = 0;

    for (const auto c : text)
    {
        number = number * 10 + (c - '0');

        if (number > count)
            return 0;
    }

    return (int)number;
}

/** Resolves a port given by exact name or by number; prints the ports when it cannot. */
bool findPort(const juce::String& wanted, juce::MidiDeviceInfo& result)
{
    const auto devices = juce::MidiOutput::getAvailableDevices();
    juce::Array<int> matches;

    for (int i = 0; i < devices.size(); ++i)
        if (devices[i].name == wanted)
            matches.add(i);

    if (const auto number = portNumber(wanted, devices.size()); number > 0)
        matches.addIfNotAlreadyThere(number - 1);

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

    juce::MidiDeviceInfo port;

    if (! findPort(portName, port))
        return portError;

    HeadlessInterface device(port);

    if (! device.isOpen())
    {
        err("the MIDI output " + port.name.quoted() + " could not be opened");
        return portError;
    }

    BasicSysexProtocolClass protocol(&device, image.get());
    ProgressPrinter printer(protocol, device, summary);

    // Ctrl-C, a hang-up or SIGTERM asks the upload to stop; it ends after the current
    // message and its pause. Once the pass is over nothing is left to stop, so from then
    // on until the program has ended these signals are ignored (QuitSignals puts back
    // what was there before it): a late Ctrl-C must not turn a completed update into a
    // killed one.
    for (const auto signalNumber : quitSignalNumbers)
        std::signal(signalNumber, SIG_IGN);

    int stopSignal = 0;
    auto quitSignals = std::make_unique<QuitSignals>(
        [&](int signalNumber)
        {
            if (stopSignal == 0 && protocol.isThreadRunning())
            {
                stopSignal = signalNumber;
                printer.finish();
                err("stopping after the current message and its pause...");
                protocol.signalThreadShouldExit();
            }
        },
        quitSignalNumbers);

    err("sending " + describe(*image, path) + " to " + port.name.quoted() + ": "
        + juce::String((juce::int64)summary.framing.messages.size()) + " messages, about "
        + juce::String(juce::roundToInt(summary.uploadSeconds)) + " s");

    protocol.startUpdate();

    auto* messageManager = juce::MessageManager::getInstance();
    const auto finished = [&]
    {
        if (protocol.isThreadRunning())
            return false;

        const auto status = protocol.getStatusText();
        return stopSignal != 0 || status == "Update completed" || ProtocolBaseClass::isFailureStatus(status);
    };

    while (! finished())
        messageManager->runDispatchLoopUntil(50);

    messageManager->runDispatchLoopUntil(10); // the last notification
    quitSignals.reset();
    printer.finish();

    const auto status = protocol.getStatusText();
    const auto outcome = [&](const char* word)
    {
        uploadOutcome = juce::String(word) + ": sent " + juce::String(device.getMessagesSent()) + " of "
                        + juce::String((juce::int64)summary.framing.messages.size()) + " messages";
        out(uploadOutcome);
    };

    if (stopSignal != 0 && status != "Update completed")
    {
        outcome("interrupted");
        return stoppedBySignal + stopSignal;
    }

    if (status != "Update completed")
    {
        err(status);
        outcome("failed");
        return failure;
    }

    outcome("completed");
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

/** What follows a command on its command line: options up to a "--", operands after
    them. --port is taken only where a command allows it. */
struct CommandArguments
{
    juce::StringArray operands;
    juce::StringArray ports;
    bool wantsHelp = false;
    juce::String problem; // a usage error, when not empty

    CommandArguments(const juce::StringArray& args, bool takesPort)
    {
        bool optionsEnded = false;

        for (int i = 1; i < args.size() && problem.isEmpty(); ++i)
        {
            const auto& arg = args[i];

            if (optionsEnded || arg == "-" || ! arg.startsWith("-"))
            {
                if (arg.isEmpty())
                    problem = "an empty file name";
                else
                    operands.add(arg);
            }
            else if (arg == "--")
                optionsEnded = true;
            else if (arg == "--help" || arg == "-h")
                wantsHelp = true;
            else if (takesPort && arg == "--port" && i + 1 < args.size())
                ports.add(args[++i]);
            else if (takesPort && arg.startsWith("--port="))
                ports.add(arg.fromFirstOccurrenceOf("=", false, false));
            else if (takesPort && arg == "--port")
                problem = "--port needs a port name or number";
            else
                problem = "unexpected argument " + arg.quoted();
        }
    }
};

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

    const CommandArguments arguments(args, command == "send");
    const auto& operands = arguments.operands;

    const std::pair<const char*, const char*> helps[]
        = { { "list", listHelp }, { "check", checkHelp }, { "send", sendHelp }, { "export", exportHelp } };
    const char* help = nullptr;

    for (const auto& [name, text] : helps)
        if (command == name)
            help = text;

    if (help == nullptr)
        return usage("unknown command " + command.quoted(), mainHelp);

    if (arguments.wantsHelp)
        return printHelp(help);

    if (arguments.problem.isNotEmpty())
        return usage(arguments.problem, help);

    if (command == "list")
        return operands.isEmpty() ? runList() : usage("list takes no arguments", help);

    if (command == "check")
        return operands.size() <= 1 ? runCheck(operands[0]) : usage("check takes at most one file", help);

    if (command == "export")
        return operands.size() == 1 ? runExport(operands[0]) : usage("export takes one file name", help);

    if (arguments.ports.size() != 1)
        return usage(arguments.ports.isEmpty() ? "send needs --port NAME or --port NUMBER"
                                               : "send takes one --port",
                     help);

    if (operands.size() > 1)
        return usage("unexpected argument " + operands[1].quoted(), help);

    return runSend(arguments.ports[0], operands[0]);
}

/** Made ready before anything else runs, JUCE's static objects included (a debug build
    writes its version to standard error from one).

    Any of the standard descriptors that is closed gets /dev/null: otherwise the next file
    opened (JUCE's own message socket) would take its number, and progress text would be
    written into it. It is opened for reading only, so that writing to a standard output
    or error that was closed still fails, as it would have.

    A closed pipe or a full file on standard output or error must not end an upload
    half-way: the writes fail, and a lost result is reported, instead. */
__attribute__((constructor(101))) void prepareProcess()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            if (const auto opened = ::open("/dev/null", O_RDONLY); opened >= 0 && opened != fd)
                ::close(opened); // cannot happen: the lowest free number is taken

    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

/** Flushes standard output; when the result could not be written there, says so on
    standard error and turns success into failure. */
int checkResultWritten(int exitCode)
{
    if (std::fflush(stdout) != 0 && outputError == 0)
        outputError = errno != 0 ? errno : EIO;

    if (outputError == 0 && std::ferror(stdout) != 0)
        outputError = EIO;

    if (outputError == 0)
        return exitCode;

    err("the result could not be written to standard output ("
        + juce::String(std::strerror(outputError)).toLowerCase() + ")"
        + (uploadOutcome.isNotEmpty() ? "; the upload: " + uploadOutcome : juce::String()));
    return exitCode == success ? failure : exitCode;
}
} // namespace

int main(int argc, char* argv[])
{
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add(juce::String::fromUTF8(argv[i]));

    const juce::ScopedJuceInitialiser_GUI juce;
    int exitCode = failure;

    try
    {
        exitCode = run(args);
    }
    catch (const std::bad_alloc&)
    {
        err("there is not enough memory");
    }

    return checkResultWritten(exitCode);
}
