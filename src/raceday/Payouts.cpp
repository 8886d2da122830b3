#include "raceday/Payouts.h"

#include "jvdata/Combo.h"
#include "jvdata/RecordFields.h"
#include "raceday/RaceRecords.h"
#include "util/Text.h"

#include <array>
#include <span>

namespace solvane {

namespace {

void fillHorse(std::span<HrEntry> entries, std::string_view hr, std::size_t umaPos, std::size_t payPos,
               std::size_t ninkiPos, std::size_t ninkiWidth)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t step = 13 * i;
        HrEntry& e = entries[i];
        e = HrEntry{};
        e.Uma = FieldInt(hr, umaPos + step, 2);
        e.Pay = FieldInt(hr, payPos + step, 9);
        e.Ninki = FieldInt(hr, ninkiPos + step, ninkiWidth);
    }
}

// Combination sections: numbers of width digitWidth each, count of them, then payout and popularity.
void fillCombo(std::span<HrEntry> entries, std::string_view hr, std::size_t comboPos, std::size_t stride, int numbers,
               std::size_t digitWidth, std::size_t payPos, std::size_t ninkiPos, std::size_t ninkiWidth)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t step = stride * i;
        HrEntry& e = entries[i];
        e = HrEntry{};
        int v[3] = {0, 0, 0};
        bool complete = true;
        for (int k = 0; k < numbers; ++k) {
            v[k] = FieldInt(hr, comboPos + step + digitWidth * static_cast<std::size_t>(k), digitWidth);
            complete = complete && v[k] > 0;
        }
        if (complete)
            e.Label = numbers == 2 ? ComboLabel(v[0], v[1]) : ComboLabel(v[0], v[1], v[2]);
        e.Pay = FieldInt(hr, payPos + step, 9);
        e.Ninki = FieldInt(hr, ninkiPos + step, ninkiWidth);
    }
}

} // namespace

HrRaceTable PayoutTableOf(std::string_view hr)
{
    HrRaceTable t;
    fillHorse(t.Tan, hr, 103, 105, 114, 2);
    fillHorse(t.Fuk, hr, 142, 144, 153, 2);
    fillCombo(t.WR, hr, 207, 13, 2, 1, 209, 218, 2);
    fillCombo(t.UR, hr, 246, 16, 2, 2, 250, 259, 3);
    fillCombo(t.WD, hr, 294, 16, 2, 2, 298, 307, 3);
    fillCombo(t.UT, hr, 454, 16, 2, 2, 458, 467, 3);
    fillCombo(t.SRF, hr, 550, 18, 3, 2, 556, 565, 3);
    fillCombo(t.SRT, hr, 604, 19, 3, 2, 610, 619, 4);
    return t;
}

RacePlacings PlacingsOf(std::string_view hr)
{
    RacePlacings placings{};
    // Each horse keeps the best place a payout gives it: in a dead heat for first both winners also
    // appear as the second horse of an exacta, and they stay 1着.
    auto place = [&](int h, int p) {
        if (h >= 1 && h <= kMaxHorses &&
            (placings[static_cast<std::size_t>(h)] == 0 || p < placings[static_cast<std::size_t>(h)]))
            placings[static_cast<std::size_t>(h)] = p;
    };
    for (std::size_t i = 0; i < 3; ++i)
        place(FieldInt(hr, 103 + 13 * i, 2), 1);
    for (std::size_t i = 0; i < 6; ++i) {
        if (FieldInt(hr, 454 + 16 * i, 2) > 0)
            place(FieldInt(hr, 456 + 16 * i, 2), 2);
    }
    for (std::size_t i = 0; i < 6; ++i) {
        if (FieldInt(hr, 604 + 19 * i, 2) > 0 && FieldInt(hr, 606 + 19 * i, 2) > 0)
            place(FieldInt(hr, 608 + 19 * i, 2), 3);
    }
    return placings;
}

void CalcBtnClick(RaceDay& day)
{
    for (int s = 0; s < kRaceSlots; ++s)
        day.HrTable[static_cast<std::size_t>(s)] = PayoutTableOf(day.HrRecs[static_cast<std::size_t>(s)]);
}

void HrReadBtnClick(RaceDay& day, ReadNotes* notes, FolderIndex* folder)
{
    FolderIndex own(day.DataDir);
    FolderIndex& dir = folder ? *folder : own;
    ReadNotes local;
    ReadNotes& out = notes ? *notes : local;

    const int races = ReadRaRecords(day, dir, &out, true);
    if (out.failed())
        return;
    if (races >= 0) {
        RunnerFiles runners(day.DayKey, dir, &out);
        for (int s = 0; s < races; ++s) {
            if (!trim(field(day.RaRecs[static_cast<std::size_t>(s)], 12, 4)).empty())
                runners.read(day, s);
            if (out.failed())
                return;
        }
    }

    std::string bytes;
    const std::string name = day.DayKey + ".jvHR";
    const FileRead read = ReadDayFile(dir.find(name), bytes, &out);
    if (read == FileRead::Failed)
        return;
    if (read == FileRead::Read) {
        for (auto& hr : day.HrRecs)
            hr.assign(kHrLength, ' ');
        // Every record is looked at: one that matches no race of the day is dropped, so reading past
        // 36 lines cannot misplace anything, and a stray line cannot push a real race out.
        ForEachRecord(bytes, kHrLength, static_cast<std::size_t>(-1), name, &out, [&](std::string_view line) {
            const std::string_view key = RaceKey(line);
            for (int s = 0; s < kRaceSlots; ++s) {
                if (field(day.RaRecs[static_cast<std::size_t>(s)], 12, 16) == key && !trim(key).empty()) {
                    AssignRecord(day.HrRecs[static_cast<std::size_t>(s)], line);
                    break;
                }
            }
            return true;
        });
        for (std::size_t s = 0; s < kRaceSlots; ++s) {
            const RacePlacings placings = PlacingsOf(day.HrRecs[s]);
            for (int h = 1; h <= kMaxHorses; ++h) {
                std::string& se = day.SeRecs[s][static_cast<std::size_t>(h - 1)];
                // A confirmed placing in the runner record stands; the payouts only fill a blank one.
                if (placings[static_cast<std::size_t>(h)] == 0 || se.size() < 336 || toIntDef(PlacingText(se), 0) > 0)
                    continue;
                se.replace(334, 2, strprintf("%02d", placings[static_cast<std::size_t>(h)]));
            }
        }
    }
    CalcBtnClick(day);
}

namespace {

// The eight sections of a race's payout table in the results page's order, with the results page's
// caption and the panel's (the bet types as the rest of the program names them).
struct PayoutSection {
    const char* results;
    const char* panel;
    std::span<const HrEntry> entries;
};

std::array<PayoutSection, 8> SectionsOf(const HrRaceTable& t)
{
    return {{{"単勝", "単勝", t.Tan},
             {"複勝", "複勝", t.Fuk},
             {"枠連", "枠連", t.WR},
             {"馬連", "馬連", t.UR},
             {"ﾜｲﾄﾞ", "ワイド", t.WD},
             {"馬単", "馬単", t.UT},
             {"三連複", "３連複", t.SRF},
             {"三連単", "３連単", t.SRT}}};
}

// An entry's combination as the results page writes it: the horse (" 7") for win and place, the label
// (" 3- 7") otherwise; empty for an entry without one.
std::string CombinationText(const HrEntry& e)
{
    if (e.Uma != 0)
        return strprintf("%2d", e.Uma);
    return trim(e.Label).empty() ? std::string() : e.Label;
}

} // namespace

TextGrid PayoutPanelGrid(const RaceDay& day, int slot)
{
    TextGrid grid({"券種", "組番", "払戻金", "人気"});
    grid.setAlign(1, CellAlign::Center);
    grid.setAlign(2, CellAlign::Right);
    grid.setAlign(3, CellAlign::Right);
    if (slot < 0 || slot >= kRaceSlots)
        return grid;
    for (const PayoutSection& section : SectionsOf(day.HrTable[static_cast<std::size_t>(slot)])) {
        bool first = true;
        for (const HrEntry& e : section.entries) {
            // "3-7" rather than the results page's fixed-width " 3- 7": the panel is narrow.
            std::string combination = CombinationText(e);
            std::erase(combination, ' ');
            if (combination.empty())
                continue;
            const int r = grid.addRow();
            grid.setCell(r, 0, first ? section.panel : "");
            grid.setCell(r, 1, combination);
            grid.setCell(r, 2, GroupedYen(e.Pay) + "円");
            grid.setCell(r, 3, strprintf("%d", e.Ninki));
            first = false;
        }
    }
    return grid;
}

TextGrid ResultsGrid(const RaceDay& day, int slot)
{
    TextGrid grid({"券種", "結果", "人気", "配当"});
    grid.setAlign(1, CellAlign::Right);
    grid.setAlign(2, CellAlign::Right);
    grid.setAlign(3, CellAlign::Right);
    if (slot < 0 || slot >= kRaceSlots)
        return grid;
    for (const PayoutSection& section : SectionsOf(day.HrTable[static_cast<std::size_t>(slot)])) {
        for (const HrEntry& e : section.entries) {
            const int r = grid.addRow();
            grid.setCell(r, 0, section.results);
            if (const std::string combination = CombinationText(e); !combination.empty()) {
                grid.setCell(r, 1, combination);
                grid.setCell(r, 2, strprintf("%2d", e.Ninki));
                grid.setCell(r, 3, strprintf("%8d", e.Pay));
            }
        }
    }
    return grid;
}

} // namespace solvane
