// File helpers. Every file the program keeps is rewritten whole: the new text goes to a temporary
// file in the same folder, which is then renamed over the old one, so a crash or a full disk never
// leaves a half-written file behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace solvane {

namespace fs = std::filesystem;

// The whole file as bytes, or nothing when it cannot be read.
std::optional<std::string> readFile(const fs::path& path);

// Opens a file for reading in binary mode (nullptr when it cannot be opened). On Windows the file is
// shared for reading, writing and deletion, so that writeFileAtomic may rename a new file over one that
// is being read, as it may on POSIX systems.
std::FILE* openForReading(const fs::path& path);

// What tells one version of a file from another: a file renamed over another has a new id (the inode,
// or the NTFS file index) even when its size and time stamp stay the same.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t id = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0; // last write, nanoseconds since 1970 (100-ns steps on Windows)
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// Nothing when the file does not exist or cannot be examined.
std::optional<FileStamp> fileStampOf(const fs::path& path);

// Replaces path with bytes by write-to-temporary and rename. On failure the old file is intact,
// the temporary is removed, false is returned and *error (when given) says why in plain words.
bool writeFileAtomic(const fs::path& path, std::string_view bytes, std::string* error = nullptr);

// The entry of dir whose name equals name ignoring ASCII case; an existing exact match wins.
// When none exists, dir / name.
fs::path findChildIgnoreCase(const fs::path& dir, std::string_view name);

// A path from UTF-8 text and back. std::filesystem uses the native encoding: UTF-8 on POSIX systems,
// UTF-16 on Windows, where "/" in the text also becomes "\".
fs::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const fs::path& path);

} // namespace solvane
