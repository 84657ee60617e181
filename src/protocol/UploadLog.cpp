#include "protocol/UploadLog.h"

#include "BuildInfo.h"
#include "firmware/ImageFacts.h"
#include "platform/FileCalls.h"
#include "platform/PathBytes.h"
#include "platform/Places.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace UploadLog
{
namespace
{
// A field never holds the separators of the format: a path or a port name may. A byte of
// a path that is not UTF-8 is written \xHH, and a backslash doubled, so that the path's
// bytes can be read back.
juce::String field(const juce::String& text)
{
    return PathBytes::escaped(text).replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r");
}

juce::String line(std::initializer_list<juce::String> fields)
{
    juce::StringArray parts;

    for (const auto& f : fields)
        parts.add(f);

    return parts.joinIntoString("\t") + "\n";
}

juce::String ms(double value)
{
    return juce::String(value, 3);
}

// The pass's start time in UTC, which sorts as the passes came: 2026-12-09T11-16-40.123Z.
juce::String fileStem(juce::Time startedAt)
{
    const auto millis = startedAt.toMilliseconds();
    const auto seconds = (std::time_t)(millis / 1000);
    const auto utc = FileCalls::utc(seconds);
    char text[32] = {};
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H-%M-%S", &utc);
    return juce::String(text) + "." + juce::String((int)(millis % 1000)).paddedLeft('0', 3) + "Z";
}

// Writes the whole text into a regular file, a new one (createNew) or one emptied first;
// 0 or the error number, with the reason. Opened without blocking and checked on the open
// file, so that a FIFO or a device never holds the program after its upload. A file that
// was opened but could not be written whole is removed: a part of a log would pass for a
// pass that ended where it stops.
int writeText(const juce::File& file, bool createNew, const juce::String& text, juce::String& reason)
{
    const int fd = FileCalls::openForWriting(file, createNew);

    if (fd < 0)
    {
        const auto error = errno;
        reason = std::strerror(error);
        return error;
    }

    struct stat info
    {
    };

    if (::fstat(fd, &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG)
    {
        ::close(fd);
        reason = "it is not a regular file";
        return EINVAL;
    }

    int error = ::ftruncate(fd, 0) == 0 ? 0 : errno;
    const auto* bytes = text.toRawUTF8();
    auto left = text.getNumBytesAsUTF8();

    while (left > 0 && error == 0)
    {
        const auto n = ::write(fd, bytes, (unsigned)left);

        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n == 0)
            error = ENOSPC;
        else if (n > 0)
        {
            bytes += n;
            left -= (size_t)n;
        }
    }

    if (::close(fd) != 0 && error == 0)
        error = errno;

    if (error != 0)
    {
        FileCalls::remove(file);
        reason = std::strerror(error);
    }

    return error;
}

// A log's name in the folder: its pass's start time, and a number from 2 for the passes
// that started in the same millisecond ("2026-12-09T11-16-40.123Z-2.log").
struct LogName
{
    juce::String stem;
    int number = 1;

    // Names sort by time, then number; never as text, where "-10" comes before "-2".
    bool operator<(const LogName& other) const
    {
        return stem != other.stem ? stem < other.stem : number < other.number;
    }
};

// The name's time and number, when it is exactly a name the folder's logs are given.
std::optional<LogName> parseLogName(const juce::String& fileName)
{
    static const juce::String shape = "0000-00-00T00-00-00.000Z";
    const auto stem = fileName.substring(0, shape.length());

    if (stem.length() != shape.length())
        return std::nullopt;

    for (int i = 0; i < shape.length(); ++i)
        if (shape[i] == '0' ? ! juce::CharacterFunctions::isDigit(stem[i]) : stem[i] != shape[i])
            return std::nullopt;

    const auto rest = fileName.substring(shape.length());

    if (rest == ".log")
        return LogName { stem, 1 };

    const auto digits
        = rest.fromFirstOccurrenceOf("-", false, false).upToLastOccurrenceOf(".log", false, false);

    if (! rest.startsWith("-") || rest != "-" + digits + ".log" || digits.isEmpty() || digits.length() > 6
        || ! digits.containsOnly("0123456789") || digits[0] == '0' || digits.getIntValue() < 2)
        return std::nullopt;

    return LogName { stem, digits.getIntValue() };
}

// The folder's own logs, oldest first: regular files named as its logs are, never a link.
std::vector<std::pair<LogName, juce::File>> ownLogs(const juce::File& folder)
{
    std::vector<std::pair<LogName, juce::File>> logs;

    for (const auto& f : folder.findChildFiles(juce::File::findFiles, false, "*.log"))
        if (const auto name = parseLogName(f.getFileName()); name && ! f.isSymbolicLink())
            logs.emplace_back(*name, f);

    std::sort(logs.begin(), logs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return logs;
}

juce::File writeInFolder(const juce::File& folder, const juce::String& stem, const juce::String& text,
                         juce::String& reason)
{
    if (const auto made = folder.createDirectory(); made.failed())
    {
        reason = made.getErrorMessage();
        return {};
    }

    // Passes that start in the same millisecond (several flashmere-cli at once) each get
    // a file of their own: a name is taken only by the process that creates it. A new log
    // takes a number after every log of its millisecond, so that it sorts last even when
    // an older one has been removed.
    int first = 1;

    for (const auto& log : ownLogs(folder))
        if (log.first.stem == stem)
            first = std::max(first, log.first.number + 1);

    for (int number = first; number < first + 100; ++number)
    {
        const auto file = folder.getChildFile(stem + (number > 1 ? "-" + juce::String(number) : "") + ".log");

        if (const auto error = writeText(file, true, text, reason); error != EEXIST)
            return error == 0 ? file : juce::File();
    }

    return {};
}

void removeOldest(const juce::File& folder, const juce::File& keep)
{
    auto logs = ownLogs(folder);

    // The new log always stays, even when the clock went back.
    logs.erase(std::remove_if(logs.begin(), logs.end(), [&](const auto& log) { return log.second == keep; }),
               logs.end());

    for (size_t i = 0; i + (filesKept - 1) < logs.size(); ++i)
        logs[i].second.deleteFile();
}
} // namespace

Target Target::standardFolder()
{
    return inFolder(Places::logFolder());
}

juce::String format(const UploadRecord& record, const Subject& subject)
{
    const auto facts = subject.facts != nullptr ? *subject.facts : ImageFacts::of(subject.data, subject.size);
    juce::String text;

    text << line({ "flashmere-log", "1" });
    text << line({ "program", BuildInfo::applicationName, BuildInfo::version });
    text << line({ "started", record.startedAt.toISO8601(true) });
    text << line({ "image", subject.image.isEmpty() ? juce::String("built-in") : field(subject.image) });
    text << line({ "size", juce::String((juce::int64)facts.size) });
    text << line({ "messages", juce::String((juce::int64)facts.framing.messages.size()) });
    text << line({ "sha256", facts.sha256 });
    text << line({ "port", field(record.port) });

    for (const auto& c : record.connections)
        text << line({ "connection", ms(c.atMs), c.accepted ? "accepted" : "appeared", field(c.writer) });

    for (const auto& m : record.messages)
        text << line({ "message", juce::String(m.index), juce::String(m.bytes), ms(m.startMs), ms(m.sendMs),
                       juce::String(m.pauseMs), ms(m.gapMs) });

    text << line({ "outcome", UploadOutcome::nameOf(record.outcome.state),
                   UploadOutcome::nameOf(record.outcome.reason), juce::String(record.messagesDelivered),
                   field(record.status) });
    return text;
}

juce::File write(const Target& target, const UploadRecord& record, const Subject& subject)
{
    if (target.kind == Target::Kind::none)
        return {};

    const auto text = format(record, subject);
    juce::String reason;
    juce::File written;

    if (target.kind == Target::Kind::file)
    {
        written = writeText(target.where, false, text, reason) == 0 ? target.where : juce::File();
    }
    else
    {
        written = writeInFolder(target.where, fileStem(record.startedAt), text, reason);

        if (written != juce::File())
            removeOldest(target.where, written);
    }

    if (written == juce::File())
        std::fprintf(stderr, "%s: the update's log could not be written to %s: %s\n",
                     target.teller != nullptr ? target.teller : BuildInfo::applicationName,
                     PathBytes::shown(target.where.getFullPathName()).toRawUTF8(), reason.toRawUTF8());

    return written;
}
} // namespace UploadLog
