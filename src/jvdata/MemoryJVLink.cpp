#include "jvdata/MemoryJVLink.h"

#include "util/Text.h"

namespace solvane {

int MemoryJVLink::Results::take()
{
    if (next.empty())
        return otherwise;
    const int result = next.front();
    next.pop_front();
    return result;
}

MemoryJVLink& MemoryJVLink::addRecord(std::string record, std::string fileName)
{
    if (!endsWith(record, "\r\n"))
        record += "\r\n";
    const int length = static_cast<int>(record.size());
    reads.push_back(ReadStep{length, std::move(record), std::move(fileName)});
    return *this;
}

MemoryJVLink& MemoryJVLink::addResult(int code, int times)
{
    for (int i = 0; i < times; ++i)
        reads.push_back(ReadStep{code, {}, {}});
    return *this;
}

int MemoryJVLink::JVInit(const std::string& sid)
{
    calls.push_back("JVInit(" + sid + ")");
    return init.take();
}

int MemoryJVLink::JVSetUIProperties()
{
    calls.push_back("JVSetUIProperties");
    return setUIProperties.take();
}

int MemoryJVLink::JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& outReadCount,
                         int& outDownloadCount, std::string& outLastFileTimestamp)
{
    calls.push_back("JVOpen(" + dataspec + "," + fromtime + "," + std::to_string(option) + ")");
    const int result = open.take();
    outReadCount = result == 0 ? readCount : 0;
    outDownloadCount = result == 0 ? downloadCount : 0;
    outLastFileTimestamp = result == 0 ? lastFileTimestamp : std::string();
    isOpen = isOpen || result == 0;
    return result;
}

int MemoryJVLink::JVRTOpen(const std::string& dataspec, const std::string& key)
{
    calls.push_back("JVRTOpen(" + dataspec + "," + key + ")");
    const int result = rtOpen.take();
    isOpen = isOpen || result == 0;
    return result;
}

int MemoryJVLink::JVStatus()
{
    ++statusCalls;
    return status.take();
}

int MemoryJVLink::JVRead(std::string& record, int bufferSize, std::string& fileName)
{
    ++readCalls;
    lastBufferSize = bufferSize;
    if (reads.empty())
        return 0;
    ReadStep step = std::move(reads.front());
    reads.pop_front();
    record = std::move(step.record);
    fileName = std::move(step.fileName);
    return step.result;
}

void MemoryJVLink::JVCancel()
{
    calls.push_back("JVCancel");
}

int MemoryJVLink::JVClose()
{
    calls.push_back("JVClose");
    isOpen = false;
    return close.take();
}

} // namespace solvane
