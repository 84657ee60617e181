#include "protocol/UploadLog.h"

#include "BuildInfo.h"
#include "firmware/SysexFraming.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <juce_cryptography/juce_cryptography.h>

#if JUCE_WINDOWS
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace UploadLog
{
namespace
{
// A field never holds the separators of the format: a path or a port name may.
juce::String field(const juce::String& text)
{
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r");
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
    std::tm utc {};
#if JUCE_WINDOWS
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32] = {};
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H-%M-%S", &utc);
    return juce::String(text) + "." + juce::String((int)(millis % 1000)).paddedLeft('0', 3) + "Z";
}

// Writes the whole text; 0 or the error number.
int writeText(const juce::File& file, int flags, const juce::String& text)
{
#if JUCE_WINDOWS
    // The wide-character call, since a narrow path is taken in the ANSI code page.
    const int fd = ::_wopen(file.getFullPathName().toWideCharPointer(),
                            _O_WRONLY | _O_BINARY | _O_NOINHERIT | flags, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(file.getFullPathName().toRawUTF8(), O_WRONLY | O_CLOEXEC | flags, 0644);
#endif

    if (fd < 0)
        return errno;

    const auto* bytes = text.toRawUTF8();
    auto left = text.getNumBytesAsUTF8();
    int error = 0;

    while (left > 0 && error == 0)
    {
        const auto n = ::write(fd, bytes, left);

        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
        {
            bytes += n;
            left -= (size_t)n;
        }
    }

    if (::close(fd) != 0 && error == 0)
        error = errno;

    return error;
}

juce::File writeInFolder(const juce::File& folder, const juce::String& stem, const juce::String& text,
                         juce::String& reason)
{
    if (const auto made = folder.createDirectory(); made.failed())
    {
        reason = made.getErrorMessage();
        return {};
    }

    int error = 0;

    // Passes that start in the same millisecond (several flashmere-cli at once) each get
    // a file of their own: a name is taken only by the process that creates it.
    for (int attempt = 1; attempt <= 100; ++attempt)
    {
        const auto file
            = folder.getChildFile(stem + (attempt > 1 ? "-" + juce::String(attempt) : "") + ".log");
        error = writeText(file, O_CREAT | O_EXCL, text);

        if (error == 0)
            return file;

        if (error != EEXIST)
            break;
    }

    reason = std::strerror(error);
    return {};
}

void removeOldest(const juce::File& folder, const juce::File& keep)
{
    auto logs = folder.findChildFiles(juce::File::findFiles, false, "*.log");
    logs.removeIf([](const juce::File& f)
                  { return ! juce::CharacterFunctions::isDigit(f.getFileName()[0]); });
    logs.removeFirstMatchingValue(keep);

    // Names are start times, so they sort oldest first; the new log always stays, even
    // when the clock went back.
    std::sort(logs.begin(), logs.end(),
              [](const juce::File& a, const juce::File& b) { return a.getFileName() < b.getFileName(); });

    for (int i = 0; i < logs.size() - (filesKept - 1); ++i)
        logs.getReference(i).deleteFile();
}
} // namespace

Target Target::standardFolder()
{
#if JUCE_WINDOWS
    // Windows keeps a program's data for this machine only in the local application data.
    return inFolder(
        juce::File::getSpecialLocation(juce::File::windowsLocalAppData).getChildFile("Flashmere/logs"));
#else
    // The XDG rule: a relative $XDG_STATE_HOME is to be ignored.
    const auto* stateHome = std::getenv("XDG_STATE_HOME");
    const auto base
        = stateHome != nullptr && juce::File::isAbsolutePath(stateHome)
              ? juce::File(stateHome)
              : juce::File::getSpecialLocation(juce::File::userHomeDirectory).getChildFile(".local/state");
    return inFolder(base.getChildFile("flashmere/logs"));
#endif
}

juce::String format(const UploadRecord& record, const Subject& subject)
{
    const auto sha = juce::SHA256(subject.data, subject.size).toHexString();
    juce::String text;

    text << line({ "flashmere-log", "1" });
    text << line({ "program", BuildInfo::applicationName, BuildInfo::version });
    text << line({ "started", record.startedAt.toISO8601(true) });
    text << line({ "image", subject.image.isEmpty() ? juce::String("built-in") : field(subject.image) });
    text << line({ "size", juce::String((juce::int64)subject.size) });
    text << line(
        { "messages",
          juce::String((juce::int64)SysexFraming::check(subject.data, subject.size).messages.size()) });
    text << line({ "sha256", sha });
    text << line({ "port", field(record.port) });

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
        const auto error = writeText(target.where, O_CREAT | O_TRUNC, text);
        written = error == 0 ? target.where : juce::File();
        reason = std::strerror(error);
    }
    else
    {
        written = writeInFolder(target.where, fileStem(record.startedAt), text, reason);

        if (written != juce::File())
            removeOldest(target.where, written);
    }

    if (written == juce::File())
        std::fprintf(stderr, "%s: the update's log could not be written to %s: %s\n",
                     BuildInfo::applicationName, target.where.getFullPathName().toRawUTF8(),
                     reason.toRawUTF8());

    return written;
}
} // namespace UploadLog
