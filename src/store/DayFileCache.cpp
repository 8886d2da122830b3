#include "store/DayFileCache.h"

#include "util/Text.h"

#include <utility>

namespace solvane {

DayFileCache::DayFileCache(fs::path dataFolder, std::size_t flushAtBytes)
    : dataFolder_(std::move(dataFolder)), flushAtBytes_(flushAtBytes)
{
}

void DayFileCache::put(const StorePlan& plan)
{
    put(StorePlan(plan));
}

void DayFileCache::put(StorePlan&& plan)
{
    if (plan.verdict != StorePlan::Verdict::Store)
        return;
    Pending& pending = files_[plan.fileName];
    pending.layout = plan.layout;
    pending.dropBlankFirstLine = plan.dropBlankFirstLine;
    heldBytes_ += plan.line.size();
    if (plan.layout == StoreLayout::OneRecord) {
        // Only the last record of a one-record file survives.
        for (const auto& old : pending.lines)
            heldBytes_ -= old.size();
        pending.lines.clear();
    }
    pending.lines.push_back(std::move(plan.line));
}

bool DayFileCache::save(const std::string& fileName, Pending& pending, std::string* error)
{
    const fs::path path = StoreFilePath(dataFolder_, fileName);
    std::vector<std::string> lines;
    bool existed = false;
    if (pending.layout != StoreLayout::OneRecord && !LoadStoreLines(path, lines, existed, error))
        return false;
    switch (pending.layout) {
    case StoreLayout::Keyed: {
        // The first step sees the file as it is on disk (perhaps not in order); after it the lines are
        // sorted and each further step only moves one line.
        bool sorted = false;
        for (auto& line : pending.lines) {
            KeyedStep(lines, std::move(line), pending.dropBlankFirstLine, sorted);
            sorted = true;
        }
        break;
    }
    case StoreLayout::Slots:
        if (existed)
            FitSlotLines(lines);
        else
            lines = EmptySlotLines();
        for (auto& line : pending.lines)
            SlotStep(lines, std::move(line));
        break;
    case StoreLayout::OneRecord:
        lines.assign(1, std::move(pending.lines.back()));
        break;
    }
    if (!SaveStoreLines(path, lines, error))
        return false;
    ++filesWritten_;
    for (const auto& line : lines)
        bytesWritten_ += line.size() + 2;
    return true;
}

bool DayFileCache::flush(std::string* error)
{
    bool ok = true;
    for (auto& [name, pending] : files_) {
        std::string failure;
        if (!save(name, pending, &failure) && ok) {
            ok = false;
            if (error)
                *error = failure;
        }
    }
    discard();
    return ok;
}

void DayFileCache::discard()
{
    files_.clear();
    heldBytes_ = 0;
}

} // namespace solvane
