#include "firmware/FirmwareImage.h"
#include "firmware/SysexFraming.h"
#include "ui/UserAlerts.h"

#include <cstring>
#include <gtest/gtest.h>
#include <juce_core/juce_core.h>
#include <vector>

#if JUCE_WINDOWS
#include <windows.h>
#else
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
/** Collects the alerts shown while it lives, instead of showing boxes. */
struct AlertRecorder
{
    std::vector<UserAlerts::Alert> alerts;
    UserAlerts::ScopedPresenter presenter { [this](const UserAlerts::Alert& a) { alerts.push_back(a); } };
};

/** A fresh folder for one test, removed afterwards. */
struct TempFolder
{
    juce::File dir = juce::File::createTempFile("flashmere-fw");
    TempFolder() { dir.createDirectory(); }
    ~TempFolder() { dir.deleteRecursively(); }

    juce::File write(const juce::String& name, const std::vector<juce::uint8>& bytes) const
    {
        auto f = dir.getChildFile(name);
        f.replaceWithData(bytes.data(), bytes.size());
        return f;
    }
};

const juce::String fileNotFoundMessage = "A firmware file was specified, but it could not be found.\n The "
                                         "application will use the build-in firmware version.";

void expectFileNotFoundBox(const AlertRecorder& recorder)
{
    ASSERT_EQ(recorder.alerts.size(), 1u);
    EXPECT_EQ(recorder.alerts[0].title, "File not found");
    EXPECT_EQ(recorder.alerts[0].message, fileNotFoundMessage);
    EXPECT_EQ(recorder.alerts[0].icon, UserAlerts::Icon::none);
}

/** Makes the file that long, without writing its bytes where the file system can. */
bool setFileSize(const juce::File& file, juce::int64 size)
{
#if JUCE_WINDOWS
    juce::FileOutputStream out(file);
    return out.openedOk() && out.setPosition(size) && out.truncate().wasOk();
#else
    return ::truncate(file.getFullPathName().toRawUTF8(), (off_t)size) == 0;
#endif
}

void expectUnusable(const FirmwareImage& image)
{
    EXPECT_EQ(image.getData(), nullptr);
    EXPECT_EQ(image.getSize(), 0u);
}
} // namespace

//==============================================================================
TEST(BuiltInImage, Is234CompleteMessagesInTheLoadersOrder)
{
    const FirmwareImage image;
    ASSERT_NE(image.getData(), nullptr);
    ASSERT_EQ(image.getSize(), 26631u);

    const auto framing = SysexFraming::check(image.getData(), image.getSize());
    ASSERT_TRUE(framing.isClean()) << framing.describeFault();

    std::vector<size_t> expected { 9, 40, 9, 40, 158, 500, 500, 500, 500, 392, 500, 500, 500, 500, 392, 158 };
    for (int i = 0; i < 108; ++i)
    {
        expected.push_back(40);
        expected.push_back(158);
    }
    expected.push_back(40);
    expected.push_back(9);

    ASSERT_EQ(framing.messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(framing.messages[i].length, expected[i]) << "message " << i;
}

TEST(BuiltInImage, EveryMessageCarriesTheSameHeader)
{
    const FirmwareImage image;
    const auto* data = image.getData();
    const auto framing = SysexFraming::check(data, image.getSize());
    ASSERT_TRUE(framing.isClean());

    // 0xF0, a three-byte manufacturer identifier (0x00 first), two device bytes.
    ASSERT_EQ(data[0], 0xF0);
    ASSERT_EQ(data[1], 0x00);

    for (const auto& m : framing.messages)
        for (size_t i = 0; i < 6; ++i)
            ASSERT_EQ(data[m.offset + i], data[i]) << "message at " << m.offset << ", byte " << i;
}

TEST(BuiltInImage, CarriesItsIdentityAndIsUsedInPlace)
{
    FirmwareImage image;
    EXPECT_EQ(image.getProductName(), "VeldtSaturator");
    EXPECT_DOUBLE_EQ(image.getVersion(), 1.01);
    EXPECT_EQ(image.getBuild(), 353);
    EXPECT_EQ(image.getVersionText(), "1.01 - R353");

    const FirmwareImage another;
    EXPECT_EQ(image.getData(), another.getData()); // the same constant bytes, not copies

    image.setProductName("Velamor");
    EXPECT_EQ(image.getProductName(), "Velamor");
}

TEST(BuiltInImage, IsWhatTheCommittedToolMakes)
{
    const TempFolder temp;
    const auto out = temp.dir.getChildFile("regenerated.syx");

    juce::ChildProcess tool;
    ASSERT_TRUE(tool.start(juce::StringArray { MAKE_FIRMWARE_PATH, out.getFullPathName() }));
    tool.waitForProcessToFinish(10000);
    ASSERT_EQ(tool.getExitCode(), 0u);

    juce::MemoryBlock regenerated;
    ASSERT_TRUE(out.loadFileAsData(regenerated));

    const FirmwareImage image;
    ASSERT_EQ(regenerated.getSize(), (size_t)image.getSize());
    EXPECT_EQ(std::memcmp(regenerated.getData(), image.getData(), regenerated.getSize()), 0);

    juce::MemoryBlock committed;
    ASSERT_TRUE(
        juce::File(FLASHMERE_SOURCE_DIR "/src/firmware/velamor-1.01-r353.syx").loadFileAsData(committed));
    EXPECT_EQ(committed, regenerated);
}

//==============================================================================
TEST(FirmwareFile, LoadsAWholeFileWithItsNameAsProduct)
{
    AlertRecorder recorder;
    const TempFolder temp;
    std::vector<juce::uint8> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = (juce::uint8)(i * 7);
    const auto file = temp.write("pedal.v2.syx", bytes);

    const FirmwareImage image(file.getFullPathName());

    EXPECT_TRUE(recorder.alerts.empty());
    ASSERT_NE(image.getData(), nullptr);
    ASSERT_EQ(image.getSize(), 1000u);
    EXPECT_EQ(std::memcmp(image.getData(), bytes.data(), bytes.size()), 0);
    EXPECT_EQ(image.getProductName(), "pedal.v2");
    EXPECT_EQ(image.getVersion(), 0.0);
    EXPECT_EQ(image.getBuild(), 0);
    EXPECT_EQ(image.getVersionText(), "0.00");
}

TEST(FirmwareFile, ProductNameIsTheNameWithoutItsLastExtension)
{
    AlertRecorder recorder;
    const TempFolder temp;
    const std::pair<const char*, const char*> cases[] = {
        { "firmware", "firmware" }, { ".syx", ".syx" }, { "a.b.c.syx", "a.b.c" }, { "nd_v2.syx", "nd_v2" }
    };

    for (const auto& [fileName, product] : cases)
    {
        const auto file = temp.write(fileName, { 0xF0, 0xF7 });
        EXPECT_EQ(FirmwareImage(file.getFullPathName()).getProductName(), product) << fileName;
    }

    EXPECT_TRUE(recorder.alerts.empty());
}

TEST(FirmwareFile, RelativePathsStartAtTheWorkingDirectory)
{
    AlertRecorder recorder;
    const TempFolder temp;
    temp.write("with blank.syx", { 0xF0, 0x01, 0xF7 });
    const auto previous = juce::File::getCurrentWorkingDirectory();
    ASSERT_TRUE(temp.dir.setAsCurrentWorkingDirectory());

    const FirmwareImage plain("with blank.syx");
    const FirmwareImage dotted("./with blank.syx");

    previous.setAsCurrentWorkingDirectory();
    EXPECT_EQ(plain.getSize(), 3u);
    EXPECT_EQ(dotted.getSize(), 3u);
    EXPECT_TRUE(recorder.alerts.empty());
}

TEST(FirmwareFile, AnythingButARegularFileIsNotFound)
{
    const TempFolder temp;
#if JUCE_WINDOWS
    temp.write("x.syx", { 0xF0, 0xF7 });
    const auto pipeName = "\\\\.\\pipe\\flashmere-" + juce::String::toHexString(juce::Random().nextInt());
    const auto pipe = ::CreateNamedPipeW(pipeName.toWideCharPointer(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE,
                                         4, 0, 0, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const std::unique_ptr<void, decltype(&::CloseHandle)> closePipe(pipe, &::CloseHandle);

    const juce::String paths[] = {
        temp.dir.getChildFile("missing.syx").getFullPathName(), // no such file
        temp.dir.getFullPathName(), // a folder
        pipeName, // must never block start-up
        "NUL", // a device: never read
        "\"" + temp.dir.getChildFile("x.syx").getFullPathName() + "\"", // quotes are part of the path
    };
#else
    const auto fifo = temp.dir.getChildFile("pipe.syx");
    ASSERT_EQ(::mkfifo(fifo.getFullPathName().toRawUTF8(), 0600), 0);

    const juce::String paths[] = {
        temp.dir.getChildFile("missing.syx").getFullPathName(), // no such file
        temp.dir.getFullPathName(), // a folder
        fifo.getFullPathName(), // must never block start-up
        "/dev/zero", // must never be read
        "/dev/null",
        "\"" + temp.dir.getChildFile("x.syx").getFullPathName() + "\"", // quotes are part of the path
    };
#endif

    for (const auto& path : paths)
    {
        SCOPED_TRACE(path);
        AlertRecorder recorder;
        const FirmwareImage image(path);
        expectUnusable(image);
        expectFileNotFoundBox(recorder);
    }
}

TEST(FirmwareFile, AnEmptyFileIsUnusableWithoutAWord)
{
    AlertRecorder recorder;
    const TempFolder temp;
    const auto file = temp.dir.getChildFile("empty.syx");
    ASSERT_TRUE(file.create());
    ASSERT_TRUE(file.existsAsFile());

    const FirmwareImage image(file.getFullPathName());
    expectUnusable(image);
    EXPECT_TRUE(recorder.alerts.empty());
}

TEST(FirmwareFile, AFileOver16MiBIsRefusedWithoutReadingIt)
{
    const TempFolder temp;
    const auto file = temp.dir.getChildFile("huge.syx");
    ASSERT_TRUE(file.create());
    constexpr juce::int64 limit = 16 * 1024 * 1024;

    // Sparse: no disk space. At the limit the file is read (and then fails the framing
    // check, being zeros); one byte more is refused before a byte is read.
    ASSERT_TRUE(setFileSize(file, limit));
    {
        AlertRecorder recorder;
        const FirmwareImage image(file.getFullPathName());
        EXPECT_EQ(image.getSize(), (juce::uint32)limit);
        EXPECT_TRUE(recorder.alerts.empty());
    }

    ASSERT_TRUE(setFileSize(file, limit + 1));
    AlertRecorder recorder;
    const FirmwareImage image(file.getFullPathName());
    expectUnusable(image);
    ASSERT_EQ(recorder.alerts.size(), 1u);
    EXPECT_EQ(recorder.alerts[0].title, "File too large");
    EXPECT_TRUE(recorder.alerts[0].message.contains("larger than 16 MiB"));
    EXPECT_TRUE(recorder.alerts[0].message.contains("build-in firmware"));
}

TEST(FirmwareFile, AFileThatDoesNotFitInMemoryIsAClearError)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocators end the program instead of failing an allocation";
#elif JUCE_WINDOWS
    GTEST_SKIP() << "Windows has no limit on a process's data to make an allocation fail";
#else
    const TempFolder temp;
    const auto file = temp.dir.getChildFile("large.syx");
    ASSERT_TRUE(file.create());
    ASSERT_EQ(::truncate(file.getFullPathName().toRawUTF8(), 16 * 1024 * 1024), 0);

    // The process may have a little more memory than it has now, not 16 MiB more. Freed
    // memory that the allocator still holds would let the image in: it goes back first.
    ::malloc_trim(0);
    const auto status = juce::File("/proc/self/status").loadFileAsString();
    const auto dataKiB = status.fromFirstOccurrenceOf("VmData:", false, false).trim().getLargeIntValue();
    ASSERT_GT(dataKiB, 0);

    rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_DATA, &previous), 0);
    rlimit tight = previous;
    tight.rlim_cur = (rlim_t)(dataKiB + 4096) * 1024;

    AlertRecorder recorder;
    recorder.alerts.reserve(4);
    ASSERT_EQ(::setrlimit(RLIMIT_DATA, &tight), 0);
    std::unique_ptr<FirmwareImage> image;
    EXPECT_NO_THROW(image = std::make_unique<FirmwareImage>(file.getFullPathName()));
    ::setrlimit(RLIMIT_DATA, &previous);

    ASSERT_NE(image, nullptr);
    expectUnusable(*image);
    ASSERT_EQ(recorder.alerts.size(), 1u);
    EXPECT_EQ(recorder.alerts[0].title, "File could not be read");
    EXPECT_TRUE(recorder.alerts[0].message.contains("not enough memory"));
#endif
}

TEST(FirmwareFile, AFileThatEndsBeforeItsSizeIsNeverTakenInPart)
{
#if JUCE_WINDOWS
    GTEST_SKIP() << "Windows has no file that claims more bytes than it gives";
#endif
    // sysfs files claim a size of a page and give far fewer bytes: a short read.
    const juce::File shortFile("/sys/devices/system/cpu/online");
    ASSERT_TRUE(shortFile.existsAsFile());
    ASSERT_GT(shortFile.getSize(), 64);

    AlertRecorder recorder;
    const FirmwareImage image(shortFile.getFullPathName());
    expectUnusable(image);
    ASSERT_EQ(recorder.alerts.size(), 1u);
    EXPECT_EQ(recorder.alerts[0].title, "File could not be read");
    EXPECT_TRUE(recorder.alerts[0].message.contains("ended after"));
}
