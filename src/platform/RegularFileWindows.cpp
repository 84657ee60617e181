#include "platform/RegularFile.h"

#include <windows.h>

namespace
{
juce::String errorText(DWORD error)
{
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                         | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const auto result = text != nullptr ? juce::String(text).trim().trimCharactersAtEnd(".").toLowerCase()
                                        : "Windows error " + juce::String((juce::int64)error);
    ::LocalFree(text);
    return result;
}
} // namespace

RegularFile::RegularFile(const juce::File& file)
{
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened, and only a disk file
    // has the type checked below; NUL, CON, COM1 and named pipes have others.
    const auto opened = ::CreateFileW(file.getFullPathName().toWideCharPointer(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);

    if (opened == INVALID_HANDLE_VALUE)
    {
        const auto error = ::GetLastError();

        // A folder is refused with "access denied"; a name with quotes or other characters
        // that no file name can hold is not found, as no such file can exist.
        if (file.isDirectory() || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
            || error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH
            || error == ERROR_FILENAME_EXCED_RANGE)
            return;

        state = State::unreadable;
        problem = errorText(error);
        return;
    }

    handle = reinterpret_cast<std::intptr_t>(opened);
    BY_HANDLE_FILE_INFORMATION info {};

    if (::GetFileType(opened) != FILE_TYPE_DISK || ! ::GetFileInformationByHandle(opened, &info)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;

    state = State::open;
    size = (juce::int64)(((juce::uint64)info.nFileSizeHigh << 32) | info.nFileSizeLow);
}

RegularFile::~RegularFile()
{
    if (handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

juce::int64 RegularFile::read(char* dest, size_t bytes)
{
    DWORD got = 0;

    if (! ::ReadFile(reinterpret_cast<HANDLE>(handle), dest, (DWORD)juce::jmin(bytes, (size_t)(1 << 30)),
                     &got, nullptr))
    {
        problem = errorText(::GetLastError());
        return -1;
    }

    return (juce::int64)got;
}
