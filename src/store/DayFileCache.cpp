#include "store/DayFileCache.h"

#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <utility>

namespace solvane {

DayFileCache::DayFileCache(fs::path dataFolder, std::size_t flushAtBytes)
    : dataFolder_(std::move(dataFolder)), flushAtBytes_(flushAtBytes)
{
}

void DayFileCache::put(const StorePlan& plan)
{
    if (plan.verdict != StorePlan::Verdict::Store)
        return;
    Pending& pending = files_[plan.fileName];
    pending.layout = plan.layout;
    pending.dropBlankFirstLine = plan.dropBlankFirstLine;
    if (plan.layout == StoreLayout::OneRecord)
        pending.spans.clear(); // only the last record of a one-record file survives
    const std::size_t offset = arena_.size();
    if (plan.normalise && plan.source.size() < 11) {
        arena_ += NormaliseRecord(plan.source);
    } else {
        arena_ += plan.source;
        if (plan.normalise)
            arena_.replace(offset + 2, 9, "000000000"); // what NormaliseRecord does, in place
    }
    pending.spans.emplace_back(offset, arena_.size() - offset);
}

fs::path DayFileCache::resolve(const std::string& sjisName)
{
    const std::string name = fromSjis(sjisName);
    fs::path exact = dataFolder_ / pathFromUtf8(name);
    std::error_code ec;
    if (fs::exists(exact, ec))
        return exact;
    if (!listed_) {
        listed_ = true;
        for (fs::directory_iterator it(dataFolder_, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string found = pathToUtf8(it->path().filename());
            names_.emplace(asciiLower(found), found); // the first in folder order wins, as findChildIgnoreCase
        }
    }
    const auto hit = names_.find(asciiLower(name));
    if (hit != names_.end())
        return dataFolder_ / pathFromUtf8(hit->second);
    names_.emplace(asciiLower(name), name);
    return exact;
}

bool DayFileCache::save(const std::string& fileName, const Pending& pending, std::string* error)
{
    const fs::path path = resolve(fileName);
    const std::string_view arena = arena_;
    auto held = [&](const std::pair<std::size_t, std::size_t>& span) { return arena.substr(span.first, span.second); };
    lines_.clear();
    bool existed = false;
    if (pending.layout != StoreLayout::OneRecord) {
        if (!LoadStoreBytes(path, loaded_, existed, error))
            return false;
        lines_ = SplitStoreLines(loaded_);
    }
    switch (pending.layout) {
    case StoreLayout::Keyed: {
        // The first step sees the file as it is on disk (perhaps not in order); after it the lines are
        // sorted and each further step only moves one line.
        bool sorted = false;
        for (const auto& span : pending.spans) {
            KeyedStep(lines_, held(span), pending.dropBlankFirstLine, sorted);
            sorted = true;
        }
        break;
    }
    case StoreLayout::Slots:
        if (existed)
            FitSlotLines(lines_);
        else
            lines_ = EmptySlotLineViews();
        for (const auto& span : pending.spans)
            SlotStep(lines_, held(span));
        break;
    case StoreLayout::OneRecord:
        lines_.assign(1, held(pending.spans.back()));
        break;
    }
    JoinStoreLines(lines_, out_);
    if (!SaveStoreBytes(path, out_, error))
        return false;
    ++filesWritten_;
    bytesWritten_ += out_.size();
    return true;
}

bool DayFileCache::flush(std::string* error)
{
    bool ok = true;
    for (const auto& [name, pending] : files_) {
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
    arena_.clear();
    lines_.clear();
}

} // namespace solvane
