#include "jvdata/BridgeJVLink.h"

#include "jvdata/JVLinkBridgeProtocol.h"
#include "util/CommandLine.h"
#include "util/Files.h"
#include "util/ShiftJis.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace solvane {

using Clock = std::chrono::steady_clock;

// The running bridge: its process and the two directions of the conversation.
class BridgeJVLink::Process {
public:
    ~Process() { stop(); }
    // Starts the program; false with *error saying why.
    bool start(const BridgeJVLinkOptions& options, std::string* error);
    bool writeAll(const char* data, std::size_t n);
    // Reads exactly n bytes before the deadline. timedOut tells a late answer from a closed one.
    bool readExact(char* buffer, std::size_t n, Clock::time_point deadline, bool& timedOut);
    void stop();

private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
    HANDLE toBridge_ = nullptr;   // the bridge's standard input
    HANDLE fromBridge_ = nullptr; // its standard output, a named pipe opened for overlapped reads
    HANDLE readEvent_ = nullptr;
#else
    pid_t pid_ = -1;
    int socket_ = -1; // one socket pair end: the bridge has the other as standard input and output
#endif
};

#ifdef _WIN32

bool BridgeJVLink::Process::start(const BridgeJVLinkOptions& options, std::string* error)
{
    static std::atomic<unsigned> counter{0};
    const std::wstring pipeName = L"\\\\.\\pipe\\solvane-jvlink-bridge-" + std::to_wstring(GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount());
    fromBridge_ =
        CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16, 1 << 16, 0, nullptr);
    if (fromBridge_ == INVALID_HANDLE_VALUE) {
        fromBridge_ = nullptr;
        *error = "パイプを作成できません（" + std::to_string(GetLastError()) + "）";
        return false;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childOut = CreateFileW(pipeName.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE childIn = nullptr;
    if (childOut == INVALID_HANDLE_VALUE || !CreatePipe(&childIn, &toBridge_, &inherit, 1 << 16)) {
        *error = "パイプを作成できません（" + std::to_string(GetLastError()) + "）";
        if (childOut != INVALID_HANDLE_VALUE)
            CloseHandle(childOut);
        stop();
        return false;
    }
    SetHandleInformation(toBridge_, HANDLE_FLAG_INHERIT, 0);
    readEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    std::wstring line;
    AppendWindowsArgument(line, options.program.wstring());
    for (const std::string& a : options.arguments) {
        line += L' ';
        AppendWindowsArgument(line, utf8ToWide(a));
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = childOut;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessW(options.program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &si, &pi);
    const DWORD err = GetLastError();
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!ok) {
        *error = "「" + pathToUtf8(options.program) + "」を起動できません（" + std::to_string(err) + "）";
        stop();
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    return true;
}

bool BridgeJVLink::Process::writeAll(const char* data, std::size_t n)
{
    while (n > 0) {
        DWORD written = 0;
        if (!WriteFile(toBridge_, data, static_cast<DWORD>(n), &written, nullptr) || written == 0)
            return false;
        data += written;
        n -= written;
    }
    return true;
}

bool BridgeJVLink::Process::readExact(char* buffer, std::size_t n, Clock::time_point deadline, bool& timedOut)
{
    timedOut = false;
    while (n > 0) {
        OVERLAPPED ov{};
        ov.hEvent = readEvent_;
        ResetEvent(readEvent_);
        DWORD got = 0;
        if (!ReadFile(fromBridge_, buffer, static_cast<DWORD>(n), nullptr, &ov)) {
            if (GetLastError() != ERROR_IO_PENDING)
                return false; // the bridge closed its output
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const DWORD wait = left.count() <= 0 ? 0 : static_cast<DWORD>(left.count());
            if (WaitForSingleObject(readEvent_, wait) == WAIT_TIMEOUT) {
                CancelIo(fromBridge_);
                GetOverlappedResult(fromBridge_, &ov, &got, TRUE);
                timedOut = true;
                return false;
            }
        }
        if (!GetOverlappedResult(fromBridge_, &ov, &got, TRUE) || got == 0)
            return false;
        buffer += got;
        n -= got;
    }
    return true;
}

void BridgeJVLink::Process::stop()
{
    if (toBridge_) {
        CloseHandle(toBridge_); // the bridge ends at the end of its input
        toBridge_ = nullptr;
    }
    if (process_) {
        if (WaitForSingleObject(process_, 1000) == WAIT_TIMEOUT)
            TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (fromBridge_) {
        CloseHandle(fromBridge_);
        fromBridge_ = nullptr;
    }
    if (readEvent_) {
        CloseHandle(readEvent_);
        readEvent_ = nullptr;
    }
}

#else

bool BridgeJVLink::Process::start(const BridgeJVLinkOptions& options, std::string* error)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        *error = std::string("ソケットを作成できません（") + std::strerror(errno) + "）";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    const std::string program = options.program.string();
    std::vector<std::string> args{program};
    args.insert(args.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        pid_ = -1;
        *error = "「" + program + "」を起動できません（" + std::strerror(rc) + "）";
        return false;
    }
    socket_ = fds[0];
    return true;
}

bool BridgeJVLink::Process::writeAll(const char* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::send(socket_, data, n, MSG_NOSIGNAL); // a dead bridge is an error, not a signal
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool BridgeJVLink::Process::readExact(char* buffer, std::size_t n, Clock::time_point deadline, bool& timedOut)
{
    timedOut = false;
    while (n > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            return false;
        }
        pollfd p{socket_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        const ssize_t r = ::recv(socket_, buffer, n, 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        buffer += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

void BridgeJVLink::Process::stop()
{
    if (socket_ >= 0) {
        ::close(socket_); // the bridge ends at the end of its input
        socket_ = -1;
    }
    if (pid_ > 0) {
        int status = 0;
        pid_t done = 0;
        for (int i = 0; i < 100 && (done = ::waitpid(pid_, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }
}

#endif

BridgeJVLink::BridgeJVLink(BridgeJVLinkOptions options) : options_(std::move(options)) {}

BridgeJVLink::~BridgeJVLink() = default;

void BridgeJVLink::fail(std::string why)
{
    lastError_ = "JV-Link中継プログラム：" + why;
    process_.reset(); // stopped; the next operation starts a new one
}

bool BridgeJVLink::ensureRunning()
{
    if (process_)
        return true;
    auto p = std::make_unique<Process>();
    std::string error;
    if (!p->start(options_, &error)) {
        lastError_ = "JV-Link中継プログラム：" + error;
        return false;
    }
    process_ = std::move(p);
    // A new bridge starts uninitialised: the session's JVInit is repeated.
    if (sid_) {
        const std::string frame = bridge::PayloadWriter(bridge::kInit).bytes(*sid_).frame();
        auto answer = call(frame, bridge::kInit, options_.callTimeout);
        if (!answer)
            return false;
        bridge::PayloadReader in(*answer);
        const int rc = in.i32();
        if (!in.complete()) {
            fail("JVInitの応答が不正です");
            return false;
        }
        if (rc != 0) {
            fail("JVInitの再実行が失敗しました（" + std::to_string(rc) + "）");
            return false;
        }
    }
    return true;
}

static std::string opName(char op)
{
    switch (op) {
    case bridge::kInit:
        return "JVInit";
    case bridge::kSetUIProperties:
        return "JVSetUIProperties";
    case bridge::kOpen:
        return "JVOpen";
    case bridge::kRTOpen:
        return "JVRTOpen";
    case bridge::kStatus:
        return "JVStatus";
    case bridge::kRead:
        return "JVRead";
    case bridge::kCancel:
        return "JVCancel";
    default:
        return "JVClose";
    }
}

static std::string durationText(std::chrono::milliseconds d)
{
    if (d.count() % 1000 == 0)
        return std::to_string(d.count() / 1000) + "秒";
    return std::to_string(d.count()) + "ミリ秒";
}

std::optional<std::string> BridgeJVLink::call(const std::string& frame, char op, std::chrono::milliseconds timeout)
{
    const std::string name = opName(op);
    if (!process_->writeAll(frame.data(), frame.size())) {
        fail(name + "を送れません（終了しています）");
        return std::nullopt;
    }
    const auto deadline = Clock::now() + timeout;
    bool timedOut = false;
    std::string error;
    const std::optional<std::string> payload = bridge::ReadFrame(
        [&](char* buffer, std::size_t n) { return process_->readExact(buffer, n, deadline, timedOut); }, &error);
    if (!payload) {
        if (timedOut)
            fail(name + "が" + durationText(timeout) + "以内に応答しません");
        else if (!error.empty())
            fail(name + "の応答が不正です（" + error + "）");
        else
            fail(name + "の応答の途中で終了しました");
        return std::nullopt;
    }
    bridge::PayloadReader in(*payload);
    const char got = in.op();
    if (got == bridge::kError) {
        const std::string message = in.bytes();
        fail(name + "が拒否されました（" + message + "）");
        return std::nullopt;
    }
    if (got != op) {
        fail(name + "の応答が不正です（別の操作の応答）");
        return std::nullopt;
    }
    lastError_.clear();
    return payload->substr(1);
}

namespace {

// The result of an answer holding only a result code, or kBridgeFailure.
template <typename Fail> int resultOf(const std::optional<std::string>& answer, Fail&& fail)
{
    if (!answer)
        return kBridgeFailure;
    bridge::PayloadReader in(*answer);
    const int rc = in.i32();
    if (!in.complete()) {
        fail();
        return kBridgeFailure;
    }
    return rc;
}

} // namespace

int BridgeJVLink::JVInit(const std::string& sid)
{
    if (!ensureRunning())
        return kBridgeFailure;
    const int rc =
        resultOf(call(bridge::PayloadWriter(bridge::kInit).bytes(sid).frame(), bridge::kInit, options_.callTimeout),
                 [&] { fail("JVInitの応答が不正です"); });
    if (rc == 0)
        sid_ = sid;
    return rc;
}

int BridgeJVLink::JVSetUIProperties()
{
    if (!ensureRunning())
        return kBridgeFailure;
    // The dialog waits for the user: no time limit beyond the open one.
    return resultOf(call(bridge::PayloadWriter(bridge::kSetUIProperties).frame(), bridge::kSetUIProperties,
                         std::max(options_.openTimeout, options_.callTimeout)),
                    [&] { fail("JVSetUIPropertiesの応答が不正です"); });
}

int BridgeJVLink::JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount,
                         int& downloadCount, std::string& lastFileTimestamp)
{
    if (!ensureRunning())
        return kBridgeFailure;
    const std::string frame = bridge::PayloadWriter(bridge::kOpen).bytes(dataspec).bytes(fromtime).i32(option).frame();
    const auto answer = call(frame, bridge::kOpen, options_.openTimeout);
    if (!answer)
        return kBridgeFailure;
    bridge::PayloadReader in(*answer);
    const int rc = in.i32();
    const int reads = in.i32();
    const int downloads = in.i32();
    std::string stamp = in.bytes();
    if (!in.complete()) {
        fail("JVOpenの応答が不正です");
        return kBridgeFailure;
    }
    readCount = reads;
    downloadCount = downloads;
    lastFileTimestamp = std::move(stamp);
    return rc;
}

int BridgeJVLink::JVRTOpen(const std::string& dataspec, const std::string& key)
{
    if (!ensureRunning())
        return kBridgeFailure;
    return resultOf(call(bridge::PayloadWriter(bridge::kRTOpen).bytes(dataspec).bytes(key).frame(), bridge::kRTOpen,
                         options_.openTimeout),
                    [&] { fail("JVRTOpenの応答が不正です"); });
}

int BridgeJVLink::JVStatus()
{
    if (!ensureRunning())
        return kBridgeFailure;
    return resultOf(call(bridge::PayloadWriter(bridge::kStatus).frame(), bridge::kStatus, options_.callTimeout),
                    [&] { fail("JVStatusの応答が不正です"); });
}

int BridgeJVLink::JVRead(std::string& record, int bufferSize, std::string& fileName)
{
    record.clear();
    if (!ensureRunning())
        return kBridgeFailure;
    const auto answer =
        call(bridge::PayloadWriter(bridge::kRead).i32(bufferSize).frame(), bridge::kRead, options_.callTimeout);
    if (!answer)
        return kBridgeFailure;
    bridge::PayloadReader in(*answer);
    const int rc = in.i32();
    std::string rec = in.bytes();
    std::string name = in.bytes();
    // A record whose length does not match its result is not passed on: half a record must never be
    // stored as if it were whole.
    if (!in.complete() || (rc > 0 && static_cast<std::size_t>(rc) != rec.size()) || (rc <= 0 && !rec.empty())) {
        fail("JVReadの応答が不正です");
        return kBridgeFailure;
    }
    record = std::move(rec);
    fileName = std::move(name);
    return rc;
}

void BridgeJVLink::JVCancel()
{
    if (!process_)
        return; // nothing open in a bridge that is not running
    const auto answer = call(bridge::PayloadWriter(bridge::kCancel).frame(), bridge::kCancel, options_.callTimeout);
    if (answer && !answer->empty())
        fail("JVCancelの応答が不正です");
}

int BridgeJVLink::JVClose()
{
    // A bridge that is not running holds no open request: closing it is done.
    if (!process_)
        return 0;
    return resultOf(call(bridge::PayloadWriter(bridge::kClose).frame(), bridge::kClose, options_.callTimeout),
                    [&] { fail("JVCloseの応答が不正です"); });
}

} // namespace solvane
