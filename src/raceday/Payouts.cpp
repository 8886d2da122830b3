#include "raceday/Payouts.h"

#include "jvdata/Combo.h"
#include "raceday/RaceRecords.h"
#include "util/Text.h"

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
        if (h >= 1 && h <= kMaxHorses && (placings[static_cast<std::size_t>(h)] == 0 || p < placings[static_cast<std::size_t>(h)]))
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
            const std::string_view key = field(line, 12, 16);
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
                if (placings[static_cast<std::size_t>(h)] == 0 || se.size() < 336 || FieldInt(se, 335, 2) > 0)
                    continue;
                se.replace(334, 2, strprintf("%02d", placings[static_cast<std::size_t>(h)]));
            }
        }
    }
    CalcBtnClick(day);
}

TextGrid PayoutPanelGrid(const RaceDay& day, int slot)
{
    TextGrid grid({"券種", "組番", "払戻金", "人気"});
    grid.setAlign(1, CellAlign::Center);
    grid.setAlign(2, CellAlign::Right);
    grid.setAlign(3, CellAlign::Right);
    if (slot < 0 || slot >= kRaceSlots)
        return grid;
    const HrRaceTable& t = day.HrTable[static_cast<std::size_t>(slot)];
    auto add = [&](const char* caption, std::span<const HrEntry> entries) {
        bool first = true;
        for (const HrEntry& e : entries) {
            // "3-7" rather than the results page's fixed-width " 3- 7": the panel is narrow.
            std::string combination = e.Uma != 0 ? strprintf("%d", e.Uma) : e.Label;
            std::erase(combination, ' ');
            if (combination.empty())
                continue;
            const int r = grid.addRow();
            grid.setCell(r, 0, first ? caption : "");
            grid.setCell(r, 1, combination);
            grid.setCell(r, 2, GroupedYen(e.Pay) + "円");
            grid.setCell(r, 3, strprintf("%d", e.Ninki));
            first = false;
        }
    };
    add("単勝", t.Tan);
    add("複勝", t.Fuk);
    add("枠連", t.WR);
    add("馬連", t.UR);
    add("ワイド", t.WD);
    add("馬単", t.UT);
    add("３連複", t.SRF);
    add("３連単", t.SRT);
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
    const HrRaceTable& t = day.HrTable[static_cast<std::size_t>(slot)];

    auto addHorses = [&](const char* caption, std::span<const HrEntry> entries) {
        for (const HrEntry& e : entries) {
            const int r = grid.addRow();
            grid.setCell(r, 0, caption);
            if (e.Uma != 0) {
                grid.setCell(r, 1, strprintf("%2d", e.Uma));
                grid.setCell(r, 2, strprintf("%2d", e.Ninki));
                grid.setCell(r, 3, strprintf("%8d", e.Pay));
            }
        }
    };
    auto addCombos = [&](const char* caption, std::span<const HrEntry> entries) {
        for (const HrEntry& e : entries) {
            const int r = grid.addRow();
            grid.setCell(r, 0, caption);
            if (!trim(e.Label).empty()) {
                grid.setCell(r, 1, e.Label);
                grid.setCell(r, 2, strprintf("%2d", e.Ninki));
                grid.setCell(r, 3, strprintf("%8d", e.Pay));
            }
        }
    };
    addHorses("単勝", t.Tan);
    addHorses("複勝", t.Fuk);
    addCombos("枠連", t.WR);
    addCombos("馬連", t.UR);
    addCombos("ﾜｲﾄﾞ", t.WD);
    addCombos("馬単", t.UT);
    addCombos("三連複", t.SRF);
    addCombos("三連単", t.SRT);
    return grid;
}

} // namespace solvane
