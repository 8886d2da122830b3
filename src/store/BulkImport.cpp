#include "store/BulkImport.h"

#include "jvdata/JVMessage.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <stdexcept>
#include <utility>

namespace solvane {

namespace {

constexpr const char* kNothingNew = "最新のデータがありません。";
constexpr const char* kCancelled = "JVCancel:キャンセルされました";

// Ends the read loop at the record (or file switch) whose data could not be saved.
struct StoreFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace

std::optional<std::string> LastTimeFromTimestamp(std::string_view stamp)
{
    const std::string_view t = trim(stamp);
    if (t.empty() || t == "00000000000000" || t.size() != 14)
        return std::nullopt;
    const auto time = DateTime::parse(t);
    if (!time)
        return std::nullopt;
    return time->ymdHms();
}

BulkImport::BulkImport(JVLink& link, JVCancelFlag& JVCancelRequested, BulkImportOptions options,
                       BulkImportCallbacks callbacks)
    : link_(link), cancel_(JVCancelRequested), options_(std::move(options)), callbacks_(std::move(callbacks))
{
    if (!options_.perRecord)
        cache_ = std::make_unique<DayFileCache>(options_.dataFolder, options_.flushAtBytes);
}

BulkImport::~BulkImport() = default;

void BulkImport::label(const std::string& text)
{
    result_.label = text;
    if (callbacks_.progressLabel)
        callbacks_.progressLabel(text);
}

void BulkImport::say(const std::string& text, bool isError)
{
    result_.messages.push_back(text);
    result_.message = text;
    if (isError)
        result_.error = true;
}

void BulkImport::close()
{
    const int code = link_.JVClose();
    if (code != 0)
        say("JVCloseエラー:" + JVFailure("JVClose", code, link_.lastError()), true);
}

void BulkImport::finish(BulkImportResult::End end)
{
    if (result_.end == BulkImportResult::End::None)
        result_.end = end;
    if (result_.error)
        result_.end = BulkImportResult::End::Error;
    if (result_.message.empty())
        result_.message = result_.label;
    if (cache_)
        result_.filesWritten = cache_->filesWritten();
    state_ = State::Finished;
}

BulkImport::State BulkImport::start()
{
    if (state_ != State::Idle)
        return state_;
    cancel_ = false;
    if (callbacks_.download)
        callbacks_.download(0, 100);
    if (callbacks_.reading)
        callbacks_.reading(0, 100);

    const std::string startTime = options_.start.yyyymmddhhnnss();
    rules_.FromDate = FromDateOf(startTime);
    rules_.KakuteiOzGet = options_.KakuteiOzGet;
    const int option = options_.setupData ? 3 : 1;

    int readCount = 0, downloadCount = 0;
    const int code = link_.JVOpen("RACEMING", startTime, option, readCount, downloadCount, lastFileTimestamp_);
    result_.readCount = readCount;
    result_.downloadCount = downloadCount;
    if (code == -1 || (code == 0 && readCount <= 0)) {
        say(kNothingNew, false);
        close();
        finish(BulkImportResult::End::NothingNew);
        return state_;
    }
    if (code != 0) {
        say("JVOpenエラー:" + JVFailure("JVOpen", code, link_.lastError()), true);
        close();
        finish(BulkImportResult::End::Error);
        return state_;
    }
    label(strprintf("ReadCount:%d, DownloadCount:%d", readCount, downloadCount));
    if (downloadCount > 0) {
        label("ダウンロード中・・・");
        if (callbacks_.download)
            callbacks_.download(0, downloadCount);
        state_ = State::Downloading;
    } else {
        if (callbacks_.download)
            callbacks_.download(100, 100);
        state_ = State::Reading;
    }
    return state_;
}

BulkImport::State BulkImport::pollStatus()
{
    if (state_ != State::Downloading)
        return state_;
    if (cancel_) {
        cancelRequested();
        return state_;
    }
    const int status = link_.JVStatus();
    if (status < 0) {
        say("JVStatusエラー:" + JVFailure("JVStatus", status, link_.lastError()), true);
        close();
        finish(BulkImportResult::End::Error);
        return state_;
    }
    const int total = result_.downloadCount;
    label(strprintf("ダウンロード中．．．(%d/%d)", status, total));
    if (callbacks_.download)
        callbacks_.download(std::min(status, total), total);
    if (status >= total)
        state_ = State::Reading;
    return state_;
}

void BulkImport::cancel()
{
    if (state_ == State::Finished || state_ == State::Idle)
        return;
    link_.JVCancel();
    cancelCalled_ = true;
    cancel_ = true;
    say(kCancelled, false);
    label(kCancelled);
    if (state_ == State::Downloading) {
        // No read loop runs yet, so nothing else would close the request, and the next open would
        // be refused with -202.
        close();
        finish(BulkImportResult::End::Cancelled);
    }
}

// JVCancelRequested was raised by someone other than cancel().
void BulkImport::cancelRequested()
{
    if (!cancelCalled_)
        cancel();
    if (state_ == State::Downloading) {
        close();
        finish(BulkImportResult::End::Cancelled);
    }
}

void BulkImport::storeRecord(const std::string& rec)
{
    ++result_.recordsRead;
    StorePlan plan = PlanBulkStore(rec, rules_, static_cast<bool>(callbacks_.dataLabel), !cache_);
    if (plan.verdict == StorePlan::Verdict::Reject) {
        ++result_.recordsRejected;
        if (callbacks_.notice)
            callbacks_.notice(plan.message);
        return;
    }
    if (plan.verdict != StorePlan::Verdict::Store)
        return;
    const std::size_t bytes = plan.source.size() + 2;
    std::optional<std::string> shown = std::move(plan.label);
    if (cache_) {
        cache_->put(plan);
        if (cache_->wantsFlush() && !flush())
            throw StoreFailure(result_.message);
    } else {
        const FolderLock lock = lockStore();
        if (!lock)
            throw StoreFailure(lock.error());
        std::string error;
        if (!StorePlannedRecord(options_.dataFolder, plan, &error))
            throw StoreFailure(error);
    }
    ++result_.recordsStored;
    result_.bytesStored += static_cast<long long>(bytes);
    if (shown && callbacks_.dataLabel)
        callbacks_.dataLabel(fromSjis(*shown));
}

FolderLock BulkImport::lockStore()
{
    LockWait wait = DefaultLockWait();
    wait.notice = [this, also = std::move(wait.notice)](const std::string& text) {
        if (also)
            also(text);
        label(text);
    };
    if (callbacks_.pumpEvents)
        wait.pumpEvents = callbacks_.pumpEvents;
    return LockForWriting(AppFolderOfStore(options_.dataFolder), wait);
}

bool BulkImport::flush()
{
    if (!cache_ || cache_->empty())
        return true;
    const FolderLock lock = lockStore();
    std::string error;
    if (!lock) {
        // Nothing of this batch is saved; the next import from the same start delivers it again.
        cache_->discard();
        error = lock.error();
    } else if (cache_->flush(&error)) {
        return true;
    }
    say(error, true);
    return false;
}

void BulkImport::fileSwitch()
{
    if (cache_ && cache_->heldBytes() >= options_.saveAtBytes && !flush())
        throw StoreFailure(result_.message);
    ++result_.filesRead;
    if (callbacks_.reading)
        callbacks_.reading(result_.filesRead, result_.readCount);
    label(strprintf("データ読込み中．．．(%d/%d)", result_.filesRead, result_.readCount));
    if (callbacks_.dataLabel)
        callbacks_.dataLabel("");
}

void BulkImport::endOfData()
{
    label(strprintf("データ読込み完了(%d/%d)", result_.filesRead, result_.readCount));
    if (callbacks_.download)
        callbacks_.download(0, std::max(result_.downloadCount, 100));
    if (callbacks_.reading)
        callbacks_.reading(0, result_.readCount);
    result_.LastTime = LastTimeFromTimestamp(lastFileTimestamp_);
    label("データ作成が完了しました。");
}

BulkImport::State BulkImport::read()
{
    if (state_ != State::Reading)
        return state_;
    label(strprintf("データ読込み中．．．(0/%d)", result_.readCount));
    if (callbacks_.reading)
        callbacks_.reading(0, result_.readCount);

    JVReadHandlers handlers;
    handlers.onRecord = [this](const std::string& rec) { storeRecord(rec); };
    handlers.onFileSwitch = [this] { fileSwitch(); };
    handlers.pumpEvents = callbacks_.pumpEvents;

    auto end = BulkImportResult::End::Completed;
    try {
        const JVReadResult r = JVReadLoop(link_, kJVReadBufferImport, cancel_, handlers, options_.downloadWait);
        // What was read is saved whatever ended the loop.
        const bool saved = flush();
        if (r.end == JVReadEnd::Error) {
            say("JVReadエラー:" + JVFailure("JVRead", r.code, link_.lastError()), true);
            end = BulkImportResult::End::Error;
        } else if (r.end == JVReadEnd::TimedOut) {
            say("JVReadエラー:" + JVDownloadTimeoutText(r, options_.downloadWait), true);
            end = BulkImportResult::End::Error;
        } else if (r.end == JVReadEnd::Cancelled) {
            if (!cancelCalled_)
                cancel();
            end = BulkImportResult::End::Cancelled;
        } else if (saved) {
            endOfData();
        }
    } catch (const StoreFailure& failure) {
        // Files saved before the failure stay; lines still held for other files are saved too.
        flush();
        if (result_.messages.empty() || result_.messages.back() != failure.what())
            say(failure.what(), true);
        else
            result_.error = true;
        end = BulkImportResult::End::Error;
    } catch (const std::exception& e) {
        flush();
        say(std::string("データ取込中にエラーが発生しました（") + e.what() + "）", true);
        end = BulkImportResult::End::Error;
    }
    close();
    finish(end);
    return state_;
}

const BulkImportResult& BulkImport::run()
{
    start();
    while (state_ == State::Downloading) {
        if (callbacks_.pumpEvents)
            callbacks_.pumpEvents();
        if (state_ != State::Downloading)
            break;
        pollStatus();
    }
    read();
    return result_;
}

} // namespace solvane
