// The combination tables of the input form: from the ◎ ○ ▲ marks of a race, one table per bet type
// with its odds, popularity, allocation, appearance rates and results, and what the form does to a
// table afterwards ("消" clicks, heading sorts, a new stake or allocation mode). The form only shows
// what these functions return.
#pragma once

#include "kaime/AppearanceRates.h"
#include "kaime/BakenType.h"
#include "kaime/Haibun.h"
#include "raceday/RaceCard.h"
#include "raceday/RaceDay.h"
#include "util/TextGrid.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The boxes of "マルチ指定".
struct MultiOptions {
    bool multi = true;    // マルチ
    bool multi12 = false; // 1,2着マルチ
    bool multi23 = false; // 2,3着マルチ
    bool multi13 = false; // 1,3着マルチ
};

// Where each kind of cell sits in a type's table; -1 when the table has no such column.
struct KaimeLayout {
    int columns;
    int renNinki; // 連人気
    int stake;    // 購入額; 回収額 and 回収率 follow it
    int appearance;
    int appearanceCount;
    int resultPayout; // 結果配当; 結果回収 and 結果人気 follow it
};
inline constexpr int kDeleteColumn = 0;
inline constexpr int kNumberColumn = 1;
inline constexpr int kLabelColumn = 2;
inline constexpr int kOddsColumn = 3;
inline constexpr int kNinkiColumn = 4;
inline constexpr std::string_view kDeleteMark = "消";

KaimeLayout LayoutOf(BakenType type);
std::vector<std::string> KaimeHeadings(BakenType type);
HaibunColumns HaibunColumnsOf(BakenType type);
KekkaColumns KekkaColumnsOf(BakenType type);

// One type's table and its four labels.
struct KaimeTable {
    BakenType type = BakenType::Tan;
    TextGrid grid;
    KaimeLabels labels;
};

// What the finishing steps of a table need besides the table.
struct KaimeContext {
    long long amount = 0;                    // the form's stake (the race's win entry of RaceStakeList)
    HaibunMode mode = HaibunMode::Kinto;     // 資金配分
    std::string_view hr;                     // the race's payout record
    const AppearanceCounts* rates = nullptr; // nothing: the rate columns stay empty
    int runners = 0;                         // registered runners of the race
    // Win popularity of each horse of the race (0: none). The rates are counted by win popularity,
    // so the place table reads them by it too, not by the place popularity its "人気" cells show.
    PerHorse<int> winRanks{};
};

// The ordinals of a type's combinations, deduplicated; taken in label order. Adding a combination
// already present does nothing.
class RawLabelList {
public:
    explicit RawLabelList(BakenType type);
    void add(int ordinal);
    // The ordinals present, in ascending label order.
    std::vector<int> ordinals() const;
    std::size_t size() const { return count_; }

private:
    BakenType type_;
    std::vector<unsigned char> present_;
    std::size_t count_ = 0;
};

// The combinations the marks give for a type (pairs and triples; empty for win and place).
RawLabelList CombinationsOf(BakenType type, int runners, const Marks& marks, const MultiOptions& multi);

// A type's table emptied: its headings, one empty row, no labels.
KaimeTable EmptyKaimeTable(BakenType type);

// Fills the rows of a table (reusing its rows) from the marks (odds windows, the not-loaded rule, 連人気), without the
// finishing steps.
void BuildKaimeRows(KaimeTable& table, const RaceDay& day, int slot, const Marks& marks, const MultiOptions& multi);

// The finishing steps in their order: allocation, appearance rates, results.
void FinishKaimeTable(KaimeTable& table, const KaimeContext& ctx);
void WriteAppearanceRates(KaimeTable& table, const KaimeContext& ctx);
void WriteResults(KaimeTable& table, const KaimeContext& ctx);

using KaimeTables = std::array<KaimeTable, kBakenTypes>;

// The context of a race: its payout record, runner count and win popularity.
KaimeContext ContextOf(const RaceDay& day, int slot, long long amount, HaibunMode mode, const AppearanceCounts* rates);

// The eight tables emptied, in type order.
KaimeTables EmptyKaimeTables();

// Rebuilds all eight tables of the race in place, in type order. The form keeps its tables and
// rebuilds them on every click, so the rows of the previous build are reused.
void KaimeMakeBtnClick(KaimeTables& tables, const RaceDay& day, int slot, const Marks& marks, const MultiOptions& multi,
                       const KaimeContext& ctx);
// The same into fresh tables.
KaimeTables KaimeMakeBtnClick(const RaceDay& day, int slot, const Marks& marks, const MultiOptions& multi,
                              const KaimeContext& ctx);

// A new stake or allocation mode: the allocation on all eight tables, then the results on all eight.
void ReallocateAll(KaimeTables& tables, const KaimeContext& ctx);

// A click on column 0 of a data row: "消" set on an unmarked row and cleared on a marked one, then the
// table's labels emptied and its allocation, rates and results redone. False for a row outside the table.
bool ToggleDelete(KaimeTable& table, int row, const KaimeContext& ctx);

// Sorts the rows by the text of a column in byte order; equal texts by "No." ascending (by "買い目"
// when sorting by "No."). Rows move whole.
void SortKaimeRows(TextGrid& grid, int column, bool descending);

// The remembered sort directions: win, place, trio and trifecta each their own, the four pair tables
// one shared set. Every direction starts ascending, so the first click on a heading sorts descending.
class KaimeSortState {
public:
    // A click on heading column >= 1: flips the direction and sorts. False for column 0 or outside.
    bool clickHeading(KaimeTable& table, int column);
    bool descending(BakenType type, int column) const;

private:
    static int groupOf(BakenType type);
    std::array<std::array<bool, 15>, 5> descending_{};
};

} // namespace solvane
