#include "FakeInterface.h"

int FakeInterface::sendBytes(const juce::uint8* data, int numBytes)
{
    const auto now = juce::Time::getMillisecondCounterHiRes();
    const juce::ScopedLock sl(lock);

    if (failIndex >= 0 && (int)recorded.size() >= failIndex)
        return failResult;

    // The protocol disabled this component on this same thread, under the message-thread
    // lock, just before the send.
    recorded.push_back({ std::vector<juce::uint8>(data, data + numBytes), now, isEnabled() });
    return sent;
}

void FakeInterface::failFrom(int sendIndex, SendResult result)
{
    const juce::ScopedLock sl(lock);
    failIndex = sendIndex;
    failResult = result;
}

void FakeInterface::failCheckFrom(int checkIndex, SendResult result)
{
    const juce::ScopedLock sl(lock);
    failCheckIndex = checkIndex;
    failCheckResult = result;
}

int FakeInterface::checkOutput()
{
    if (checkDelayMs > 0)
        juce::Thread::sleep(checkDelayMs);

    const juce::ScopedLock sl(lock);
    return failCheckIndex >= 0 && checks++ >= failCheckIndex ? failCheckResult : sent;
}

std::vector<FakeInterface::Send> FakeInterface::sends() const
{
    const juce::ScopedLock sl(lock);
    return recorded;
}

size_t FakeInterface::sendCount() const
{
    const juce::ScopedLock sl(lock);
    return recorded.size();
}

//==============================================================================
void RecordingPacing::pause(int milliseconds)
{
    {
        const juce::ScopedLock sl(lock);
        asked.push_back(milliseconds);
    }

    if (realWait > 0)
        juce::Thread::sleep(realWait);
}

std::vector<int> RecordingPacing::pauses() const
{
    const juce::ScopedLock sl(lock);
    return asked;
}

//==============================================================================
ProgressRecorder::ProgressRecorder(ProtocolBaseClass& p)
    : protocol(p)
{
    protocol.addChangeListener(this);
}

ProgressRecorder::~ProgressRecorder()
{
    protocol.removeChangeListener(this);
}

void ProgressRecorder::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    if (source != &protocol)
        return;

    const auto value = protocol.getProgress();
    const auto status = protocol.getStatusText();

    const juce::ScopedLock sl(lock);
    ++count;

    if (values.empty() || values.back() != value)
        values.push_back(value);

    if (statuses.empty() || statuses.back() != status)
        statuses.push_back(status);
}

std::vector<double> ProgressRecorder::progressValues() const
{
    const juce::ScopedLock sl(lock);
    return values;
}

std::vector<juce::String> ProgressRecorder::distinctStatuses() const
{
    const juce::ScopedLock sl(lock);
    return statuses;
}

juce::String ProgressRecorder::lastStatus() const
{
    const juce::ScopedLock sl(lock);
    return statuses.empty() ? juce::String() : statuses.back();
}

bool ProgressRecorder::sawProgress(double value) const
{
    const juce::ScopedLock sl(lock);
    return std::find(values.begin(), values.end(), value) != values.end();
}

int ProgressRecorder::notifications() const
{
    const juce::ScopedLock sl(lock);
    return count;
}

//==============================================================================
namespace testimages
{
std::vector<juce::uint8> messages(std::initializer_list<int> lengths)
{
    std::vector<juce::uint8> bytes;
    juce::uint8 counter = 0;

    for (auto length : lengths)
    {
        bytes.push_back(0xF0);
        for (int i = 0; i < length - 2; ++i)
            bytes.push_back((juce::uint8)(counter++ & 0x7F));
        bytes.push_back(0xF7);
    }

    return bytes;
}

std::unique_ptr<FirmwareImage> fromBytes(const std::vector<juce::uint8>& bytes)
{
    const auto file = juce::File::createTempFile(".syx");
    file.replaceWithData(bytes.data(), bytes.size());
    auto image = std::make_unique<FirmwareImage>(file.getFullPathName());
    file.deleteFile();
    return image;
}
} // namespace testimages
