#include "store/StoreRecord.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

namespace solvane {

namespace {

// Label words in Shift-JIS, converted once.
struct LabelWords {
    std::string kaisai = toSjis("開催:");
    std::string umagoto = toSjis("馬毎:");
    std::string haraimodoshi = toSjis("払戻:");
    std::string win5 = "WIN5:";
    std::string odds[6] = {toSjis("単勝確定ｵｯｽﾞ:"), toSjis("馬連確定ｵｯｽﾞ:"),  toSjis("ﾜｲﾄﾞ確定ｵｯｽﾞ:"),
                           toSjis("馬単確定ｵｯｽﾞ:"), toSjis("3連複確定ｵｯｽﾞ:"), toSjis("3連単確定ｵｯｽﾞ:")};
};

const LabelWords& words()
{
    static const LabelWords w;
    return w;
}

bool kindIs(std::string_view kind, std::string_view a, std::string_view b)
{
    return kind == a || kind == b;
}

// Bytes of the line (without CR LF) a record must have so that every position its row reads exists:
// the header and race key (1-27), and for runners the horse number (29-30).
std::size_t minimumLength(StoreKind kind)
{
    return kind == StoreKind::SE ? 30 : 27;
}

bool isOddsKind(StoreKind kind)
{
    return kind >= StoreKind::O1 && kind <= StoreKind::O6;
}

} // namespace

long long FromDateOf(std::string_view startTime)
{
    return toIntDef(startTime.substr(0, std::min<std::size_t>(8, startTime.size())), 0);
}

StorePlan PlanBulkStore(std::string_view rec, const BulkStoreRules& rules, bool withLabel, bool withLine)
{
    StorePlan plan;
    const auto kind = storeKindOfType(RecordType(rec));
    if (!kind || *kind == StoreKind::DM)
        return plan; // the import does not keep this type
    plan.kind = *kind;
    const StoreKindInfo& info = storeKindInfo(*kind);
    plan.layout = info.layout;

    const std::string_view line = StoredLine(rec);
    if (line.size() < minimumLength(*kind)) {
        plan.verdict = StorePlan::Verdict::Reject;
        plan.message = strprintf("短すぎるレコードを読み飛ばしました（%s、%zuバイト）", std::string(info.type).c_str(),
                                 line.size());
        return plan;
    }

    const std::string_view dataKind = DataKind(rec);
    const long long race = toIntDef(RaceNumberText(rec), 0);
    const long long date = toIntDef(RaceDate(rec), 0);
    const bool recentEnough = date >= rules.FromDate - 10;
    bool wanted = false;
    bool normalise = false;
    switch (*kind) {
    case StoreKind::RA: {
        const long long runners = toIntDef(RunnerCountText(rec), 0);
        wanted = !kindIs(dataKind, "A", "B") && recentEnough && race > 0 && runners >= 1 && runners <= 18;
        normalise = true;
        break;
    }
    case StoreKind::SE: {
        const long long horse = toIntDef(HorseNumberText(rec), 0);
        wanted = race >= 1 && race <= 12 && horse >= 1 && horse <= 18 && !kindIs(dataKind, "A", "B") && recentEnough;
        break;
    }
    case StoreKind::HR:
        wanted = recentEnough && race > 0;
        normalise = true;
        plan.dropBlankFirstLine = false;
        break;
    case StoreKind::WF:
        wanted = !kindIs(dataKind, "9", "0") && toIntDef(RaceDayOfMonth(rec), 0) > 0;
        break;
    case StoreKind::TM:
        wanted = race > 0;
        normalise = true;
        break;
    default: // O1-O6
        wanted = rules.KakuteiOzGet && !kindIs(dataKind, "0", "9") && race > 0;
        normalise = true;
        break;
    }
    if (!wanted)
        return plan;

    if (HasLineBreak(line)) {
        plan.verdict = StorePlan::Verdict::Reject;
        plan.message = strprintf("改行を含むレコードを読み飛ばしました（%s）", std::string(info.type).c_str());
        return plan;
    }
    // The date becomes the file name; anything but digits there could name a file outside the store.
    if (!hasDayDate(rec)) {
        plan.verdict = StorePlan::Verdict::Reject;
        plan.message = strprintf("開催日が正しくないレコードを読み飛ばしました（%s）", std::string(info.type).c_str());
        return plan;
    }

    plan.verdict = StorePlan::Verdict::Store;
    plan.fileName = StoreFileName(*kind, rec);
    plan.source = line;
    plan.normalise = normalise;
    if (withLine)
        plan.line = normalise ? NormaliseRecord(line) : std::string(line);
    if (!withLabel)
        return plan;

    const LabelWords& w = words();
    const std::string_view raceText = RaceNumberText(rec);
    const std::string_view track = TrackName(VenueCode(rec));
    auto label = [&](const std::string& head, bool withDay) {
        std::string s = head;
        if (withDay)
            s += DayName(rec);
        s += track;
        s += raceText;
        s += 'R';
        return s;
    };
    switch (*kind) {
    case StoreKind::RA:
        plan.label = label(w.kaisai, true);
        break;
    case StoreKind::SE:
        plan.label = label(w.umagoto, false) + "/" + std::string(CircledNumber(HorseNumberText(rec))) +
                     std::string(HorseName(rec));
        break;
    case StoreKind::HR:
        plan.label = label(w.haraimodoshi, true);
        break;
    case StoreKind::WF:
        plan.label = label(w.win5, true);
        break;
    case StoreKind::TM:
        break; // the label stays as it was
    default:
        if (isOddsKind(*kind)) {
            const auto i = static_cast<std::size_t>(*kind) - static_cast<std::size_t>(StoreKind::O1);
            plan.label = w.odds[i] + std::string(raceText) + "R/" + plan.fileName;
        }
        break;
    }
    return plan;
}

bool StorePlannedRecord(const fs::path& dataFolder, const StorePlan& plan, std::string* error)
{
    if (plan.verdict != StorePlan::Verdict::Store)
        return true;
    const fs::path path = StoreFilePath(dataFolder, plan.fileName);
    switch (plan.layout) {
    case StoreLayout::Keyed:
        return KeyedFile(path, plan.line, plan.dropBlankFirstLine, error,
                         plan.normalise ? DeliveryOf(plan.source) : std::string_view());
    case StoreLayout::Slots:
        return SlotFile(path, plan.line, error);
    case StoreLayout::OneRecord:
        return OneRecordFile(path, plan.line, error);
    }
    return true;
}

} // namespace solvane
