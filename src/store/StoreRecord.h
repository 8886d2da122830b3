// Which records the bulk import keeps and where: the storing table. One function decides for a record
// (stored where, by which rule, with which label, or skipped and why); the caller then either stores it
// at once by load-change-save (StorePlannedRecord) or hands it to a DayFileCache.
#pragma once

#include "store/Store.h"

#include <optional>
#include <string>
#include <string_view>

namespace solvane {

struct BulkStoreRules {
    // The first eight digits of the import's start time as an integer (yyyymmdd). Records dated before
    // FromDate - 10, computed on that integer, are skipped: for a start on the 5th of a month the bound
    // is day 95 of that month, so the whole month passes and nothing of the month before.
    long long FromDate = 0;
    // "確定オッズも合わせて取得する": only then are final odds (O1-O6) stored.
    bool KakuteiOzGet = true;
};

// FromDate of a start time given as "yyyymmddhhnnss" (or any text whose first 8 characters are the date).
long long FromDateOf(std::string_view startTime);

struct StorePlan {
    enum class Verdict {
        Store,  // store line into fileName by layout
        Skip,   // a type the import does not keep, or a condition of its row does not hold
        Reject, // a record the store cannot take (too short for its key, line break inside, bad date);
                // message says why
    };
    Verdict verdict = Verdict::Skip;
    StoreKind kind = StoreKind::RA;
    StoreLayout layout = StoreLayout::Keyed;
    bool dropBlankFirstLine = true;
    std::string fileName;             // Shift-JIS, inside the Data folder
    std::string line;                 // the line to store: no CR LF, normalised where the kind is
    std::string_view source;          // the record without CR LF, a view into the text planned
    bool normalise = false;           // line is source with positions 3-11 zeroed
    std::optional<std::string> label; // MkDataLabel after storing (Shift-JIS); nothing = unchanged
    std::string message;              // UTF-8, for Reject
};

// The storing table of the bulk import for one record text (with its CR LF). withLabel = false leaves
// the label out (a caller that shows no label saves the work); withLine = false leaves line empty (a
// DayFileCache takes source and normalise instead, saving a copy).
StorePlan PlanBulkStore(std::string_view rec, const BulkStoreRules& rules, bool withLabel = true, bool withLine = true);

// Stores a planned record by loading its file, changing it and saving it whole: the per-record step.
// False with a message (UTF-8) when the file could not be read or written; the old file is then intact.
bool StorePlannedRecord(const fs::path& dataFolder, const StorePlan& plan, std::string* error = nullptr);

} // namespace solvane
