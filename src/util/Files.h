// File helpers. Every file the program keeps is rewritten whole: the new text goes to a temporary
// file in the same folder, which is then renamed over the old one, so a crash or a full disk never
// leaves a half-written file behind. The new file reaches the disk before the rename and the rename
// before the write returns, so a power loss right after leaves the old or the new text, never an empty
// file.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

namespace fs = std::filesystem;

// The whole file as bytes, or nothing when it cannot be read.
std::optional<std::string> readFile(const fs::path& path);

// Opens a file for reading in binary mode (nullptr when it cannot be opened). On Windows the file is
// shared for reading, writing and deletion, so that writeFileAtomic may rename a new file over one that
// is being read, as it may on POSIX systems.
std::FILE* openForReading(const fs::path& path);

// A file read at offsets, one system call a read (pread on POSIX, ReadFile at an offset on Windows), opened
// and shared as openForReading opens it. For reading a few parts of many files, where a FILE's seek and
// read would cost two calls each.
class FileReader {
public:
    explicit FileReader(const fs::path& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    explicit operator bool() const { return size_ >= 0; }
    // The size when it was opened; -1 when it could not be opened or examined.
    std::int64_t size() const { return size_; }
    // Exactly length bytes at offset; false on an error or when the file ends before.
    bool readAt(std::int64_t offset, char* to, std::size_t length) const;

private:
    std::intptr_t handle_ = -1; // the descriptor, or the Windows handle
    std::int64_t size_ = -1;
};

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

// Many files replaced as one step: add() writes each new version to its temporary (its bytes start on their
// way to the disk at once), commit() waits for all of them, renames each over its file and waits for each
// folder once. Replacing files one after the other waits for the disk twice per file, which on a disk that
// is busy with other programs costs far more than the writing; the import saves hundreds of files at a time.
// A file whose temporary cannot be written or whose rename fails keeps its old version; the others go on.
// Temporaries not committed are removed with the batch.
class ReplaceBatch {
public:
    ReplaceBatch() = default;
    ReplaceBatch(const ReplaceBatch&) = delete;
    ReplaceBatch& operator=(const ReplaceBatch&) = delete;
    ~ReplaceBatch();

    // False, with the reason in plain words, when the temporary could not be written.
    bool add(const fs::path& path, std::string_view bytes, std::string* error = nullptr);
    // False with the first failure's reason; every other file is still replaced.
    bool commit(std::string* error = nullptr);

    std::size_t committedFiles() const { return committedFiles_; }
    std::size_t committedBytes() const { return committedBytes_; }
    // The files that kept their old version at the commit, each with the reason in plain words.
    struct Failure {
        fs::path path;
        std::string reason;
    };
    const std::vector<Failure>& failures() const { return failures_; }

private:
    struct Entry {
        fs::path path, tmp;
        std::size_t size = 0;
    };
    std::vector<Entry> entries_;
    std::vector<Failure> failures_;
    std::size_t committedFiles_ = 0, committedBytes_ = 0;
};

// A temporary of writeFileAtomic: the file's name + ".tmp" + eight hexadecimal digits.
bool isWriteTemporary(std::string_view fileName);
// Removes the temporaries that writers killed mid-write left in folder (not its subfolders). Only those
// untouched for minAge go, so that a writer that is still busy with one keeps it. The number removed.
int sweepWriteTemporaries(const fs::path& folder, std::chrono::seconds minAge);

// The entry of dir whose name equals name ignoring ASCII case; an existing exact match wins.
// When none exists, dir / name.
fs::path findChildIgnoreCase(const fs::path& dir, std::string_view name);

// A path from UTF-8 text and back. std::filesystem uses the native encoding: UTF-8 on POSIX systems,
// UTF-16 on Windows, where "/" in the text also becomes "\".
fs::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const fs::path& path);

} // namespace solvane
