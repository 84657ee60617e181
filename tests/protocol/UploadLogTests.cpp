#include "BuildInfo.h"
#include "TestPass.h"
#include "platform/PathBytes.h"
#include "protocol/UploadLog.h"

#include <csignal>
#include <gtest/gtest.h>
#include <juce_cryptography/juce_cryptography.h>

#if ! JUCE_WINDOWS
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
struct LoggedPass : ::testing::Test
{
    void SetUp() override { temp.createDirectory(); }
    void TearDown() override { temp.deleteRecursively(); }

    /** The log's lines, each split at its tabs. */
    static std::vector<juce::StringArray> records(const juce::File& log)
    {
        std::vector<juce::StringArray> all;
        for (const auto& line : juce::StringArray::fromLines(log.loadFileAsString().trimEnd()))
            all.push_back(juce::StringArray::fromTokens(line, "\t", {}));
        return all;
    }

    static std::vector<juce::StringArray> withKeyword(const std::vector<juce::StringArray>& all,
                                                      const char* keyword)
    {
        std::vector<juce::StringArray> found;
        for (const auto& r : all)
            if (r[0] == keyword)
                found.push_back(r);
        return found;
    }

    /** Writes a log of a pass of that many messages that started at that moment. */
    juce::File writeLog(juce::int64 startedAtMs, int messages = 1) const
    {
        UploadRecord record;
        record.startedAt = juce::Time(startedAtMs);
        record.port = "Pedal MIDI";
        record.messages.resize((size_t)messages);
        const juce::uint8 bytes[] = { 0xf0, 0x00, 0xf7 };
        return UploadLog::write(UploadLog::Target::inFolder(folder), record,
                                { "x.syx", bytes, sizeof(bytes) });
    }

    juce::File temp = juce::File::createTempFile("flashmere-log");
    juce::File folder = temp.getChildFile("state/flashmere/logs");
};

/** 2020-01-01T00:00:00Z, in milliseconds. */
constexpr juce::int64 newYear2020 = 1577836800000;
} // namespace

TEST_F(LoggedPass, ACompletedAndAFailedPassEachLeaveALinePerMessageSentAndTheirOutcome)
{
    const auto bytes = testimages::messages({ 9, 40, 9 });
    Pass done(testimages::fromBytes(bytes), 20);
    done.protocol.setLogTarget(UploadLog::Target::inFolder(folder));
    ASSERT_TRUE(done.runToEnd());

    const auto log = done.protocol.getLogFile();
    ASSERT_TRUE(log.existsAsFile());
    EXPECT_EQ(log.getParentDirectory(), folder);
    const auto all = records(log);
    ASSERT_GE(all.size(), 8u);

    // A field's backslashes are doubled: a Windows path has them.
    const std::vector<juce::String> header {
        "flashmere-log\t1",
        juce::String("program\t") + BuildInfo::applicationName + "\t" + BuildInfo::version,
        "image\t" + done.image->getSourcePath().replace("\\", "\\\\"),
        "size\t58",
        "messages\t3",
        "sha256\t" + juce::SHA256(bytes.data(), bytes.size()).toHexString(),
        "port\tPedal MIDI"
    };
    for (const auto& expected : header)
        EXPECT_EQ(withKeyword(all, expected.upToFirstOccurrenceOf("\t", false, false).toRawUTF8()).size(), 1u)
            << expected;
    for (const auto& r : all)
    {
        if (r[0] != "message" && r[0] != "outcome" && r[0] != "started")
        {
            EXPECT_NE(std::find(header.begin(), header.end(), r.joinIntoString("\t")), header.end())
                << r.joinIntoString("\t");
        }
    }
    EXPECT_TRUE(juce::Time::fromISO8601(withKeyword(all, "started")[0][1]) > juce::Time());

    const auto messages = withKeyword(all, "message");
    const auto pauses = done.pacing->pauses();
    ASSERT_EQ(messages.size(), 3u);
    const int lengths[] = { 9, 40, 9 };

    for (int i = 0; i < 3; ++i)
    {
        const auto& m = messages[(size_t)i];
        ASSERT_EQ(m.size(), 7);
        EXPECT_EQ(m[1].getIntValue(), i + 1);
        EXPECT_EQ(m[2].getIntValue(), lengths[i]);
        EXPECT_EQ(m[5].getIntValue(), pauses[(size_t)i]);

        // The gap runs from the wire end (the later of the send's return and its start
        // plus the wire time) to the next send; the pass really waited 20 ms.
        const auto wireEnd = m[3].getDoubleValue() + juce::jmax(m[4].getDoubleValue(), lengths[i] * 0.32);
        EXPECT_GE(m[6].getDoubleValue(), 20.0 - lengths[i] * 0.32) << "message " << i + 1;
        if (i < 2)
        {
            EXPECT_NEAR(m[6].getDoubleValue(), messages[(size_t)i + 1][3].getDoubleValue() - wireEnd, 0.01);
        }
    }

    EXPECT_EQ(all.back().joinIntoString("\t"), "outcome\tcompleted\tnone\t3\tUpdate completed");

    // A pass that loses its output at the second send: the first message only, and why.
    Pass failing(testimages::fromBytes(bytes));
    failing.device.failFrom(1, InterfaceBaseClass::outputGone);
    failing.protocol.setLogTarget(UploadLog::Target::inFolder(folder));
    ASSERT_TRUE(failing.runToEnd());

    const auto failedLog = failing.protocol.getLogFile();
    ASSERT_TRUE(failedLog.existsAsFile());
    EXPECT_NE(failedLog, log);
    const auto failed = records(failedLog);
    EXPECT_EQ(withKeyword(failed, "message").size(), 1u);
    EXPECT_EQ(failed.back()[0], "outcome");
    EXPECT_EQ(failed.back()[1], "failed");
    EXPECT_EQ(failed.back()[2], "outputGone");
    EXPECT_EQ(failed.back()[3], "1");
    EXPECT_EQ(failed.back()[4], failing.protocol.getStatusText());
    EXPECT_EQ(folder.getNumberOfChildFiles(juce::File::findFiles), 2);
}

TEST_F(LoggedPass, TheFolderKeepsTheNewest50LogsAndNothingElseOfItsOwnIsTouched)
{
    folder.createDirectory();
    for (int i = 0; i < UploadLog::filesKept; ++i)
        folder.getChildFile(juce::String::formatted("2020-01-01T00-00-%02d.000Z.log", i)).create();
    // Not logs of ours, whatever their names start with; nor is any symbolic link, even
    // one named as the oldest log would be.
    const juce::StringArray others { "notes.log", "0-keep-me.log", "1999-old-manual.log" };
    for (const auto& name : others)
        folder.getChildFile(name).create();
    const auto outside = temp.getChildFile("outside.log");
    outside.create();
    // Wine makes no symbolic links: there, the links are left out.
    const auto links = juce::SystemStats::getOperatingSystemType() == juce::SystemStats::Linux
                           ? juce::StringArray { "1000.log", "2019-12-31T23-59-59.999Z.log" }
                           : juce::StringArray();
    for (const auto& name : links)
        ASSERT_TRUE(outside.createSymbolicLink(folder.getChildFile(name), false)) << name;

    Pass pass(testimages::fromBytes(testimages::messages({ 9 })));
    pass.protocol.setLogTarget(UploadLog::Target::inFolder(folder));
    ASSERT_TRUE(pass.runToEnd());

    EXPECT_TRUE(pass.protocol.getLogFile().existsAsFile());
    EXPECT_FALSE(folder.getChildFile("2020-01-01T00-00-00.000Z.log").exists()) << "the oldest goes";
    EXPECT_TRUE(folder.getChildFile("2020-01-01T00-00-01.000Z.log").exists());
    for (const auto& name : others)
        EXPECT_TRUE(folder.getChildFile(name).exists()) << name;
    for (const auto& name : links)
        EXPECT_TRUE(folder.getChildFile(name).isSymbolicLink()) << name;
    EXPECT_TRUE(outside.existsAsFile());
    EXPECT_EQ(folder.getNumberOfChildFiles(juce::File::findFiles), UploadLog::filesKept + 3 + links.size());
}

TEST_F(LoggedPass, LogsOfOneMillisecondGoOldestFirstAndANewOneNeverTakesAFreedName)
{
    // A folder full of passes that all started in one millisecond.
    for (int i = 0; i < UploadLog::filesKept; ++i)
        ASSERT_NE(writeLog(newYear2020), juce::File()) << i;

    const auto stem = folder.getChildFile("2020-01-01T00-00-00.000Z");
    EXPECT_EQ(writeLog(newYear2020).getFileName(), "2020-01-01T00-00-00.000Z-51.log");
    EXPECT_FALSE(stem.withFileExtension("log").exists()) << "the first of them goes";
    EXPECT_TRUE(stem.getSiblingFile(stem.getFileName() + "-10.log").exists());

    EXPECT_EQ(writeLog(newYear2020).getFileName(), "2020-01-01T00-00-00.000Z-52.log");
    EXPECT_FALSE(stem.getSiblingFile(stem.getFileName() + "-2.log").exists());
    EXPECT_EQ(folder.getNumberOfChildFiles(juce::File::findFiles), UploadLog::filesKept);
}

#if ! JUCE_WINDOWS
TEST_F(LoggedPass, ALogThatCannotBeWrittenWholeLeavesNothing)
{
    // A disk that is full after the first kilobyte: a file size limit. The limit is only
    // lowered, so it can be put back without privileges.
    folder.createDirectory();
    const auto fileTarget = temp.getChildFile("mine.log");
    rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    auto* const previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    testing::internal::CaptureStderr();
    const auto written = writeLog(newYear2020, 100);
    UploadRecord record;
    record.messages.resize(100);
    const auto writtenToFile = UploadLog::write(UploadLog::Target::toFile(fileTarget), record, {});
    const auto errors = juce::String(testing::internal::GetCapturedStderr());

    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(written, juce::File());
    EXPECT_EQ(folder.getNumberOfChildFiles(juce::File::findFilesAndDirectories), 0);
    EXPECT_EQ(writtenToFile, juce::File());
    EXPECT_FALSE(fileTarget.exists());
    EXPECT_TRUE(errors.contains("File too large")) << errors;
}

TEST_F(LoggedPass, AFileTargetThatIsNotARegularFileIsNeitherWaitedOnNorChanged)
{
    // A FIFO that nobody reads would hold the writer for ever.
    const auto fifo = temp.getChildFile("fifo.log");
    ASSERT_EQ(::mkfifo(fifo.getFullPathName().toRawUTF8(), 0600), 0);
    const auto subfolder = temp.getChildFile("folder.log");
    ASSERT_TRUE(subfolder.createDirectory());

    UploadRecord record;
    testing::internal::CaptureStderr();
    EXPECT_EQ(UploadLog::write(UploadLog::Target::toFile(fifo), record, {}), juce::File());
    EXPECT_EQ(UploadLog::write(UploadLog::Target::toFile(subfolder), record, {}), juce::File());
    const auto errors = juce::String(testing::internal::GetCapturedStderr());

    EXPECT_EQ(juce::StringArray::fromLines(errors.trimEnd()).size(), 2) << errors;
    struct stat info
    {
    };
    EXPECT_TRUE(::stat(fifo.getFullPathName().toRawUTF8(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(subfolder.isDirectory());
}
#endif

TEST_F(LoggedPass, APathsBytesThatAreNotUtf8CanBeReadBackFromTheLog)
{
    const auto path = PathBytes::fromNative("/tmp/caf\xe9 \\x80\\.syx");
    UploadRecord record;
    const auto text = UploadLog::format(record, { path, nullptr, 0 });
    EXPECT_TRUE(text.contains("\nimage\t/tmp/caf\\xe9 \\\\x80\\\\.syx\n")) << text;
}

TEST_F(LoggedPass, AFolderThatCannotBeWrittenCostsTheLogOnlyAndSaysSoInOneLine)
{
    const auto blocker = temp.getChildFile("state");
    ASSERT_TRUE(blocker.create()); // a file where the folder would have to be

    Pass pass(testimages::fromBytes(testimages::messages({ 9, 9 })));
    pass.protocol.setLogTarget(UploadLog::Target::inFolder(folder));
    testing::internal::CaptureStderr();
    const auto ended = pass.runToEnd();
    const auto errors = juce::String(testing::internal::GetCapturedStderr());

    ASSERT_TRUE(ended);
    EXPECT_EQ(pass.protocol.getOutcome(),
              (UploadOutcome { UploadOutcome::State::completed, UploadOutcome::Reason::none }));
    EXPECT_EQ(pass.device.sendCount(), 2u);
    EXPECT_EQ(pass.protocol.getLogFile(), juce::File());
    EXPECT_EQ(juce::StringArray::fromLines(errors.trimEnd()).size(), 1) << errors;
    EXPECT_TRUE(errors.contains("log could not be written to " + folder.getFullPathName())) << errors;
}
