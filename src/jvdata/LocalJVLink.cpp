#include "jvdata/LocalJVLink.h"

#include "util/Files.h"

#include <algorithm>
#include <climits>
#include <limits>

namespace solvane {
namespace {

namespace fs = std::filesystem;
using std::chrono::microseconds;

constexpr std::size_t kNothingToDownload = std::numeric_limits<std::size_t>::max();

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int clampToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

LocalJVLink::LocalJVLink(fs::path feedFolder, const Clock& clock, LocalJVLinkOptions options)
    : feed_(std::move(feedFolder)), clock_(clock), options_(std::move(options)), downloadTime_(options_.downloadTime),
      callsPerFile_(options_.callsPerFile)
{
}

LocalJVLink::~LocalJVLink()
{
    const std::lock_guard lock(mutex_);
    flushDownloaded();
}

void LocalJVLink::loadFaults()
{
    faults_ = FeedFaults::load(findChildIgnoreCase(feed_, "faults.ini"));
    downloadTime_ = options_.downloadTime;
    callsPerFile_ = options_.callsPerFile;
    // At most a day: the pace is worked out in microseconds, where a longer time would overflow.
    constexpr long long kLongestDownloadMs = 24LL * 60 * 60 * 1000;
    if (const std::optional<long long> ms = faults_.value("Download", "time"))
        downloadTime_ = std::chrono::milliseconds(std::clamp(*ms, 0LL, kLongestDownloadMs));
    if (const std::optional<long long> calls = faults_.value("Download", "calls"))
        callsPerFile_ = std::max(0, clampToInt(*calls));
}

int LocalJVLink::JVInit(const std::string& sid)
{
    const std::lock_guard lock(mutex_);
    loadFaults();
    initialised_ = false;
    if (const std::optional<FeedFault> fault = faults_.find("JVInit", ""))
        return fault->result;
    if (sid.empty())
        return -101;
    if (sid.front() == ' ')
        return -103;
    if (sid.size() >= 64)
        return -102;
    initialised_ = true;
    return 0;
}

int LocalJVLink::JVSetUIProperties()
{
    // There is no settings dialog here: the feed folder is all there is to set.
    const std::lock_guard lock(mutex_);
    loadFaults();
    if (const std::optional<FeedFault> fault = faults_.find("JVSetUIProperties", ""))
        return fault->result;
    return 0;
}

int LocalJVLink::JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount,
                        int& downloadCount, std::string& lastFileTimestamp)
{
    const std::lock_guard lock(mutex_);
    readCount = 0;
    downloadCount = 0;
    lastFileTimestamp.clear();
    if (request_ != Request::None)
        return -202;
    loadFaults();
    lastDataspec_ = dataspec;
    if (const std::optional<FeedFault> fault = faults_.find("JVOpen", dataspec))
        return fault->result;
    if (!initialised_)
        return -201;

    if (dataspec.empty() || dataspec.size() % 4 != 0)
        return -111;
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < dataspec.size(); i += 4) {
        std::string id = dataspec.substr(i, 4);
        if (!isStoredDataId(id))
            return -111;
        if (std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.push_back(std::move(id));
    }
    if (fromtime.size() != 14 || !allDigits(fromtime))
        return -112;
    if (option < 1 || option > 4)
        return -115;

    std::vector<FeedFile> files = listFeedFiles(feed_, ids, fromtime);
    if (files.empty())
        return -1;
    const std::set<std::string> downloaded = readDownloadedList(feed_);
    for (FeedFile& file : files)
        file.downloaded = downloaded.count(file.name) > 0;
    lastFileTimestamp = files.back().timestamp; // serve order is time-stamp order
    startRequest(Request::Stored, dataspec, std::move(files));
    readCount = clampToInt(static_cast<long long>(files_.size()));
    downloadCount = downloadCount_;
    return 0;
}

int LocalJVLink::JVRTOpen(const std::string& dataspec, const std::string& key)
{
    const std::lock_guard lock(mutex_);
    if (request_ != Request::None)
        return -202;
    loadFaults();
    lastDataspec_ = dataspec;
    if (const std::optional<FeedFault> fault = faults_.find("JVRTOpen", dataspec))
        return fault->result;
    if (!initialised_)
        return -201;
    if (const int check = checkRealTimeRequest(dataspec, key); check != 0)
        return check;
    const std::optional<fs::path> snapshot = findSnapshot(feed_, dataspec, key, clock_.now());
    if (!snapshot)
        return -1;
    // Real-time data is never downloaded in advance: the snapshot is there at once.
    startRequest(Request::RealTime, dataspec, {FeedFile{*snapshot, pathToUtf8(snapshot->filename()), {}, true}});
    return 0;
}

void LocalJVLink::startRequest(Request kind, const std::string& dataspec, std::vector<FeedFile> files)
{
    request_ = kind;
    lastDataspec_ = dataspec;
    cancelled_ = false;
    files_ = std::move(files);
    downloadRank_.assign(files_.size(), kNothingToDownload);
    downloadCount_ = 0;
    for (std::size_t i = 0; i < files_.size(); ++i)
        if (!files_[i].downloaded)
            downloadRank_[i] = static_cast<std::size_t>(downloadCount_++);
    downloadedAtCancel_ = 0;
    downloadStart_ = options_.steadyNow ? options_.steadyNow() : std::chrono::steady_clock::now();
    calls_ = 0;
    current_ = 0;
    fileState_ = FileState::NotStarted;
    reader_.close();
    recordsServed_ = 0;
}

void LocalJVLink::endRequest()
{
    flushDownloaded();
    reader_.close();
    request_ = Request::None;
    cancelled_ = false;
    files_.clear();
    downloadRank_.clear();
    downloadCount_ = 0;
}

int LocalJVLink::downloadedNow() const
{
    if (cancelled_)
        return downloadedAtCancel_;
    if (downloadCount_ == 0)
        return 0;
    if (callsPerFile_ > 0)
        return static_cast<int>(std::min<long long>(downloadCount_, calls_ / callsPerFile_));
    const long long total = std::chrono::duration_cast<microseconds>(downloadTime_).count();
    if (total <= 0)
        return downloadCount_;
    const auto now = options_.steadyNow ? options_.steadyNow() : std::chrono::steady_clock::now();
    const long long elapsed = std::chrono::duration_cast<microseconds>(now - downloadStart_).count();
    if (elapsed >= total)
        return downloadCount_;
    if (elapsed <= 0)
        return 0;
    // Files complete one after another at an even pace: the k-th at k/count of the whole time.
    return static_cast<int>(static_cast<long double>(elapsed) * downloadCount_ / total);
}

bool LocalJVLink::available(std::size_t index) const
{
    return files_[index].downloaded || downloadRank_[index] < static_cast<std::size_t>(downloadedNow());
}

void LocalJVLink::flushDownloaded()
{
    // Written at the end of the data and at JVClose rather than per file, so that an import of
    // thousands of files does not rewrite the list thousands of times. A feed that cannot be
    // written to simply downloads again next time.
    if (served_.empty())
        return;
    addToDownloadedList(feed_, served_);
    served_.clear();
}

int LocalJVLink::JVStatus()
{
    const std::lock_guard lock(mutex_);
    if (!initialised_)
        return -201;
    if (request_ == Request::None)
        return -203;
    if (request_ == Request::Stored && !cancelled_)
        ++calls_;
    const int done = request_ == Request::Stored ? downloadedNow() : 0;
    if (const std::optional<FeedFault> fault = faults_.find("JVStatus", lastDataspec_); fault && done >= fault->after)
        return fault->result;
    return done;
}

int LocalJVLink::JVRead(std::string& record, int bufferSize, std::string& fileName)
{
    const std::lock_guard lock(mutex_);
    record.clear();
    fileName.clear();
    if (!initialised_)
        return -201;
    if (request_ == Request::None || cancelled_)
        return -203;
    if (const std::optional<FeedFault> fault = faults_.find("JVRead", lastDataspec_);
        fault && recordsServed_ >= fault->after)
        return fault->result;
    if (request_ == Request::Stored)
        ++calls_;
    if (current_ >= files_.size()) {
        flushDownloaded();
        return 0;
    }

    const FeedFile& file = files_[current_];
    fileName = file.name;
    if (fileState_ == FileState::NotStarted) {
        if (!available(current_))
            return -3;
        if (!reader_.open(file.path)) {
            // Gone or unreadable: reported once, then reading goes on with the next file.
            fileState_ = FileState::Finished;
            return -503;
        }
        if (request_ == Request::Stored && !file.downloaded)
            served_.insert(file.name);
        fileState_ = FileState::Reading;
    }
    if (fileState_ == FileState::Reading) {
        const std::size_t limit = bufferSize > 0 ? static_cast<std::size_t>(bufferSize) : 0;
        switch (reader_.next(record, limit)) {
        case RecordReader::Next::Record:
            ++recordsServed_;
            return static_cast<int>(record.size());
        case RecordReader::Next::TooLong:
            // No JV-Data record is longer than the buffers the program passes, so a longer line is
            // a damaged file; the record is passed over and reading can go on after it.
            return -403;
        case RecordReader::Next::Error:
            reader_.close();
            fileState_ = FileState::Finished;
            return -503;
        case RecordReader::Next::End:
            reader_.close();
            fileState_ = FileState::Finished;
            break;
        }
    }
    ++current_;
    fileState_ = FileState::NotStarted;
    return -1;
}

void LocalJVLink::JVCancel()
{
    const std::lock_guard lock(mutex_);
    if (request_ == Request::None || cancelled_)
        return;
    downloadedAtCancel_ = downloadedNow();
    cancelled_ = true;
    reader_.close();
}

int LocalJVLink::JVClose()
{
    const std::lock_guard lock(mutex_);
    const std::optional<FeedFault> fault = faults_.find("JVClose", lastDataspec_);
    // The request ends even when a fault answers, so the next open is never refused with -202.
    endRequest();
    return fault ? fault->result : 0;
}

} // namespace solvane
