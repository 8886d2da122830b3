// The one read-loop shape of the program: the bulk import and every real-time fetch read their
// records through it, each with its own record handler and its own way of reporting an error.
#pragma once

#include "jvdata/JVLink.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

namespace solvane {

// JVCancelRequested: raised by the bulk import's cancel button, tested by every read loop at the
// top of each turn. One flag per session, owned by whoever owns the session and passed by
// reference; atomic so that a loop running on a worker can see what the window raised.
using JVCancelFlag = std::atomic<bool>;

// Buffer sizes passed to JVRead.
inline constexpr int kJVReadBufferImport = 100000;  // bulk import
inline constexpr int kJVReadBufferOdds = 100000;    // real-time odds (the O6 record is 83285 bytes)
inline constexpr int kJVReadBufferRealTime = 60000; // every other real-time read

struct JVReadHandlers {
    // One record: Shift-JIS, ending with its CR LF. Skipping unknown record types is the handler's
    // business. An exception thrown here leaves the loop (the caller still closes the request).
    std::function<void(const std::string& record)> onRecord;
    // JVRead returned -1: the component moved on to the next file.
    std::function<void()> onFileSwitch;
    // Lets pending window events run; called first on every turn.
    std::function<void()> pumpEvents;
};

enum class JVReadEnd {
    AllRead,   // JVRead returned 0
    Cancelled, // JVCancelRequested was raised at the top of a turn
    Error,     // JVRead returned a code below -3
    TimedOut,  // JVRead kept answering -2 / -3 ("still downloading") for longer than the wait's limit
};

// How the loop waits while JV-Link answers that the file is still downloading: a pause between asks, as
// the download wait of the import polls every 10 ms, instead of asking again at once (which kept a core
// busy for as long as the answer lasted), and a limit after which it gives up. Tests give their own
// clock and sleep; the program's are the steady clock and this thread's sleep.
struct JVDownloadWait {
    std::chrono::milliseconds pause{10};
    std::chrono::milliseconds limit{60000};
    std::function<std::chrono::steady_clock::time_point()> now;
    std::function<void(std::chrono::milliseconds)> sleep;
};

struct JVReadResult {
    JVReadEnd end = JVReadEnd::AllRead;
    int code = 0;          // the error code after Error, the last waiting answer after TimedOut, else 0
    long long records = 0; // records handed to onRecord
    long long fileSwitches = 0;
    long long waits = 0; // -2 / -3 answers ("still downloading")
};

// Repeats: pump events; stop if JVCancelRequested; JVRead with an empty record and bufferSize;
// > 0 hand the record over, 0 stop (all read), -1 file switch, -2/-3 pause and take the next turn (stop
// as TimedOut once such answers have lasted the wait's limit without a record between), below -3 stop
// with the error. Never calls JVClose: the caller closes the request after the loop.
JVReadResult JVReadLoop(JVLink& link, int bufferSize, const JVCancelFlag& JVCancelRequested,
                        const JVReadHandlers& handlers, const JVDownloadWait& wait = {});

// The message of a loop that gave up waiting: the answer's text and how long it lasted.
std::string JVDownloadTimeoutText(const JVReadResult& result, const JVDownloadWait& wait);

} // namespace solvane
