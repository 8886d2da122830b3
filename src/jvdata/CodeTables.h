// JV-Data code tables: coded values of the records turned into the short Japanese labels
// shown on race cards, written into file names and printed in progress texts, plus a few small text
// helpers used with them.
//
// Every argument and every result is a Shift-JIS byte string, because widths are counted in Shift-JIS
// bytes (a full-width character 2, a half-width character 1). Convert a label with fromSjis() to show it.
//
// Table lookups return a std::string_view into tables that live for the whole program: they never
// allocate and never convert text (the tables are converted to Shift-JIS once, on first use, thread-safe).
// Build a std::string from the view when the label has to be combined with "+".
//
// Two kinds of lookup:
// - exact text: the code is compared as text ("1" matches only "1", not "01" or " 1");
// - numeric: the code is read as a decimal integer first (leading zeros and surrounding blanks allowed;
//   text that is not a number reads as 0). Numeric tables also take the integer directly.
#pragma once

#include <string>
#include <string_view>

namespace solvane {

// Track code ("01" … "10" JRA, "30" … "61" local, "A0" … "N2" overseas; exact text) to its 4-byte short
// name: two full-width characters, or one followed by two half-width blanks (M6, M8). Any other code
// gives four half-width blanks. Used in runner file names, so always exactly 4 bytes.
std::string_view TrackName(std::string_view code);

// JRA track short name ("札幌" … "小倉" in Shift-JIS; exact text) to its code "01" … "10"; any other
// text gives two half-width blanks.
std::string_view TrackCode(std::string_view name);

// Race type code (2 digits; exact text) to an 8-byte label ("サラ２歳"); four full-width spaces otherwise.
std::string_view RaceTypeLabel(std::string_view code);

// Age part from the race type code followed by the class part from the race condition code (both
// numeric): 13 and 5 give "3歳上1勝ｸﾗｽ". Either part is empty for a code without a label. Race card form.
std::string_view RaceClassLabel(std::string_view raceTypeCode, std::string_view conditionCode);
std::string_view RaceClassLabel(long long raceTypeCode, long long conditionCode);

// Race condition code (numeric) to its class label ("1勝ｸﾗｽ", "1億下", "オープン" …); empty otherwise.
// Backtest collection form: it differs from the class part of RaceClassLabel for 100 and 999.
std::string_view ConditionLabel(std::string_view code);
std::string_view ConditionLabel(long long code);

// Race symbol code (3 characters; exact text) to a 24-byte label ("(混合)・若手騎手" padded with full-width
// spaces). Only the 86 recognised codes have a label; any other code ("000" included) gives twelve
// full-width spaces.
std::string_view RaceSymbolLabel(std::string_view code);

// Grade code (1 character; exact text) in form 1 (5 bytes: "G1   ", "重賞 ", "List ") or form 8 (3 bytes:
// "G1 ", "重 ", "LST"). A code without a label gives full-width spaces and a blank of the same width.
// Any other form gives an empty text.
std::string_view GradeLabel(std::string_view code, int form);

// Weekday code (numeric): 0 one full-width space, 1 "土", 2 "日", 3 "祝", 4 "月" … 8 "金"; empty otherwise.
std::string_view WeekdayLabel(std::string_view code);
std::string_view WeekdayLabel(long long code);

// Weight type code (1 character; exact text): "ﾊﾝﾃﾞ", "別定", "馬齢", "定量"; empty otherwise.
std::string_view WeightTypeLabel(std::string_view code);

// Horse mark code (numeric): "(抽)", "(父)(市)" …; one full-width space for 0 and any unlisted value.
std::string_view HorseMarkLabel(std::string_view code);
std::string_view HorseMarkLabel(long long code);

// Course (track surface and direction) code (numeric) to its long label ("芝 左回り 外回り"); empty otherwise.
std::string_view CourseLabel(std::string_view code);
std::string_view CourseLabel(long long code);

// The same code to a 2-character label ("芝左", "ダ右", "障害"); empty for 25-28 and unlisted codes.
std::string_view CourseShortLabel(std::string_view code);
std::string_view CourseShortLabel(long long code);

// Weather code (1 character; exact text): "晴", "曇", "雨", "小雨", "雪", "小雪"; empty otherwise.
std::string_view WeatherLabel(std::string_view code);

// Going code (1 character; exact text) in form 0 ("良", "稍重", "重", "不良"), form 1 (the same after "芝:")
// or form 2 (after "ダ:"). Any other code or form gives an empty text.
std::string_view GoingLabel(std::string_view code, int form);

// Sex code (1 character; exact text): "牡", "牝", "ｾﾝ"; empty otherwise.
std::string_view SexLabel(std::string_view code);

// Record flag (1 character; exact text): "(ｺｰｽﾚｺｰﾄﾞ)", "(GIﾚｺｰﾄﾞ)"; empty otherwise.
std::string_view RecordFlagLabel(std::string_view code);

// Time kind (1 character; exact text): "(基準ﾀｲﾑ)", "(ﾚｺｰﾄﾞﾀｲﾑ)", "(参考ﾀｲﾑ)", "(備考ﾀｲﾑ)"; empty otherwise.
std::string_view TimeKindLabel(std::string_view code);

// Number (numeric) 1-18 to its circled digit "①" … "⑱" (one full-width character); "－" otherwise.
std::string_view CircledNumber(std::string_view number);
std::string_view CircledNumber(long long number);

// The number right-aligned in a field as wide as the input text (blank-filled on the left): "05" gives
// " 5", "120" gives "120". When it reads as 0 (blank or non-numeric text included) the result is as many
// blanks as the input has bytes.
std::string PadNumber(std::string_view number);

// The text without any full-width space (0x81 0x40), wherever it stands; half-width blanks stay. Walks the
// text character by character, so a trail byte 0x81 followed by "@" is never taken for a space.
std::string StripWideSpaces(std::string_view sjis);

// "hhmm" plus minutes (negative allowed) as "HHMM", each part at least two digits; no wrap at midnight
// ("2350" + 20 gives "2410"). An empty or blank time gives an empty text.
std::string AddMinutes(std::string_view hhmm, int minutes);

// "hhmmss" plus seconds (negative allowed) as "HHMMSS", the same way.
std::string AddSeconds(std::string_view hhmmss, int seconds);

// Deletes as many bytes as the replacement has starting at the 1-based byte position, then inserts the
// replacement there (a position past the end appends, one before 1 inserts at the start; nothing is
// deleted for a position outside the text). Positions are byte positions of the Shift-JIS text.
std::string OverwriteAt(std::string_view text, std::string_view replacement, int position);

} // namespace solvane
