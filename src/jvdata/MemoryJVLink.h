// A scriptable JV-Link held in memory, for tests of the layers above the session: the results of
// the operations are set beforehand, JVRead serves a queue of records and codes in order, and every
// call is noted so a test can check what was asked and that each open was closed.
#pragma once

#include "jvdata/JVLink.h"

#include <deque>
#include <string>
#include <vector>

namespace solvane {

class MemoryJVLink : public JVLink {
public:
    // Results of one operation: the queued ones first, one per call, then `otherwise` for ever.
    struct Results {
        std::deque<int> next;
        int otherwise = 0;
        int take();
    };

    // One answer of JVRead: a record (result = its length) or a bare code.
    struct ReadStep {
        int result = 0;
        std::string record;
        std::string fileName;
    };

    Results init, setUIProperties, open, rtOpen, status, close;
    // The out values of a JVOpen that returns 0.
    int readCount = 0;
    int downloadCount = 0;
    std::string lastFileTimestamp;
    // What JVRead serves, in order; when empty it answers 0 (all read).
    std::deque<ReadStep> reads;

    // Queues a record; CR LF is added when the text does not already end with it.
    MemoryJVLink& addRecord(std::string record, std::string fileName = {});
    MemoryJVLink& addFileSwitch() { return addResult(-1); }
    MemoryJVLink& addResult(int code, int times = 1);

    // Every call but JVRead and JVStatus, in order, with its arguments:
    // "JVInit(sid)", "JVSetUIProperties", "JVOpen(RACEMING,20240101000000,1)", "JVRTOpen(0B30,key)",
    // "JVCancel", "JVClose".
    std::vector<std::string> calls;
    int readCalls = 0;
    int statusCalls = 0;
    int lastBufferSize = 0;
    // True between an open that returned 0 and the next JVClose.
    bool isOpen = false;

    int JVInit(const std::string& sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override;
    int JVRTOpen(const std::string& dataspec, const std::string& key) override;
    int JVStatus() override;
    int JVRead(std::string& record, int bufferSize, std::string& fileName) override;
    void JVCancel() override;
    int JVClose() override;
};

} // namespace solvane
