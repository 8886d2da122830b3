// The export of a build made without the SQLite library (the Windows programs cross-built on Debian,
// which has no SQLite for MinGW): it says so instead of writing anything.
#include "export/SqliteExport.h"

namespace solvane {

SqliteExportResult ExportToSqlite(const SqliteExportOptions&, const SqliteExportProgressFn&, const std::atomic<bool>*)
{
    SqliteExportResult result;
    result.outcome = SqliteExportOutcome::Failed;
    result.message = "この版はSQLiteライブラリなしで作られているため、SQLite書き出しは使えません。";
    return result;
}

bool SqliteExportAvailable()
{
    return false;
}

} // namespace solvane
