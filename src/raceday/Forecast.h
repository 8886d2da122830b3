// Forecast marks pasted from a forecast publication: the FI marks and the triple-factor marks. A pasted
// text is read by its fixed grammar into the lines of the day's ".FI" or ".TF" file in the Data folder,
// which the day loader applies to the race card at the next load.
//
// The grammar works on the Shift-JIS bytes of the text, as the publication's columns are counted in
// Shift-JIS bytes (a full-width mark is two bytes wide). Texts for a person are UTF-8.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

enum class ForecastKind { FI, TF };

inline constexpr std::string_view kForecastBadData = "データが正しくないか、存在しません。";
inline constexpr std::string_view kForecastNoRaces = "取り込める予想印の行がありませんでした。";

// Texts with fewer lines than this are not a forecast page at all and are passed over silently.
inline constexpr std::size_t kForecastMinLines = 10;

// A forecast page of a whole day is some tens of kilobytes; a text beyond this is no forecast page, and
// is refused before it is read, so that a wrong file (a video, a device) cannot exhaust the memory.
inline constexpr std::size_t kForecastMaxBytes = std::size_t{1} << 20;
inline constexpr std::string_view kForecastTooLarge =
    "テキストが大きすぎるため取り込めません（1MBまで）。予想印のページだけを貼り付けてください。";

// The race number at the start of a race line ("１R", "12R", "1R"): a full-width digit one to nine gives
// 1..9, any other text its integer value, or 0 when it is not a number.
int RaceNumberOf(std::string_view sjis);

// What a pasted text holds, read completely before anything is asked or written.
struct ForecastPlan {
    ForecastKind kind = ForecastKind::FI;
    bool tooFewLines = false;       // nothing to do, nothing to say
    std::string error;              // why the text cannot be imported (UTF-8); empty when it can
    std::string dayKey;             // "2024年01月06日" (UTF-8)
    std::string question;           // the confirmation question (UTF-8)
    std::vector<std::string> lines; // the file's lines (Shift-JIS, without line ends)

    bool ready() const { return !tooFewLines && error.empty(); }
    // dayKey + ".FI" or ".TF" (UTF-8).
    std::string fileName() const;
};

// Reads a pasted text (Shift-JIS bytes; CR LF, LF or CR line ends). A text over kForecastMaxBytes, or one
// holding a control character other than a tab (a NUL of a binary file would go into the day's file), is
// refused with a message before anything else.
ForecastPlan ReadForecast(ForecastKind kind, std::string_view sjisText);

// The bytes of a saved text for the import, read only up to kForecastMaxBytes: nothing and a message
// (UTF-8) when it cannot be read or is larger.
struct ForecastFile {
    std::optional<std::string> bytes;
    std::string error;
};
ForecastFile ReadForecastFile(const std::filesystem::path& file);

struct ForecastSaved {
    bool ok = false;
    std::string message; // "[2024年01月06日]の予想印を取り込みました。", or why the file was not written
    std::filesystem::path path;
};

// Replaces the day's file in the Data folder of the application folder with the plan's lines, whole,
// Shift-JIS with CR LF, holding the folder's writer lock. A plan that is not ready writes nothing.
ForecastSaved SaveForecast(const ForecastPlan& plan, const std::filesystem::path& appFolder);

// The whole import as the forecast window runs it: read, ask, save.
struct ForecastOutcome {
    enum class Status {
        Nothing,  // too few lines: silently nothing
        Rejected, // the text cannot be imported: message says why, nothing was asked
        Declined, // the question was answered No
        Saved,    // the file was written: message reports it
        Failed    // the file could not be written: message says why; the old file is intact
    };
    Status status = Status::Nothing;
    std::string message; // UTF-8; empty for Nothing and Declined
};
using ForecastAsk = std::function<bool(const std::string& question)>;
ForecastOutcome ImportForecast(ForecastKind kind, std::string_view sjisText, const std::filesystem::path& appFolder,
                               const ForecastAsk& ask);

// A text as a window or a file holds it (UTF-8) to the Shift-JIS the grammar reads. Web pages pad their
// columns with no-break spaces, which Shift-JIS lacks: they become blanks, so the columns stay where
// they were instead of turning into "?" marks.
std::string ForecastTextFromUtf8(std::string_view utf8);

// A text saved to a file by some other program: UTF-8 (with or without a byte-order mark) is converted to
// Shift-JIS; anything that is not valid UTF-8 is taken to be Shift-JIS already.
std::string ForecastTextToSjis(std::string_view bytes);

} // namespace solvane
