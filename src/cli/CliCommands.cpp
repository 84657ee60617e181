#include "cli/CliCommands.h"

#include "BuildInfo.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/FileExport.h"
#include "cli/HeadlessInterface.h"
#include "cli/ImageSummary.h"
#include "cli/ProgressPrinter.h"
#include "firmware/ProductSignature.h"
#include "midi/PortNames.h"
#include "platform/QuitSignals.h"
#include "platform/UserAlerts.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "protocol/UploadLog.h"

#include <csignal>
#include <cstdio>
#include <juce_cryptography/juce_cryptography.h>
#include <juce_events/juce_events.h>

namespace
{
/** The signals that stop an upload after its current message and pause. A Windows
    console sends Ctrl-C or Ctrl-Break; it has no hang-up, and nothing sends SIGTERM. */
#if JUCE_WINDOWS
constexpr std::initializer_list<int> quitSignalNumbers { SIGINT, SIGBREAK };
#else
constexpr std::initializer_list<int> quitSignalNumbers { SIGINT, SIGTERM, SIGHUP };
#endif

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
        CliOutput::message(path + ": "
                           + (problem.isNotEmpty() ? problem : juce::String("the file is empty")));
        return nullptr;
    }

    return image;
}

juce::String describe(const FirmwareImage& image, const juce::String& path)
{
    return path.isEmpty() ? "built-in (" + image.getProductName() + " " + image.getVersionText() + ")" : path;
}

/** The product an image is for: this pedal, or how another's messages start. */
juce::String productName(const ProductSignature::Verdict& product)
{
    return product.isThisProduct ? juce::String(BuildInfo::firmwareProduct)
                                 : "another product's (its messages start with " + product.foreignStart + ")";
}

/** The system's MIDI outputs, named as the user reads and types them. */
juce::Array<juce::MidiDeviceInfo> outputPorts()
{
    auto devices = juce::MidiOutput::getAvailableDevices();

    for (auto& device : devices)
        device.name = PortNames::readable(device.name);

    return devices;
}

/** Resolves a port given by exact name or by number; prints the ports when it cannot. */
bool findPort(const juce::String& wanted, juce::MidiDeviceInfo& result)
{
    const auto devices = outputPorts();
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

    CliOutput::message(
        (matches.isEmpty() ? "no MIDI output port is called " : "more than one MIDI output port matches ")
        + wanted.quoted() + "; the ports are:");

    for (int i = 0; i < devices.size(); ++i)
        std::fprintf(stderr, "  %d\t%s\n", i + 1, devices[i].name.toRawUTF8());

    if (devices.isEmpty())
        std::fprintf(stderr, "  (none)\n");

    return false;
}
} // namespace

//==============================================================================
int CliCommands::list()
{
    const auto devices = outputPorts();

    for (int i = 0; i < devices.size(); ++i)
        CliOutput::result(juce::String(i + 1) + "\t" + devices[i].name);

    return CliCommands::success;
}

int CliCommands::check(const juce::String& path, bool anyProduct)
{
    const auto image = loadImage(path);

    if (image == nullptr)
        return CliCommands::failure;

    const auto summary = ImageSummary::of(*image);
    const auto product = ProductSignature::thisPedal().check(image->getData(), image->getSize());

    CliOutput::result("image: " + describe(*image, path));
    CliOutput::result("bytes: " + juce::String((juce::int64)summary.totalBytes));
    CliOutput::result("messages: " + juce::String((juce::int64)summary.framing.messages.size()));
    CliOutput::result("smallest message: " + juce::String((juce::int64)summary.smallest) + " bytes");
    CliOutput::result("largest message: " + juce::String((juce::int64)summary.largest) + " bytes");
    CliOutput::result("manufacturer: "
                      + (summary.manufacturer.isNotEmpty() ? summary.manufacturer : juce::String("-")));
    CliOutput::result("expected upload time: " + juce::String(summary.uploadSeconds, 1)
                      + " s (31250 baud, 300 ms after each message)");
    CliOutput::result("product: " + productName(product));
    CliOutput::result("sha256: " + juce::SHA256(image->getData(), image->getSize()).toHexString());

    if (! summary.framing.isClean())
    {
        CliOutput::result("result: cannot be sent: " + juce::String(summary.framing.describeFault()));
        return CliCommands::failure;
    }

    if (! product.isThisProduct && ! anyProduct)
    {
        CliOutput::result("result: another product's firmware (--any-product to send it all the same)");
        return CliCommands::failure;
    }

    CliOutput::result("result: ok");
    return CliCommands::success;
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

int CliCommands::send(const juce::String& portName, const juce::String& path, bool anyProduct,
                      const juce::String& logFile, bool noLog)
{
    auto image = loadImage(path);

    if (image == nullptr)
        return CliCommands::failure;

    const auto summary = ImageSummary::of(*image);

    if (! summary.framing.isClean())
    {
        CliOutput::message("refusing to send " + describe(*image, path) + ": "
                           + juce::String(summary.framing.describeFault()) + "; nothing was sent");
        return CliCommands::failure;
    }

    if (const auto product = ProductSignature::thisPedal().check(image->getData(), image->getSize());
        ! product.isThisProduct && ! anyProduct)
    {
        CliOutput::message(
            "refusing to send " + describe(*image, path)
            + ": it is not this pedal's firmware, which can leave the pedal unusable (its messages "
              "start with "
            + product.foreignStart + "); --any-product sends it all the same. Nothing was sent");
        return CliCommands::failure;
    }

    juce::MidiDeviceInfo port;

    if (! findPort(portName, port))
        return CliCommands::portError;

    HeadlessInterface device(port);

    if (device.getOpenResult() == MidiOutputPort::OpenResult::busy)
    {
        CliOutput::message(
            "the MIDI output " + port.name.quoted()
            + " is in use by another program, which holds it for itself; close that program and "
              "try again. Nothing was sent.");
        return CliCommands::portError;
    }

    if (! device.isOpen())
    {
        CliOutput::message("the MIDI output " + port.name.quoted() + " could not be opened");
        return CliCommands::portError;
    }

    BasicSysexProtocolClass protocol(&device, image.get());
    protocol.setLogTarget(
        noLog ? UploadLog::Target::nowhere()
        : logFile.isEmpty()
            ? UploadLog::Target::standardFolder()
            : UploadLog::Target::toFile(juce::File::getCurrentWorkingDirectory().getChildFile(logFile)));
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
                CliOutput::message("stopping after the current message and its pause...");
                protocol.signalThreadShouldExit();
            }
        },
        quitSignalNumbers);

    CliOutput::message("sending " + describe(*image, path) + " to " + port.name.quoted() + ": "
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
    quitSignals.reset();
    printer.finish();

    if (const auto log = protocol.getLogFile(); log != juce::File())
        CliOutput::message("log: " + log.getFullPathName());

    // Decided on the protocol's outcome, never on its words: only messages delivered to a
    // port still there after their pause count.
    const auto result = protocol.getOutcome();
    const auto outcome = [&](const char* word)
    {
        CliOutput::uploadResult(juce::String(word) + ": sent " + juce::String(protocol.getMessagesDelivered())
                                + " of " + juce::String((juce::int64)summary.framing.messages.size())
                                + " messages");
    };

    if (result.state == UploadOutcome::State::stopped)
    {
        outcome("interrupted");
        return CliCommands::stoppedBySignal + stopSignal;
    }

    if (result.state != UploadOutcome::State::completed)
    {
        CliOutput::message(protocol.getStatusText());
        outcome("failed");
        return result.reason == UploadOutcome::Reason::outputBusy ? CliCommands::portError
                                                                  : CliCommands::failure;
    }

    outcome("completed");
    return CliCommands::success;
}
