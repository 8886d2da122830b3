// Helpers of the hardening tests: a folder's files as bytes, the record-shape check of store files,
// child processes that can be killed or run under a file-size limit.
#pragma once

#include "store/Store.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace solvane::test {

namespace fs = std::filesystem;

// Every regular file of a folder (not recursive) by name, leftover temporaries apart.
struct FolderFiles {
    std::map<std::string, std::string> files;
    std::vector<std::string> leftovers;
};

inline FolderFiles readFolder(const fs::path& dir)
{
    FolderFiles out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file())
            continue;
        const std::string name = it->path().filename().string();
        if (isWriteTemporary(name)) // left by a write that was killed
            out.leftovers.push_back(name);
        else
            out.files[name] = readFile(it->path()).value_or("<unreadable>");
    }
    return out;
}

// The store kind of a Data file by its suffix, or nothing for files the store does not define.
inline std::optional<StoreKind> kindOfStoreFile(const std::string& utf8Name)
{
    const std::string lower = asciiLower(utf8Name);
    for (int k = 0; k <= static_cast<int>(StoreKind::O6); ++k) {
        const StoreKindInfo& info = storeKindInfo(static_cast<StoreKind>(k));
        if (lower.ends_with(asciiLower(info.suffix)))
            return info.kind;
    }
    return std::nullopt;
}

// Empty when the bytes are whole records of the kind: every line as long as the kind's record minus
// its CR LF, every line ended by CR LF, keyed files sorted with one line per race key, runner files
// 216 lines. Otherwise what is wrong.
inline std::string storeFileShapeError(StoreKind kind, const std::string& bytes)
{
    const StoreKindInfo& info = storeKindInfo(kind);
    const std::size_t length = static_cast<std::size_t>(info.recordLength) - 2;
    if (bytes.empty())
        return "empty file";
    if (bytes.size() % (length + 2) != 0)
        return "size " + std::to_string(bytes.size()) + " is not a whole number of records";
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < bytes.size(); at += length + 2) {
        const std::string_view line(bytes.data() + at, length);
        if (bytes.compare(at + length, 2, "\r\n") != 0)
            return "record at byte " + std::to_string(at) + " does not end in CR LF";
        if (HasLineBreak(line))
            return "record at byte " + std::to_string(at) + " holds a line break";
        lines.push_back(line);
    }
    if (info.layout == StoreLayout::Slots && lines.size() != static_cast<std::size_t>(kSlotCount))
        return std::to_string(lines.size()) + " runner lines";
    if (info.layout == StoreLayout::OneRecord && lines.size() != 1)
        return std::to_string(lines.size()) + " lines in a one-record file";
    if (info.layout == StoreLayout::Keyed) {
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (!StoreLineLess(lines[i - 1], lines[i]))
                return "lines " + std::to_string(i) + " and " + std::to_string(i + 1) + " out of order";
            if (field(lines[i - 1], 12, 16) == field(lines[i], 12, 16))
                return "race key twice at line " + std::to_string(i + 1);
        }
    }
    return {};
}

// A program started in the background with its output thrown away.
inline pid_t spawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv)
{
    std::vector<std::string> env(extraEnv);
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = name == "SOLVANE_HOME";
        for (const std::string& mine : extraEnv)
            replaced = replaced || mine.substr(0, mine.find('=')) == name;
        if (!replaced)
            env.push_back(entry);
    }
    std::vector<char*> args, envs;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env)
        envs.push_back(const_cast<char*>(e.c_str()));
    envs.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envs.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status of a child, or -signal when a signal ended it.
inline int waitChild(pid_t pid)
{
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(raw))
        return -WTERMSIG(raw);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000;
}

// Runs work in a forked child whose files may grow to at most limitBytes; a write past it fails with
// EFBIG (SIGXFSZ is ignored) as on a full disk. The child's text comes back; nothing when it died.
inline std::optional<std::string> runUnderFileSizeLimit(rlim_t limitBytes, const std::function<std::string()>& work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string text = work();
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    if (waitChild(pid) != 0)
        return std::nullopt;
    return text;
}

// Copies the files of from into a fresh to. With links, the files are hard links to the originals:
// cheap, and safe for folders that the program only rewrites by write-and-rename (a file changed in
// place would change the original too, which the tests comparing against it would notice).
inline void copyFolder(const fs::path& from, const fs::path& to, bool links = false)
{
    fs::remove_all(to);
    fs::create_directories(to);
    fs::copy(from, to,
             fs::copy_options::recursive | (links ? fs::copy_options::create_hard_links : fs::copy_options::none));
}

} // namespace solvane::test
