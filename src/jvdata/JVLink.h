// The JV-Link data component as the program uses it: the eight operations with the component's own
// names and result codes. Records come back as Shift-JIS byte strings ending in CR LF; every record
// position is a 1-based byte position in them.
//
// Implementations: LocalJVLink (serves a feed folder; the default off Windows), MemoryJVLink (tests)
// and BridgeJVLink (the real COM component, through a 32-bit bridge program).
#pragma once

#include <string>

namespace solvane {

class JVLink {
public:
    virtual ~JVLink() = default;

    // 0 = success, otherwise an error code.
    virtual int JVInit(const std::string& sid) = 0;
    // Shows the component's own settings dialog where it has one; 0 = success.
    virtual int JVSetUIProperties() = 0;
    // 0 = opened; -1 = nothing newer than fromtime; other negative = error.
    virtual int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount,
                       int& downloadCount, std::string& lastFileTimestamp) = 0;
    // 0 = opened; non-zero = error.
    virtual int JVRTOpen(const std::string& dataspec, const std::string& key) = 0;
    // Files downloaded so far (0 or more), or a negative error.
    virtual int JVStatus() = 0;
    // > 0: one record in record (Shift-JIS, with its CR LF), the value is its length; 0: all read;
    // -1: moved on to the next file; -3 (or -2): still downloading; below -3: error.
    virtual int JVRead(std::string& record, int bufferSize, std::string& fileName) = 0;
    virtual void JVCancel() = 0;
    // 0 = success, otherwise an error code.
    virtual int JVClose() = 0;

    // Why the last failed operation failed, in the program's words, when the component knows more
    // than its result code (the bridge to the real JV-Link: it stopped answering, it could not be
    // started); empty otherwise and after a successful operation. UTF-8.
    virtual std::string lastError() const { return {}; }
};

} // namespace solvane
