#include "platform/FileExport.h"

// Windows has no symbolic links in a user's way, nor FIFOs or sockets among files: the
// target is refused when it is a folder, something other than a file, or read-only.
// JUCE's temporary file beside the target is written whole, flushed to the disk, and
// only then put in the target's place (ReplaceFile / MoveFileEx), or removed.
juce::String FileExport::unlessRegular(const juce::File& file)
{
    if (file.isDirectory())
        return "is a folder";

    return file.exists() && ! file.existsAsFile() ? "is not a regular file" : juce::String();
}

juce::String FileExport::refusal(const juce::File& target)
{
    if (const auto kind = unlessRegular(target); kind.isNotEmpty())
        return kind;

    return target.existsAsFile() && ! target.hasWriteAccess() ? "is read-only" : juce::String();
}

juce::String FileExport::write(const juce::File& target, const void* data, size_t size)
{
    if (const auto refused = refusal(target); refused.isNotEmpty())
        return refused;

    const auto existing = target.existsAsFile();

    const juce::TemporaryFile temporary(target, juce::TemporaryFile::useHiddenFile);
    const auto unchanged = existing ? juce::String("; the old file is unchanged") : juce::String();

    {
        juce::FileOutputStream out(temporary.getFile());

        if (! out.openedOk())
            return "a temporary file could not be made beside it (" + out.getStatus().getErrorMessage() + ")";

        out.write(data, size);
        out.flush();

        if (out.getStatus().failed())
            return "could not be written (" + out.getStatus().getErrorMessage() + ")" + unchanged;
    }

    if (! temporary.overwriteTargetFileWithTemporary())
        return "could not be written (it could not take the old file's place)" + unchanged;

    return {};
}
