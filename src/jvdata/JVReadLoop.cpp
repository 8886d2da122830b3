#include "jvdata/JVReadLoop.h"

#include "jvdata/JVMessage.h"

#include <optional>
#include <thread>

namespace solvane {

JVReadResult JVReadLoop(JVLink& link, int bufferSize, const JVCancelFlag& JVCancelRequested,
                        const JVReadHandlers& handlers, const JVDownloadWait& wait)
{
    using Steady = std::chrono::steady_clock;
    const auto now = [&wait] { return wait.now ? wait.now() : Steady::now(); };
    JVReadResult result;
    std::string record;
    std::string fileName;
    std::optional<Steady::time_point> waitingSince; // the first of the current run of -2/-3 answers
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
        if (code != -2 && code != -3)
            waitingSince.reset();
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
            // Still downloading: asked again after a pause, with events pumped between.
            ++result.waits;
            const auto t = now();
            if (!waitingSince)
                waitingSince = t;
            if (t - *waitingSince >= wait.limit) {
                result.end = JVReadEnd::TimedOut;
                result.code = code;
                return result;
            }
            if (wait.sleep)
                wait.sleep(wait.pause);
            else
                std::this_thread::sleep_for(wait.pause);
        } else {
            result.end = JVReadEnd::Error;
            result.code = code;
            return result;
        }
    }
}

std::string JVDownloadTimeoutText(const JVReadResult& result, const JVDownloadWait& wait)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait.limit).count();
    return JVMessage("JVRead", result.code) + "のまま" + std::to_string(seconds) +
           "秒たっても読めないため、読み込みを中止しました。しばらくしてからやり直してください。";
}

} // namespace solvane
