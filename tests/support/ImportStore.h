// The bulk import as the import window runs it with set-up data ticked and nobody cancelling: every
// record the component serves from start on, into a Data folder.
#pragma once

#include "jvdata/JVLink.h"
#include "store/BulkImport.h"

#include <filesystem>

namespace solvane::test {

inline BulkImportResult ImportInto(JVLink& link, const std::filesystem::path& dataFolder, DateTime start)
{
    JVCancelFlag cancel{false};
    BulkImportOptions options;
    options.dataFolder = dataFolder;
    options.start = start;
    options.setupData = true;
    BulkImport import(link, cancel, options);
    return import.run();
}

} // namespace solvane::test
