// Helpers for the tests of the local JV-Link component: write a small feed by hand and read a
// request back as one line of text.
#pragma once

#include "jvdata/JVLink.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace solvane::test {

// Writes bytes to root/relative, creating the folders on the way.
inline void writeFeedFile(const std::filesystem::path& root, const std::string& relative, const std::string& bytes)
{
    const std::filesystem::path path = root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Calls JVRead until it answers 0, an error below -3 (unless stopAtError is false) or maxCalls
// calls, and writes down each
// answer: a record as its text without the CR LF (or "!nocrlf:" + text when it lacks one), any
// other code as its number, separated by "|". Runs of -3 are written once as "-3".
inline std::string readTrace(JVLink& link, int bufferSize = 100000, bool stopAtError = true, int maxCalls = 10000)
{
    std::string trace;
    std::string record, fileName;
    for (int i = 0; i < maxCalls; ++i) {
        const int code = link.JVRead(record, bufferSize, fileName);
        std::string item;
        if (code > 0) {
            const bool crlf = record.size() >= 2 && record.compare(record.size() - 2, 2, "\r\n") == 0;
            item = crlf ? record.substr(0, record.size() - 2) : "!nocrlf:" + record;
            if (static_cast<std::size_t>(code) != record.size())
                item += "!len" + std::to_string(code);
        } else {
            item = std::to_string(code);
        }
        if (code == -3 && trace.ends_with("-3"))
            continue;
        trace += (trace.empty() ? "" : "|") + item;
        if (code == 0 || (stopAtError && code < -3))
            break;
    }
    return trace;
}

} // namespace solvane::test
