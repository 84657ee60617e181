#include "cli/CliCommands.h"

#include "BuildInfo.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/CliReport.h"
#include "cli/HeadlessInterface.h"
#include "cli/ImageSummary.h"
#include "cli/ProgressPrinter.h"
#include "firmware/ProductSignature.h"
#include "midi/PortNames.h"
#include "platform/FileExport.h"
#include "platform/PathBytes.h"
#include "platform/QuitSignals.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "protocol/LoopbackTest.h"
#include "protocol/UploadLog.h"
#include "ui/UserAlerts.h"

#include "MidiLimits.h"

#include <csignal>
#include <cstdio>
#include <functional>
#include <juce_cryptography/juce_cryptography.h>
#include <juce_events/juce_events.h>

namespace
{
/** A loaded image, or none and the reason in problem. Alerts the loader would show in a box
    are told in the problem instead. */
std::unique_ptr<FirmwareImage> loadImage(const juce::String& path, juce::String& problem)
{
    if (path.isEmpty())
    {
        auto image = std::make_unique<FirmwareImage>();
        image->setProductName("Velamor");
        return image;
    }

    juce::String alerted;
    const UserAlerts::ScopedPresenter printer(
        [&](const UserAlerts::Alert& alert)
        { alerted = alert.title + ": " + alert.message.upToFirstOccurrenceOf("\n", false, false); });
    auto image = std::make_unique<FirmwareImage>(path);

    if (image->getData() == nullptr)
    {
        // The window's box calls a folder or a FIFO not found; here it is told what it is.
        const auto kind
            = FileExport::unlessRegular(juce::File::getCurrentWorkingDirectory().getChildFile(path));
        problem = PathBytes::shown(path) + ": "
                  + (kind.isNotEmpty()      ? kind + ", not a firmware file"
                     : alerted.isNotEmpty() ? alerted
                                            : juce::String("the file is empty"));
        return nullptr;
    }

    return image;
}

/** The image as JSON names it: "built-in", or the file's path as given (PathBytes::shown). */
juce::String imageName(const juce::String& path)
{
    return path.isEmpty() ? juce::String("built-in") : PathBytes::shown(path);
}

juce::String describe(const FirmwareImage& image, const juce::String& path)
{
    return path.isEmpty() ? "built-in (" + image.getProductName() + " " + image.getVersionText() + ")"
                          : PathBytes::shown(path);
}

/** Ends a command that a signal stopped before it did its work. */
int stoppedEarly(CliReport& report, const juce::String& what)
{
    const auto signalNumber = QuitSignals::noted();
    report.set("signal", signalNumber);
    return report.fail(CliCommands::stoppedBySignal + signalNumber, "interrupted", what);
}

/** The product an image is for: this pedal, or how another's messages start. */
juce::String productName(const ProductSignature::Verdict& product)
{
    return product.isThisProduct ? juce::String(BuildInfo::firmwareProduct)
                                 : "another product's (its messages start with " + product.foreignStart + ")";
}

/** The system's MIDI outputs (or inputs), named as the user reads and types them. */
juce::Array<juce::MidiDeviceInfo> outputPorts(bool inputs = false)
{
    auto devices = inputs ? juce::MidiInput::getAvailableDevices() : juce::MidiOutput::getAvailableDevices();

    for (auto& device : devices)
        device.name = PortNames::readable(device.name);

    return devices;
}

/** Other programs' ports that write to an output, as JSON gives them. */
juce::var connectionList(const std::vector<OtherWriter>& writers)
{
    juce::Array<juce::var> list;

    for (const auto& writer : writers)
    {
        auto connection = std::make_unique<juce::DynamicObject>();
        connection->setProperty("client", writer.client);
        connection->setProperty("port", writer.port);
        connection->setProperty("clientName", writer.clientName);
        connection->setProperty("portName", writer.portName);
        connection->setProperty("accepted", writer.accepted);
        list.add(connection.release());
    }

    return list;
}

/** The ports, numbered from 1, as JSON gives them; with the other programs writing to
    each when they are known. */
juce::var portList(const juce::Array<juce::MidiDeviceInfo>& devices,
                   const std::vector<std::vector<OtherWriter>>& writers = {})
{
    juce::Array<juce::var> ports;

    for (int i = 0; i < devices.size(); ++i)
    {
        auto port = std::make_unique<juce::DynamicObject>();
        port->setProperty("number", i + 1);
        port->setProperty("name", devices[i].name);

        if ((size_t)i < writers.size())
        {
            juce::Array<juce::var> names;

            for (const auto& writer : writers[(size_t)i])
                names.add(writer.describe());

            port->setProperty("otherPrograms", names);
        }

        ports.add(port.release());
    }

    return ports;
}

/** Resolves a port given by exact name or by number; tells the ports when it cannot. */
bool findPort(const juce::Array<juce::MidiDeviceInfo>& devices, const juce::String& wanted,
              juce::MidiDeviceInfo& result, CliReport& report, const char* kind = "output")
{
    juce::Array<int> matches;

    for (int i = 0; i < devices.size(); ++i)
        if (devices[i].name == wanted)
            matches.add(i);

    if (const auto number = CliArguments::portNumber(wanted, devices.size()); number > 0)
        matches.addIfNotAlreadyThere(number - 1);

    if (matches.size() == 1)
    {
        result = devices[matches[0]];
        return true;
    }

    const auto problem = (matches.isEmpty() ? "no MIDI " + juce::String(kind) + " port is called "
                                            : "more than one MIDI " + juce::String(kind) + " port matches ")
                         + wanted.quoted() + "; the ports are:";
    CliOutput::message(problem);

    for (int i = 0; i < devices.size(); ++i)
        std::fprintf(stderr, "  %d\t%s\n", i + 1, devices[i].name.toRawUTF8());

    if (devices.isEmpty())
        std::fprintf(stderr, "  (none)\n");

    report.set("ports", portList(devices));
    report.setError(matches.isEmpty() ? "unknownPort" : "ambiguousPort",
                    problem.upToLastOccurrenceOf(";", false, false));
    return false;
}

/** Stops the message loop once the broadcaster's work has ended (a pass has told its
    outcome, a test its verdict). */
class EndWatch final : public juce::ChangeListener
{
public:
    EndWatch(juce::ChangeBroadcaster& b, std::function<bool()> hasEnded)
        : broadcaster(b)
        , ended(std::move(hasEnded))
    {
        broadcaster.addChangeListener(this);
    }

    ~EndWatch() override { broadcaster.removeChangeListener(this); }

    void changeListenerCallback(juce::ChangeBroadcaster*) override
    {
        if (ended())
            juce::MessageManager::getInstance()->stopDispatchLoop();
    }

private:
    juce::ChangeBroadcaster& broadcaster;
    std::function<bool()> ended;
};

/** The framing fault of an image as one word, stable for scripts. */
const char* faultName(SysexFraming::Fault fault)
{
    switch (fault)
    {
        case SysexFraming::Fault::none:
            return "none";
        case SysexFraming::Fault::empty:
            return "empty";
        case SysexFraming::Fault::strayByte:
            return "strayByte";
        case SysexFraming::Fault::statusByteInMessage:
            return "statusByteInMessage";
        case SysexFraming::Fault::unterminatedMessage:
            return "unterminatedMessage";
        case SysexFraming::Fault::messageTooLong:
            return "messageTooLong";
    }

    return "?";
}

/** The image's faults of framing with their byte offsets: none, or the first one, where
    the check stops. */
juce::var faultList(const SysexFraming& framing)
{
    juce::Array<juce::var> faults;

    if (! framing.isClean())
    {
        auto fault = std::make_unique<juce::DynamicObject>();
        fault->setProperty("kind", faultName(framing.fault));
        fault->setProperty("offset", (juce::int64)framing.faultOffset);
        fault->setProperty("description", juce::String(framing.describeFault()));
        faults.add(fault.release());
    }

    return faults;
}

/** How another product's messages start, in JSON. */
juce::var productOf(const ProductSignature::Verdict& verdict)
{
    auto product = std::make_unique<juce::DynamicObject>();
    product->setProperty("thisPedal", verdict.isThisProduct);
    product->setProperty("name", verdict.isThisProduct ? juce::var(BuildInfo::firmwareProduct) : juce::var());
    product->setProperty("messagesStartWith",
                         verdict.isThisProduct ? juce::var() : juce::var(verdict.foreignStart));
    return product.release();
}
} // namespace

//==============================================================================
int CliCommands::list(bool json, bool inputs)
{
    QuitSignals::noteFromNowOn();
    CliReport report("list", json);
    const auto devices = outputPorts(inputs);

    if (QuitSignals::noted() != 0)
        return stoppedEarly(report, "stopped before the ports were listed");

    std::vector<std::vector<OtherWriter>> writers;

    for (const auto& device : devices)
        writers.push_back(OutputConnectionCheck(device).survey().otherWriters);

    report.set("ports", portList(devices, writers));

    for (int i = 0; i < devices.size(); ++i)
    {
        const auto others = (int)writers[(size_t)i].size();
        report.line(juce::String(i + 1) + "\t" + devices[i].name
                    + (others == 0   ? juce::String()
                       : others == 1 ? juce::String("\t(1 other program connected)")
                                     : "\t(" + juce::String(others) + " other programs connected)"));
    }

    return report.finish(CliCommands::success);
}

int CliCommands::check(const juce::String& path, bool anyProduct, bool json)
{
    CliReport report("check", json);
    report.set("image", imageName(path));
    juce::String problem;
    const auto image = loadImage(path, problem);

    if (image == nullptr)
        return report.fail(CliCommands::failure, "fileUnreadable", problem);

    const auto summary = ImageSummary::of(*image);
    const auto product = image->getFacts().product;
    const auto messages = (juce::int64)summary.framing.messages.size();

    report.line("image: " + describe(*image, path));
    report.add("bytes", (juce::int64)summary.totalBytes,
               "bytes: " + juce::String((juce::int64)summary.totalBytes));
    report.add("messages", messages, "messages: " + juce::String(messages));
    report.add("smallestMessage", (juce::int64)summary.smallest,
               "smallest message: " + juce::String((juce::int64)summary.smallest) + " bytes");
    report.add("largestMessage", (juce::int64)summary.largest,
               "largest message: " + juce::String((juce::int64)summary.largest) + " bytes");
    report.add(
        "manufacturer", summary.manufacturer.isNotEmpty() ? juce::var(summary.manufacturer) : juce::var(),
        "manufacturer: " + (summary.manufacturer.isNotEmpty() ? summary.manufacturer : juce::String("-")));
    report.add("expectedUploadMs", juce::roundToInt(summary.uploadSeconds * 1000.0),
               "expected upload time: " + juce::String(summary.uploadSeconds, 1)
                   + " s (31250 baud, 300 ms after each message)");
    report.add("product", productOf(product), "product: " + productName(product));
    const auto sha256 = juce::SHA256(image->getData(), image->getSize()).toHexString();
    report.add("sha256", sha256, "sha256: " + sha256);
    report.set("faults", faultList(summary.framing));

    if (! summary.framing.isClean())
    {
        report.add("result", "unsendable",
                   "result: cannot be sent: " + juce::String(summary.framing.describeFault()));
        return report.finish(CliCommands::failure);
    }

    if (! product.isThisProduct && ! anyProduct)
    {
        report.add("result", "anotherProduct",
                   "result: another product's firmware (--any-product to send it all the same)");
        return report.finish(CliCommands::failure);
    }

    report.add("result", "ok", "result: ok");
    return report.finish(CliCommands::success);
}

int CliCommands::exportImage(const juce::String& outPath)
{
    const FirmwareImage image;
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile(outPath);

    if (const auto problem = FileExport::write(file, image.getData(), image.getSize()); problem.isNotEmpty())
    {
        CliOutput::message(file.getFullPathName() + ": " + problem);
        return CliCommands::failure;
    }

    CliOutput::result("wrote " + juce::String(image.getSize()) + " bytes to " + file.getFullPathName());
    return CliCommands::success;
}

namespace
{
/** The refusal of an image that must not be sent, or of a log target that cannot be
    written, as an exit code; 0 to go on. */
int vetImage(const CliArguments& arguments, const FirmwareImage& image, const ImageSummary& summary,
             const juce::File& logFile, CliReport& report)
{
    const auto& path = arguments.files[0];

    if (! summary.framing.isClean())
        return report.fail(CliCommands::failure, "imageUnsendable",
                           "refusing to send " + describe(image, path) + ": "
                               + juce::String(summary.framing.describeFault()) + "; nothing was sent");

    if (const auto& product = image.getFacts().product; ! product.isThisProduct && ! arguments.anyProduct)
        return report.fail(
            CliCommands::failure, "anotherProduct",
            "refusing to send " + describe(image, path)
                + ": it is not this pedal's firmware, which can leave the pedal unusable (its messages "
                  "start with "
                + product.foreignStart + "); --any-product sends it all the same. Nothing was sent");

    // Refused before anything is sent: a FIFO without a reader, for one, would hold the
    // program for ever once the upload is over.
    if (const auto refusal
        = arguments.logFile.isEmpty() || arguments.noLog ? juce::String() : FileExport::refusal(logFile);
        refusal.isNotEmpty())
        return report.fail(CliCommands::failure, "logUnwritable",
                           "the log cannot go to " + PathBytes::shown(logFile.getFullPathName()) + ": it "
                               + refusal + "; nothing was sent");

    return 0;
}

/** Ends a send that a signal stopped before the upload started. */
int stoppedBeforeStart(CliReport& report)
{
    report.set("outcome", "interrupted");
    return stoppedEarly(report, "stopped before the upload started; nothing was sent");
}

/** Finds the port asked for and opens it; a refusal's exit code, or 0 with device open. */
int openPort(const CliArguments& arguments, std::unique_ptr<HeadlessInterface>& device, CliReport& report)
{
    const auto devices = outputPorts();
    juce::MidiDeviceInfo port;

    if (QuitSignals::noted() != 0)
        return stoppedBeforeStart(report);

    if (! findPort(devices, arguments.port, port, report))
        return report.finish(CliCommands::portError);

    report.set("port", port.name);
    device = std::make_unique<HeadlessInterface>(port);

    if (device->getOpenResult() == MidiOutputPort::OpenResult::busy)
        return report.fail(CliCommands::portError, "portInUse",
                           "the MIDI output " + port.name.quoted()
                               + " is in use by another program, which holds it for itself; close that "
                                 "program and try again. Nothing was sent.");

    if (! device->isOpen())
        return report.fail(CliCommands::portError, "portNotOpened",
                           "the MIDI output " + port.name.quoted() + " could not be opened");

    return 0;
}

/** Refuses an output that other programs write to, unless the user said to share it;
    then those writers are accepted for the pass, and only a new one fails it. */
int vetOtherWriters(const CliArguments& arguments, HeadlessInterface& device, CliReport& report)
{
    const auto writers = device.surveyOtherWriters();

    if (! writers.empty() && ! arguments.sharedOutput)
    {
        report.set("connections", connectionList(writers));
        return report.fail(
            CliCommands::portError, "outputShared",
            "other programs are connected to the MIDI output " + device.getOutputName().quoted()
                + ", and what they send would be mixed into the firmware: " + OtherWriter::describe(writers)
                + ". Disconnect them from the output or close them, or give --shared-output "
                  "to send all the same. Nothing was sent");
    }

    device.acceptOtherWriters(writers);
    return 0;
}

/** Tells how a pass that started ended, decided on the protocol's outcome, never on its
    words: only messages delivered to a port still there after their pause count. */
int reportPass(const BasicSysexProtocolClass& protocol, const HeadlessInterface& device, int stopSignal,
               juce::int64 total, CliReport& report)
{
    const auto log = protocol.getLogFile();

    if (log != juce::File())
        CliOutput::message("log: " + PathBytes::shown(log.getFullPathName()));

    const auto result = protocol.getOutcome();
    const auto delivered = protocol.getMessagesDelivered();
    const auto outcome = [&](const char* word, int exitCode)
    {
        const auto told = juce::String(word) + ": sent " + juce::String(delivered) + " of "
                          + juce::String(total) + " messages";
        CliOutput::noteUploadResult(told);
        report.line(told);
        report.set("outcome", word);
        report.set("messagesSent", device.getMessagesSent());
        report.set("messagesDelivered", delivered);
        report.set("connections", connectionList(device.getOtherWriters()));
        report.set("log",
                   log != juce::File() ? juce::var(PathBytes::shown(log.getFullPathName())) : juce::var());
        return report.finish(exitCode);
    };

    if (result.state == UploadOutcome::State::stopped)
    {
        report.set("signal", stopSignal);
        return outcome("interrupted", CliCommands::stoppedBySignal + stopSignal);
    }

    if (result.state != UploadOutcome::State::completed)
    {
        CliOutput::message(protocol.getStatusText());
        report.setError(UploadOutcome::nameOf(result.reason), protocol.getStatusText());
        // Nothing was sent: the port could not be used for this update.
        const auto portRefused
            = result.reason == UploadOutcome::Reason::outputBusy
              || result.reason == UploadOutcome::Reason::lockUnavailable
              || (result.reason == UploadOutcome::Reason::outputShared && device.getMessagesSent() == 0);
        return outcome("failed", portRefused ? CliCommands::portError : CliCommands::failure);
    }

    return outcome("completed", CliCommands::success);
}
} // namespace

int CliCommands::send(const CliArguments& arguments)
{
    QuitSignals::noteFromNowOn();
    const auto& path = arguments.files[0];
    CliReport report("send", arguments.json);
    // Every key a script may read is there from the start, in the same order, whatever the
    // way the command ends: a refusal sends nothing and writes no log.
    report.set("image", imageName(path));
    report.set("port", juce::var());
    report.set("messages", juce::var());
    report.set("expectedUploadMs", juce::var());
    report.set("outcome", "refused");
    report.set("messagesSent", 0);
    report.set("messagesDelivered", 0);
    report.set("connections", juce::Array<juce::var>());
    report.set("log", juce::var());

    juce::String problem;
    auto image = loadImage(path, problem);

    if (image == nullptr)
        return report.fail(CliCommands::failure, "fileUnreadable", problem);

    const auto summary = ImageSummary::of(*image);
    const auto total = (juce::int64)summary.framing.messages.size();
    report.set("messages", total);
    report.set("expectedUploadMs", juce::roundToInt(summary.uploadSeconds * 1000.0));
    const auto logFile = juce::File::getCurrentWorkingDirectory().getChildFile(arguments.logFile);
    std::unique_ptr<HeadlessInterface> device;

    if (const auto refused = vetImage(arguments, *image, summary, logFile, report); refused != 0)
        return refused;

    if (const auto refused = openPort(arguments, device, report); refused != 0)
        return refused;

    if (const auto refused = vetOtherWriters(arguments, *device, report); refused != 0)
        return refused;

    BasicSysexProtocolClass protocol(device.get(), image.get());
    auto pacing = std::make_unique<UploadPacing>();
    pacing->setSilenceMs(arguments.pauseMs);
    protocol.setPacing(std::move(pacing));
    protocol.setLogTarget((arguments.noLog               ? UploadLog::Target::nowhere()
                           : arguments.logFile.isEmpty() ? UploadLog::Target::standardFolder()
                                                         : UploadLog::Target::toFile(logFile))
                              .toldBy("flashmere-cli"));
    ProgressPrinter printer(protocol, *device, summary);

    // Ctrl-C, a hang-up or SIGTERM asks the upload to stop; it ends after the current
    // message and its pause. Once the pass is over, a late one is only noted and left
    // unread: it must not turn a completed update into a killed one.
    int stopSignal = 0;
    auto quitSignals = std::make_unique<QuitSignals>(
        [&](int signalNumber)
        {
            if (stopSignal == 0 && protocol.isThreadRunning())
            {
                stopSignal = signalNumber;
                printer.finish();
                CliOutput::message("stopping after the current message and its pause...");
                protocol.signalThreadShouldExit();
            }
        });

    // One that came before QuitSignals took over was noted.
    if (QuitSignals::noted() != 0)
        return stoppedBeforeStart(report);

    const auto longerPauseMs = arguments.pauseMs - UploadPacing::silenceMs;
    CliOutput::message(
        "sending " + describe(*image, path) + " to " + device->getOutputName().quoted() + ": "
        + juce::String(total) + " messages, about "
        + juce::String(juce::roundToInt(summary.uploadSeconds + (double)total * longerPauseMs / 1000.0))
        + " s" + (longerPauseMs > 0 ? ", " + juce::String(arguments.pauseMs) + " ms after each" : ""));

    // The loop sleeps until something comes (JUCE's runDispatchLoopUntil would wake every
    // millisecond); it ends at the pass's outcome, told once the log is written.
    const EndWatch passEnd(protocol,
                           [&]
                           {
                               const auto state = protocol.getOutcome().state;
                               return state != UploadOutcome::State::notStarted
                                      && state != UploadOutcome::State::running;
                           });
    protocol.startUpdate();
    juce::MessageManager::getInstance()->runDispatchLoop();

    // The stopped loop takes no more messages, so the pass's last step, putting back an
    // interface that has no screen here, gives up at once and the thread ends.
    protocol.stopThread(2000);
    quitSignals.reset();
    printer.finish();
    return reportPass(protocol, *device, stopSignal, total, report);
}

namespace
{
/** The lengths of the messages that size the series: the built-in image's (empty path) or
    a file's; none when the file cannot be read or holds no message, the reason in problem. */
std::vector<size_t> imageLengths(const juce::String& path, juce::String& problem)
{
    std::vector<size_t> lengths;
    const auto image = loadImage(path, problem);

    if (image == nullptr)
        return lengths;

    for (const auto& message : image->getFacts().framing.messages)
        lengths.push_back(message.length);

    if (lengths.empty())
        problem = PathBytes::shown(path) + ": it holds no complete SysEx message";

    return lengths;
}

/** The verdict's table: a row per message sent. */
juce::var verdictTable(const LoopbackVerdict& verdict)
{
    juce::Array<juce::var> rows;

    for (size_t i = 0; i < verdict.rows.size(); ++i)
    {
        const auto& row = verdict.rows[i];
        auto object = std::make_unique<juce::DynamicObject>();
        object->setProperty("message", (int)i + 1);
        object->setProperty("bytesSent", row.bytesSent);
        object->setProperty("bytesBack", row.bytesBack >= 0 ? juce::var(row.bytesBack) : juce::var());
        object->setProperty("exact", row.exact);
        object->setProperty("gapAfterMs",
                            row.gapAfterMs >= 0 ? juce::var(juce::roundToInt(row.gapAfterMs)) : juce::var());
        rows.add(object.release());
    }

    return rows;
}

} // namespace

int CliCommands::loopback(const CliArguments& arguments)
{
    QuitSignals::noteFromNowOn();
    CliReport report("loopback", arguments.json);
    report.set("output", juce::var());
    report.set("input", juce::var());
    report.set("image", imageName(arguments.sizeFile));
    report.set("series", arguments.full ? "full" : "short");

    juce::String problem;
    const auto lengths = imageLengths(arguments.sizeFile, problem);

    if (lengths.empty())
        return report.fail(CliCommands::usageError, "fileUnreadable", problem);

    const auto series = arguments.full ? LoopbackSeries::full(lengths, systemMidiLargestSysex)
                                       : LoopbackSeries::quick(lengths, systemMidiLargestSysex);
    juce::MidiDeviceInfo output, input;

    if (! findPort(outputPorts(), arguments.port, output, report)
        || ! findPort(outputPorts(true), arguments.input, input, report, "input"))
        return report.finish(CliCommands::portError);

    report.set("output", output.name);
    report.set("input", input.name);
    LoopbackTest test(output, input, series);
    int stopSignal = 0;
    const QuitSignals quitSignals(
        [&](int signalNumber)
        {
            stopSignal = stopSignal != 0 ? stopSignal : signalNumber;
            test.stop();
        });

    if (QuitSignals::noted() != 0)
        return stoppedEarly(report, "stopped before the test started");

    CliOutput::message("testing " + output.name.quoted() + " into " + input.name.quoted() + ": "
                       + juce::String((int)series.messages.size()) + " messages, about "
                       + juce::String(juce::roundToInt(series.seconds())) + " s");
    const EndWatch end(test, [&] { return test.isFinished(); });
    test.start();
    juce::MessageManager::getInstance()->runDispatchLoop();

    const auto outcome = test.getOutcome();

    if (outcome == LoopbackTest::Outcome::stopped)
    {
        report.set("signal", stopSignal);
        return report.fail(CliCommands::stoppedBySignal + stopSignal, "interrupted", test.describe());
    }

    if (outcome != LoopbackTest::Outcome::judged)
    {
        const auto portFault = outcome != LoopbackTest::Outcome::outputLost;
        return report.fail(portFault ? CliCommands::portError : CliCommands::failure,
                           LoopbackTest::nameOf(outcome), test.describe());
    }

    const auto verdict = test.getVerdict();
    report.add("messages", (int)verdict.rows.size(),
               "messages sent: " + juce::String((int)verdict.rows.size()));
    report.add("seconds", juce::roundToInt(test.getSeconds() * 10.0) / 10.0,
               "time: " + juce::String(test.getSeconds(), 1) + " s");
    report.set("fault", verdict.isFit() ? juce::var() : juce::var(verdict.kindName()));
    report.set("table", verdictTable(verdict));
    report.set("fit", verdict.isFit());
    report.add("verdict", verdict.describe(input.name), "verdict: " + verdict.describe(input.name));
    return report.finish(verdict.isFit() ? CliCommands::success : CliCommands::failure);
}
