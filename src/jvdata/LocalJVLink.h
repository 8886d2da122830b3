// The JV-Link component off Windows: serves the JV-Data files of a feed folder with JV-Link's own
// operations, result codes and call order, so that the import, the real-time fetches and their
// tests run against hand-written or generated data. The folder layout, the download simulation
// and faults.ini are described in docs/feed-folder.md.
#pragma once

#include "jvdata/JVLink.h"
#include "jvdata/LocalJVLinkFaults.h"
#include "jvdata/LocalJVLinkFeed.h"
#include "util/Clock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace solvane {

struct LocalJVLinkOptions {
    // How long the simulated download of every file still to download takes on the steady clock;
    // the files complete one after another at an even pace. 0 = at once.
    std::chrono::milliseconds downloadTime{1000};
    // When above 0 the download follows calls instead of time: every JVStatus or JVRead call of
    // the open request completes 1 / callsPerFile of a file (1 = one file per call).
    int callsPerFile = 0;
    // The steady clock the download time is measured on; std::chrono::steady_clock when empty.
    std::function<std::chrono::steady_clock::time_point()> steadyNow;
};

class LocalJVLink : public JVLink {
public:
    // clock: the program's clock; it decides which real-time snapshots exist. It must outlive the
    // component. [Download] time= / calls= in faults.ini override options at each open.
    LocalJVLink(std::filesystem::path feedFolder, const Clock& clock, LocalJVLinkOptions options = {});
    ~LocalJVLink() override;

    int JVInit(const std::string& sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override;
    int JVRTOpen(const std::string& dataspec, const std::string& key) override;
    int JVStatus() override;
    int JVRead(std::string& record, int bufferSize, std::string& fileName) override;
    void JVCancel() override;
    int JVClose() override;

    const std::filesystem::path& feedFolder() const { return feed_; }

private:
    enum class Request { None, Stored, RealTime };
    enum class FileState { NotStarted, Reading, Finished };

    void loadFaults();
    void startRequest(Request kind, const std::string& dataspec, std::vector<FeedFile> files);
    void endRequest();
    int downloadedNow() const;
    bool available(std::size_t index) const;
    void flushDownloaded();

    const std::filesystem::path feed_;
    const Clock& clock_;
    const LocalJVLinkOptions options_;
    mutable std::mutex mutex_;

    bool initialised_ = false;
    FeedFaults faults_;
    std::string lastDataspec_; // of the latest open call, for the faults of JVStatus, JVRead, JVClose
    std::chrono::milliseconds downloadTime_{0};
    int callsPerFile_ = 0;

    // The open request.
    Request request_ = Request::None;
    bool cancelled_ = false;
    std::vector<FeedFile> files_;
    std::vector<std::size_t> downloadRank_; // per file: its place among the files to download
    int downloadCount_ = 0;
    int downloadedAtCancel_ = 0;
    std::chrono::steady_clock::time_point downloadStart_;
    long long calls_ = 0;
    std::size_t current_ = 0;
    FileState fileState_ = FileState::NotStarted;
    RecordReader reader_;
    long long recordsServed_ = 0;
    std::set<std::string> served_; // files first served by this request, not yet in .downloaded
};

} // namespace solvane
