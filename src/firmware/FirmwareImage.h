#pragma once

#include "firmware/ImageFacts.h"

#include <juce_core/juce_core.h>
#include <memory>

/** The firmware an update sends: its bytes and what the user is told about it.

    It is either the built-in image, whose bytes are the program's constant data and are
    used in place, or the bytes of a SysEx file, which it owns. An image is usable when it
    has bytes. Nothing changes an image after construction except its product name. */
class FirmwareImage
{
public:
    /** An image without bytes. */
    FirmwareImage(const juce::String& productName, double version, int build);

    /** The built-in image: the Velamor firmware 1.01, build 353. */
    FirmwareImage();

    /** Loads a SysEx file, taking a relative path from the current working directory.

        Only a regular file is read, and exactly as many bytes as it holds. A missing path,
        a folder or anything that is not a regular file (a FIFO, a device) shows the "File
        not found" box; a file that cannot be read whole, is larger than maxFileSize (refused
        before a byte is read) or does not fit in memory shows a box that says so. In each of these cases, and
       for an empty file (which shows nothing), the image is left without bytes. The product name is the file
       name without its extension; version and build are 0. Shows its boxes through UserAlerts, so call it on
       the message thread. */
    explicit FirmwareImage(const juce::String& path);

    ~FirmwareImage();

    /** The built-in firmware's bytes, used in place. */
    struct Bytes
    {
        const juce::uint8* data = nullptr;
        juce::uint32 size = 0;
        const juce::uint8* getData() const noexcept { return data; }
        juce::uint32 getSize() const noexcept { return size; }
    };
    static Bytes builtInBytes();

    /** What the image is (framing, product, size, SHA-256), worked out once at loading. */
    const ImageFacts& getFacts() const noexcept { return facts; }

    /** The first byte, or null when the image has no bytes. */
    const juce::uint8* getData() const noexcept { return data; }
    juce::uint32 getSize() const noexcept { return size; }

    juce::String getProductName() const { return productName; }
    void setProductName(const juce::String& newName) { productName = newName; }

    /** The full path of the file the bytes came from; empty for the built-in image. */
    juce::String getSourcePath() const { return sourcePath; }

    double getVersion() const noexcept { return version; }
    int getBuild() const noexcept { return build; }

    /** The version with two decimals, followed by " - R" and the build when there is one:
        "1.01 - R353", "0.00". */
    juce::String getVersionText() const;

    /** The largest file the program will load: 16 MiB, hundreds of times the largest
        firmware, and still quick to read and hold. */
    static constexpr juce::int64 maxFileSize = 16 * 1024 * 1024;

private:
    const juce::uint8* data = nullptr;
    juce::uint32 size = 0;
    juce::String productName;
    juce::String sourcePath;
    double version = 0.0;
    int build = 0;
    std::unique_ptr<juce::MemoryBlock> fileData;
    ImageFacts facts;

    void loadFile(const juce::File& file);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FirmwareImage)
};
