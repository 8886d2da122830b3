// solvane-jvlink-bridge: holds one JV-Link component and answers the program's requests over standard
// input and output (src/jvdata/JVLinkBridgeProtocol.h). On Windows it creates the COM component
// "JVDTLab.JVLink"; with --feed DIR it serves the local component on that feed folder instead, which
// is how the conversation is tested on every platform.
//
//   solvane-jvlink-bridge [--feed DIR] [--fault KIND=N]
//
// --fault is for tests of the program's side: slow-open=MS delays every JVOpen and JVRTOpen by MS
// milliseconds; die-in-read=N ends the bridge in the middle of the N-th JVRead answer; garble-read=N
// sends a frame of impossible length as the N-th JVRead answer.
#include "jvdata/JVLinkBridgeProtocol.h"
#include "jvdata/LocalJVLink.h"
#include "util/Clock.h"
#include "util/CommandLine.h"
#include "util/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "ComJVLink.h"

#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using namespace solvane;

struct Faults {
    long slowOpenMs = 0;
    long dieInRead = 0;
    long garbleRead = 0;
};

// The local component with the test faults that belong to the component (a slow open).
class SlowOpenLink : public JVLink {
public:
    SlowOpenLink(JVLink& inner, long ms) : inner_(inner), delay_(ms) {}
    int JVInit(const std::string& sid) override { return inner_.JVInit(sid); }
    int JVSetUIProperties() override { return inner_.JVSetUIProperties(); }
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override
    {
        std::this_thread::sleep_for(delay_);
        return inner_.JVOpen(dataspec, fromtime, option, readCount, downloadCount, lastFileTimestamp);
    }
    int JVRTOpen(const std::string& dataspec, const std::string& key) override
    {
        std::this_thread::sleep_for(delay_);
        return inner_.JVRTOpen(dataspec, key);
    }
    int JVStatus() override { return inner_.JVStatus(); }
    int JVRead(std::string& record, int bufferSize, std::string& fileName) override
    {
        return inner_.JVRead(record, bufferSize, fileName);
    }
    void JVCancel() override { inner_.JVCancel(); }
    int JVClose() override { return inner_.JVClose(); }

private:
    JVLink& inner_;
    std::chrono::milliseconds delay_;
};

#ifdef _WIN32
// Standard input read by a thread of its own, so that the main thread, the apartment of the COM
// component, keeps dispatching its window messages while it waits for the next request: JV-Link does
// its downloading and its dialogs through them, and a thread blocked in ReadFile would stall it
// between two JVStatus calls. Lives until the process ends (the reader may be blocked at exit).
class PumpedInput {
public:
    static PumpedInput& instance()
    {
        static PumpedInput* input = new PumpedInput; // never destroyed: see above
        return *input;
    }

    bool read(char* buffer, std::size_t n)
    {
        while (n > 0) {
            {
                const std::lock_guard lock(mutex_);
                const std::size_t take = std::min(n, buffered_.size() - start_);
                if (take > 0) {
                    std::memcpy(buffer, buffered_.data() + start_, take);
                    start_ += take;
                    buffer += take;
                    n -= take;
                    continue;
                }
                if (ended_)
                    return false;
                ResetEvent(ready_);
            }
            if (MsgWaitForMultipleObjects(1, &ready_, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            }
        }
        return true;
    }

private:
    PumpedInput() : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        std::thread([this] { readAll(); }).detach();
    }

    void readAll()
    {
        std::vector<char> chunk(1 << 16);
        for (;;) {
            DWORD got = 0;
            const bool ok = ReadFile(GetStdHandle(STD_INPUT_HANDLE), chunk.data(), static_cast<DWORD>(chunk.size()),
                                     &got, nullptr) &&
                            got > 0;
            const std::lock_guard lock(mutex_);
            if (start_ == buffered_.size()) {
                buffered_.clear();
                start_ = 0;
            }
            if (ok)
                buffered_.append(chunk.data(), got);
            else
                ended_ = true;
            SetEvent(ready_);
            if (!ok)
                return;
        }
    }

    std::mutex mutex_;
    std::string buffered_;
    std::size_t start_ = 0; // bytes of buffered_ already taken
    bool ended_ = false;
    HANDLE ready_;
};

bool readExact(char* buffer, std::size_t n)
{
    return PumpedInput::instance().read(buffer, n);
}
#else
bool readExact(char* buffer, std::size_t n)
{
    while (n > 0) {
        const ssize_t got = ::read(0, buffer, n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        buffer += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}
#endif

bool writeRaw(const char* data, std::size_t n)
{
    while (n > 0) {
#ifdef _WIN32
        DWORD put = 0;
        if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data, static_cast<DWORD>(n), &put, nullptr) || put == 0)
            return false;
#else
        const ssize_t put = ::write(1, data, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
#endif
        data += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

int usage()
{
    std::cerr << "usage: solvane-jvlink-bridge [--feed DIR] [--fault slow-open=MS|die-in-read=N|garble-read=N]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string feed;
    Faults faults;
    const std::vector<std::string> args = ProgramArguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--feed" && i + 1 < args.size()) {
            feed = args[++i];
        } else if (a == "--fault" && i + 1 < args.size()) {
            const std::string& f = args[++i];
            const auto eq = f.find('=');
            if (eq == std::string::npos)
                return usage();
            const std::string kind = f.substr(0, eq);
            const long n = std::strtol(f.c_str() + eq + 1, nullptr, 10);
            if (kind == "slow-open")
                faults.slowOpenMs = n;
            else if (kind == "die-in-read")
                faults.dieInRead = n;
            else if (kind == "garble-read")
                faults.garbleRead = n;
            else
                return usage();
        } else {
            return usage();
        }
    }

    std::unique_ptr<JVLink> component;
    static const SystemClock clock;
    if (!feed.empty()) {
        component = std::make_unique<LocalJVLink>(pathFromUtf8(feed), clock);
    } else {
#ifdef _WIN32
        // JV-Link is an apartment-threaded control: this thread is its apartment.
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
            std::cerr << "solvane-jvlink-bridge: COM cannot be initialised\n";
            return 1;
        }
        std::string error;
        component = ComJVLink::Create(&error);
        if (!component) {
            std::cerr << "solvane-jvlink-bridge: " << error << "\n";
            return 1;
        }
#else
        return usage(); // no COM here: only the local component
#endif
    }

    JVLink* served = component.get();
    std::unique_ptr<JVLink> slow;
    if (faults.slowOpenMs > 0) {
        slow = std::make_unique<SlowOpenLink>(*component, faults.slowOpenMs);
        served = slow.get();
    }

    long readAnswers = 0;
    auto write = [&](const char* data, std::size_t n) {
        if (n > 4 && data[4] == bridge::kRead) {
            ++readAnswers;
            if (readAnswers == faults.dieInRead) {
                writeRaw(data, n / 2);
                std::_Exit(3);
            }
            if (readAnswers == faults.garbleRead) {
                const char bad[] = "\xff\xff\xff\x7f"
                                   "D";
                return writeRaw(bad, 5);
            }
        }
        return writeRaw(data, n);
    };
    const int rc = bridge::ServeBridge(*served, readExact, write);
    slow.reset();
    component.reset();
#ifdef _WIN32
    if (feed.empty())
        CoUninitialize();
#endif
    return rc;
}
