#include "midi/PortLock.h"

#include <windows.h>

// The lock is a named mutex in the machine-wide namespace, which any user may create a
// mutex in: Windows keeps it while a handle to it is open and closes the holder's handle
// when the holder ends, crashed or not. Holding it is owning the name; it is never waited on.
struct PortLock::SystemLock
{
    HANDLE mutex = nullptr;

    ~SystemLock()
    {
        if (mutex != nullptr)
            CloseHandle(mutex);
    }
};

PortLock::PortLock(const juce::MidiDeviceInfo& device)
    : systemLock(std::make_unique<SystemLock>())
{
    const auto name = "Global\\" + nameFor(device);
    const auto mutex = CreateMutexW(nullptr, FALSE, name.toWideCharPointer());
    const auto error = GetLastError();

    if (mutex != nullptr && error != ERROR_ALREADY_EXISTS)
    {
        systemLock->mutex = mutex;
        standing = Standing::held;
        return;
    }

    if (mutex != nullptr)
        CloseHandle(mutex);

    // A mutex of another user's process is there but may not be opened: held all the same.
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED)
    {
        standing = Standing::busy;
        return;
    }

    standing = Standing::unavailable;
    problem = "Windows error " + juce::String(static_cast<juce::uint32>(error));
}

PortLock::~PortLock() = default;
