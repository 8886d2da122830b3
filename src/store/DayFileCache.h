// The day files of the bulk import held in memory between saves.
//
// The cache keeps, per store file, the lines still to be stored, in arrival order (all of them in one
// buffer that is reused after each save). Saving a file loads its current contents, applies those lines
// with the same in-memory steps as the per-record rules and writes the file once. So the saved file is
// byte for byte what storing the lines one by one with load-change-save would have produced, and a
// change that someone else (a real-time fetch running from a timer while the import pumps events) made
// to the file in the meantime is kept as well.
//
// File names are matched ignoring case like everywhere in the store; the cache lists the Data folder
// once and then remembers the files it creates, instead of listing the folder for every new file.
//
// A save replaces its files as one batch (ReplaceBatch): every new file reaches the disk before any takes
// its name, and the folder is waited for once, not twice per file. The caller holds the application
// folder's writer lock while it saves.
#pragma once

#include "store/StoreRecord.h"
#include "util/Files.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace solvane {

class DayFileCache {
public:
    // flushAtBytes: when the lines held reach this many bytes, wantsFlush() says so.
    explicit DayFileCache(fs::path dataFolder, std::size_t flushAtBytes = std::size_t{256} << 20);

    // Takes a planned record (verdict Store; other verdicts are ignored). Only plan.source and
    // plan.normalise are read, so the record text must live until put returns, not longer.
    void put(const StorePlan& plan);

    bool wantsFlush() const { return arena_.size() >= flushAtBytes_; }
    bool empty() const { return files_.empty(); }
    std::size_t heldFiles() const { return files_.size(); }
    std::size_t heldBytes() const { return arena_.size(); }

    // Saves every held file and empties the cache. A file that cannot be read or written keeps its old
    // contents; the others are still saved. False with the first failure's message (UTF-8).
    bool flush(std::string* error = nullptr);
    // Forgets every held line without saving.
    void discard();

    std::size_t filesWritten() const { return filesWritten_; }
    std::size_t bytesWritten() const { return bytesWritten_; }

private:
    // A held line, and the header it was delivered with when the line was normalised: offsets and
    // lengths in arena_.
    struct Span {
        std::size_t offset = 0, length = 0;
        std::size_t deliveryOffset = 0, deliveryLength = 0;
    };
    struct Pending {
        StoreLayout layout = StoreLayout::Keyed;
        bool dropBlankFirstLine = true;
        std::vector<Span> spans;
    };
    bool save(const std::string& fileName, const Pending& pending, ReplaceBatch& batch, std::string* error);
    fs::path resolve(const std::string& sjisName);

    fs::path dataFolder_;
    std::size_t flushAtBytes_;
    std::string arena_;                    // every held line, back to back
    std::map<std::string, Pending> files_; // by Shift-JIS file name; saved in name order
    // Reused between saves.
    std::string loaded_, out_;
    std::vector<std::string_view> lines_;
    // Lower-cased UTF-8 name -> the name in the folder, once listed.
    bool listed_ = false;
    std::unordered_map<std::string, std::string> names_;
    std::size_t filesWritten_ = 0;
    std::size_t bytesWritten_ = 0;
};

} // namespace solvane
