#include "jvdata/JVReadLoop.h"

namespace solvane {

JVReadResult JVReadLoop(JVLink& link, int bufferSize, const JVCancelFlag& JVCancelRequested,
                        const JVReadHandlers& handlers)
{
    JVReadResult result;
    std::string record;
    std::string fileName;
    for (;;) {
        if (handlers.pumpEvents)
            handlers.pumpEvents();
        if (JVCancelRequested.load()) {
            result.end = JVReadEnd::Cancelled;
            return result;
        }
        record.clear();
        fileName.clear();
        const int code = link.JVRead(record, bufferSize, fileName);
        if (code > 0) {
            ++result.records;
            if (handlers.onRecord)
                handlers.onRecord(record);
        } else if (code == 0) {
            result.end = JVReadEnd::AllRead;
            return result;
        } else if (code == -1) {
            ++result.fileSwitches;
            if (handlers.onFileSwitch)
                handlers.onFileSwitch();
        } else if (code == -2 || code == -3) {
            // Still downloading: the component is asked again at once, with events pumped between.
            ++result.waits;
        } else {
            result.end = JVReadEnd::Error;
            result.code = code;
            return result;
        }
    }
}

} // namespace solvane
