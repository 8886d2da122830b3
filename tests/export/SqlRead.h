// Reading an exported database back in the tests, with the SQLite library and nothing of the export:
// a query's rows as texts, NULL as nothing.
#pragma once

#include "util/Files.h"

#include <filesystem>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace solvane::test {

using SqlValue = std::optional<std::string>;
using SqlRow = std::vector<SqlValue>;

class SqlFile {
public:
    // Opened for reading and writing; created when missing.
    explicit SqlFile(const std::filesystem::path& file)
    {
        if (sqlite3_open_v2(pathToUtf8(file).c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK)
            error_ = db_ ? sqlite3_errmsg(db_) : "out of memory";
    }
    ~SqlFile() { sqlite3_close_v2(db_); }
    SqlFile(const SqlFile&) = delete;
    SqlFile& operator=(const SqlFile&) = delete;

    // Empty when the file opened and every query so far ran.
    const std::string& error() const { return error_; }

    // The rows of sql, with the texts given bound to ?1, ?2 …
    std::vector<SqlRow> rows(const std::string& sql, const std::vector<std::string>& params = {})
    {
        std::vector<SqlRow> out;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            error_ = std::string(sqlite3_errmsg(db_)) + " in " + sql;
            return out;
        }
        for (std::size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(s, static_cast<int>(i) + 1, params[i].c_str(), -1, SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            SqlRow row;
            for (int c = 0; c < sqlite3_column_count(s); ++c) {
                const unsigned char* t = sqlite3_column_text(s, c);
                row.push_back(t ? SqlValue(reinterpret_cast<const char*>(t)) : std::nullopt);
            }
            out.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            error_ = std::string(sqlite3_errmsg(db_)) + " in " + sql;
        sqlite3_finalize(s);
        return out;
    }

    // The first column of the first row ("" when there is none or it is NULL).
    std::string value(const std::string& sql, const std::vector<std::string>& params = {})
    {
        const auto r = rows(sql, params);
        return r.empty() || r[0].empty() || !r[0][0] ? std::string() : *r[0][0];
    }

    bool exec(const std::string& sql)
    {
        char* message = nullptr;
        const bool ok = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK;
        if (!ok)
            error_ = message ? message : "?";
        sqlite3_free(message);
        return ok;
    }

private:
    sqlite3* db_ = nullptr;
    std::string error_;
};

// Every row of the four data tables of one date, in a fixed order, as one text: two exports hold the
// same day exactly when their texts are equal.
inline std::string DayDump(SqlFile& db, const std::string& date)
{
    const std::string ofDay = " WHERE race_key IN (SELECT race_key FROM races WHERE date = ?1)";
    std::string text;
    for (const std::string& sql : std::vector<std::string>{"SELECT * FROM races WHERE date = ?1 ORDER BY 1",
                                                           "SELECT * FROM runners" + ofDay + " ORDER BY 1, 2",
                                                           "SELECT * FROM payouts" + ofDay + " ORDER BY 1, 2, 3, 4, 5",
                                                           "SELECT * FROM odds" + ofDay + " ORDER BY 1, 2, 3, 4, 5"}) {
        for (const SqlRow& row : db.rows(sql, {date})) {
            for (const SqlValue& v : row)
                text += (v ? *v : "NULL") + "|";
            text += "\n";
        }
        text += "--\n";
    }
    return text;
}

} // namespace solvane::test
