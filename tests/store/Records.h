// Small record builders for the store tests: a record of the JV-Data length of its type, blank but for
// the header, the race key and the fields a test sets, ending with CR LF.
#pragma once

#include "util/ShiftJis.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace solvane::test {

inline int recordLength(std::string_view type)
{
    struct Len {
        std::string_view type;
        int length;
    };
    static constexpr Len lengths[] = {{"RA", 1272},  {"SE", 555},   {"HR", 719},  {"WF", 7215}, {"TM", 141},
                                      {"DM", 303},   {"O1", 962},   {"O2", 2042}, {"O3", 2654}, {"O4", 4031},
                                      {"O5", 12293}, {"O6", 83285}, {"WE", 42},   {"TC", 45}};
    for (const auto& l : lengths)
        if (l.type == type)
            return l.length;
    return 100;
}

// Puts text at the 1-based byte position, growing the record when needed.
inline void put(std::string& rec, std::size_t pos, std::string_view text)
{
    if (rec.size() < pos - 1 + text.size())
        rec.resize(pos - 1 + text.size(), ' ');
    rec.replace(pos - 1, text.size(), text);
}

struct Rec {
    std::string type = "RA";
    std::string kind = "7";
    std::string date = "20240106"; // positions 12-19
    std::string track = "06";
    std::string kai = "01";
    std::string nichi = "02";
    int race = 11;
    int horse = 5;    // SE 29-30
    int runners = 16; // RA 882-883
    std::string made = "20240108";
    int length = 0;   // 0: the length of the type
    std::string tail; // text put at position 100 (tells records of one key apart)

    Rec& t(std::string v)
    {
        type = std::move(v);
        return *this;
    }
    Rec& k(std::string v)
    {
        kind = std::move(v);
        return *this;
    }
    Rec& d(std::string v)
    {
        date = std::move(v);
        return *this;
    }
    Rec& trk(std::string v)
    {
        track = std::move(v);
        return *this;
    }
    Rec& r(int v)
    {
        race = v;
        return *this;
    }
    Rec& h(int v)
    {
        horse = v;
        return *this;
    }
    Rec& n(int v)
    {
        runners = v;
        return *this;
    }
    Rec& len(int v)
    {
        length = v;
        return *this;
    }
    Rec& mark(std::string v)
    {
        tail = std::move(v);
        return *this;
    }

    std::string str() const
    {
        const int total = length > 0 ? length : recordLength(type);
        std::string rec(static_cast<std::size_t>(total) - 2, ' ');
        char buf[8];
        put(rec, 1, type);
        put(rec, 3, kind);
        put(rec, 4, made);
        put(rec, 12, date);
        put(rec, 20, track);
        put(rec, 22, kai);
        put(rec, 24, nichi);
        std::snprintf(buf, sizeof buf, "%02d", race);
        put(rec, 26, buf);
        if (type == "SE") {
            std::snprintf(buf, sizeof buf, "%02d", horse);
            put(rec, 29, buf);
            put(rec, 41, toSjis("テストホース"));
        }
        if (type == "RA") {
            std::snprintf(buf, sizeof buf, "%02d", runners);
            put(rec, 882, buf);
        }
        if (!tail.empty())
            put(rec, 100, tail);
        rec.resize(static_cast<std::size_t>(total) - 2, ' ');
        return rec + "\r\n";
    }
    operator std::string() const { return str(); }
};

} // namespace solvane::test
