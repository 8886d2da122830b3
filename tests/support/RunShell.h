// Runs a command line from a test, as a person would type it: its standard output is read to the
// end (so the test waits for it and for anything it started on the same pipe), its error output is
// kept in a file.
//
// The command lines are POSIX shell lines of one shape:
//   [env [-u NAME]... [NAME='value']...] PROGRAM ARG... [2>FILE]
// with '…' and "…" quoting. On POSIX systems /bin/sh runs them. Windows has no such shell, so there
// the line is split the same way and the program started with CreateProcessW, its arguments quoted
// for the C runtime and its environment changed as env would; "/dev/null" stands for NUL.
#pragma once

#include "util/Files.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include "util/CommandLine.h"
#include "util/ShiftJis.h"

#include <map>
#include <optional>
#include <vector>
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace solvane::test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32

namespace shell {

struct Word {
    std::string text;
    bool quoted = false; // some of it was quoted: never an operator
};

// Splits a line into words: blanks separate, '…' is literal, "…" takes \" and \\ as escapes. A
// backslash outside quotes stands for itself (Windows paths).
inline std::vector<Word> split(const std::string& line)
{
    std::vector<Word> words;
    Word w;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(std::move(w));
            w = {};
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const std::size_t end = line.find('\'', i + 1);
            w.text += line.substr(i + 1, end - i - 1);
            w.quoted = true;
            i = end == std::string::npos ? line.size() : end;
        } else if (c == '"') {
            w.quoted = true;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                    ++i;
                w.text += line[i];
            }
        } else {
            w.text += c;
        }
    }
    if (inWord)
        words.push_back(std::move(w));
    return words;
}

inline HANDLE inheritable(HANDLE h)
{
    SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return h;
}

} // namespace shell

inline Outcome runShell(const std::string& command, const std::filesystem::path& errFile = "/dev/null")
{
    std::vector<shell::Word> words = shell::split(command);
    std::filesystem::path errorTo = errFile;
    std::optional<std::filesystem::path> outputTo;
    std::filesystem::path inputFrom = "/dev/null";
    // Redirections, wherever they stand: "2>FILE", ">FILE" or "1>FILE", "<FILE", or the same with the
    // file as the next word.
    for (std::size_t i = 0; i < words.size();) {
        const std::string& t = words[i].text;
        const std::size_t op = t.rfind("2>", 0) == 0 || t.rfind("1>", 0) == 0 ? 2
                               : t.rfind(">", 0) == 0 || t.rfind("<", 0) == 0 ? 1
                                                                              : 0;
        if (words[i].quoted || op == 0) {
            ++i;
            continue;
        }
        std::string target = t.substr(op);
        std::size_t n = 1;
        if (target.empty() && i + 1 < words.size()) {
            target = words[i + 1].text;
            n = 2;
        }
        (t[0] == '2' ? errorTo : t[0] == '<' ? inputFrom : outputTo.emplace()) = pathFromUtf8(target);
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(i), words.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    // env: names to remove and values to set, then the program.
    std::map<std::wstring, std::wstring> unset, set;
    std::size_t first = 0;
    if (!words.empty() && words[0].text == "env") {
        first = 1;
        while (first < words.size()) {
            const std::string& t = words[first].text;
            if (t == "-u" && first + 1 < words.size()) {
                unset[utf8ToWide(words[first + 1].text)];
                first += 2;
            } else if (const std::size_t eq = t.find('='); eq != std::string::npos && eq > 0) {
                set[utf8ToWide(t.substr(0, eq))] = utf8ToWide(t.substr(eq + 1));
                ++first;
            } else {
                break;
            }
        }
    }
    if (first >= words.size())
        return {};

    std::wstring environment;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* v = block; *v; v += wcslen(v) + 1) {
            const std::wstring entry = v;
            const std::wstring name = entry.substr(0, entry.find(L'=', 1));
            // Windows compares names without case.
            bool drop = false;
            for (const auto* changed : {&unset, &set})
                for (const auto& [n, value] : *changed)
                    drop = drop || CompareStringOrdinal(n.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
            if (!drop)
                environment += entry + L'\0';
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : set)
        environment += name + L'=' + value + L'\0';
    environment += L'\0';

    std::wstring line;
    const std::wstring program = utf8ToWide(words[first].text);
    for (std::size_t i = first; i < words.size(); ++i) {
        if (i > first)
            line += L' ';
        AppendWindowsArgument(line, utf8ToWide(words[i].text));
    }

    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &sa, 0))
        return {};
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    auto openForWriting = [&](const std::filesystem::path& file) {
        const std::wstring name = file == "/dev/null" ? L"NUL" : file.wstring();
        return CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE err = openForWriting(errorTo);
    if (outputTo) {
        CloseHandle(outWrite);
        outWrite = openForWriting(*outputTo);
    }
    const std::wstring inName = inputFrom == "/dev/null" ? L"NUL" : inputFrom.wstring();
    HANDLE in = CreateFileW(inName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = shell::inheritable(in);
    si.hStdOutput = outWrite;
    si.hStdError = shell::inheritable(err);
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(err);
    CloseHandle(in);
    Outcome run;
    if (started) {
        std::array<char, 4096> buffer;
        DWORD n = 0;
        while (ReadFile(outRead, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0)
            run.out.append(buffer.data(), n);
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        run.status = static_cast<int>(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(outRead);
    if (errorTo != "/dev/null")
        run.err = readFile(errorTo).value_or("");
    return run;
}

#else

// Error output goes to errFile, or nowhere when none is named.
inline Outcome runShell(const std::string& command, const std::filesystem::path& errFile = "/dev/null")
{
    FILE* pipe = ::popen((command + " 2>'" + errFile.string() + "'").c_str(), "r");
    if (!pipe)
        return {};
    Outcome run;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readFile(errFile).value_or("");
    return run;
}

#endif

} // namespace solvane::test
