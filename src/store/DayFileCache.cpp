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
    Span span;
    if (plan.normalise) {
        // Normalising wipes the header that tells how new the record is; it is kept beside the line.
        span.deliveryOffset = arena_.size();
        arena_ += DeliveryOf(plan.source);
        span.deliveryLength = arena_.size() - span.deliveryOffset;
    }
    span.offset = arena_.size();
    if (plan.normalise && plan.source.size() < 11) {
        arena_ += NormaliseRecord(plan.source);
    } else {
        arena_ += plan.source;
        if (plan.normalise)
            arena_.replace(span.offset + 2, 9, "000000000"); // what NormaliseRecord does, in place
    }
    span.length = arena_.size() - span.offset;
    pending.spans.push_back(span);
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

bool DayFileCache::save(const std::string& fileName, const Pending& pending, ReplaceBatch& batch, std::string* error)
{
    const fs::path path = resolve(fileName);
    const std::string_view arena = arena_;
    auto held = [&](const Span& span) { return arena.substr(span.offset, span.length); };
    auto delivery = [&](const Span& span) { return arena.substr(span.deliveryOffset, span.deliveryLength); };
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
        for (const Span& span : pending.spans) {
            KeyedStep(lines_, held(span), pending.dropBlankFirstLine, sorted, delivery(span));
            sorted = true;
        }
        break;
    }
    case StoreLayout::Slots:
        if (existed)
            FitSlotLines(lines_);
        else
            lines_ = EmptySlotLineViews();
        for (const Span& span : pending.spans)
            SlotStep(lines_, held(span), delivery(span));
        break;
    case StoreLayout::OneRecord:
        lines_.assign(1, held(pending.spans.back()));
        break;
    }
    JoinStoreLines(lines_, out_);
    std::string reason;
    if (batch.add(path, out_, &reason))
        return true;
    if (error)
        *error = StoreSaveError(reason);
    return false;
}

bool DayFileCache::flush(std::string* error)
{
    bool ok = true;
    ReplaceBatch batch;
    for (const auto& [name, pending] : files_) {
        std::string failure;
        if (!save(name, pending, batch, &failure) && ok) {
            ok = false;
            if (error)
                *error = failure;
        }
    }
    discard();
    std::string reason;
    if (!batch.commit(&reason) && ok) {
        ok = false;
        if (error)
            *error = StoreSaveError(reason);
    }
    filesWritten_ += batch.committedFiles();
    bytesWritten_ += batch.committedBytes();
    return ok;
}

void DayFileCache::discard()
{
    files_.clear();
    arena_.clear();
    lines_.clear();
}

} // namespace solvane
