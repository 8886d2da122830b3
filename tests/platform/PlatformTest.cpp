// The platform layer on the system the tests run on (natively, and cross-built under Wine): a file is
// replaced while someone reads it, Japanese names survive the trip through paths, the installers'
// registry entries fill the sibling folders, and programs start through the shell with the bet file as
// their one parameter in their own folder.
#include "app/AppShell.h"
#include "app/SettingsFile.h"
#include "app/SiblingFolders.h"
#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/Files.h"
#include "util/Text.h"
#include "voting/BetFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#ifdef _WIN32
#include "util/CommandLine.h"
#include "util/ShiftJis.h"

#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#endif

namespace solvane {
namespace {

namespace fs = std::filesystem;

TEST(PlatformFiles, ReplacingAFileThatIsOpenForReading)
{
    test::TempDir dir;
    const fs::path file = dir / "20240106.jvRA";
    ASSERT_TRUE(writeFileAtomic(file, "old record\r\n"));
    const auto before = fileStampOf(file);
    ASSERT_TRUE(before);

    std::FILE* reader = openForReading(file);
    ASSERT_NE(reader, nullptr);
    std::string error;
    EXPECT_TRUE(writeFileAtomic(file, "new record\r\n", &error)) << error;
    // The reader keeps the old text; whoever opens the file now gets the new one.
    char buffer[32] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, reader);
    std::fclose(reader);
    EXPECT_EQ(std::string(buffer, n), "old record\r\n");
    EXPECT_EQ(readFile(file).value_or(""), "new record\r\n");

    // Same size, maybe the same time stamp: the file's id still tells the new version apart.
    const auto after = fileStampOf(file);
    ASSERT_TRUE(after);
    EXPECT_NE(*after, *before);
    EXPECT_EQ(after->size, before->size);
    EXPECT_FALSE(fileStampOf(dir / "missing.jvRA"));

    // No temporary is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(PlatformFiles, JapaneseNamesAndFoldersMatchedIgnoringCase)
{
    test::TempDir dir;
    const std::string root = pathToUtf8(dir.path());
    const fs::path folder = pathFromUtf8(root + "/Kelvo投票プラグイン２/kaime");
    fs::create_directories(folder);
    ASSERT_TRUE(writeFileAtomic(folder / pathFromUtf8("240106.csv"), "x"));
    ASSERT_TRUE(writeFileAtomic(pathFromUtf8(root + "/東京ﾀﾞｰﾄ①～.txt"), "y"));

    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.push_back(pathToUtf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Kelvo投票プラグイン２", "東京ﾀﾞｰﾄ①～.txt"}));
    EXPECT_EQ(readFile(pathFromUtf8(root + "/東京ﾀﾞｰﾄ①～.txt")).value_or(""), "y");

    // The program writes "\DATA" and uses "\Data\": both names find the one folder.
    fs::create_directories(dir / "DATA");
    const fs::path found = findChildIgnoreCase(dir.path(), "Data");
    EXPECT_TRUE(fs::is_directory(found));
    EXPECT_TRUE(fs::equivalent(found, dir / "DATA"));
    EXPECT_TRUE(equalsIgnoreCase(pathToUtf8(found.filename()), "data"));
#ifdef _WIN32
    // Windows paths are shown with its own separator.
    EXPECT_EQ(pathToUtf8(pathFromUtf8("C:/Solvane/Data")), "C:\\Solvane\\Data");
#endif
}

#ifdef _WIN32
// One uninstall entry written for the test and removed afterwards.
class UninstallEntry {
public:
    UninstallEntry(const std::string& installer, const wchar_t* value, const std::wstring& appPath)
        : key_(pathFromUtf8("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + installer + "_is1").wstring())
    {
        HKEY k = nullptr;
        ok_ = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) ==
              ERROR_SUCCESS;
        if (!ok_)
            return;
        if (value)
            RegSetValueExW(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(appPath.c_str()),
                           static_cast<DWORD>((appPath.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
    }
    ~UninstallEntry()
    {
        if (ok_)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
    }
    bool ok() const { return ok_; }

private:
    std::wstring key_;
    bool ok_ = false;
};
#endif

TEST(PlatformRegistry, InstallersEntriesFillTheSiblingFolders)
{
#ifndef _WIN32
    EXPECT_EQ(SystemSiblingRegistry().InstallPath("ハルニレ"), "");
    GTEST_SKIP() << "the installers' registry exists only on Windows";
#else
    const UninstallEntry harunire("ハルニレ", L"Inno Setup: App Path", L"C:\\Program Files\\ハルニレ");
    const UninstallEntry kelvo("Kelvo投票プラグイン２", L"Inno Setup: App Path", L"  D:\\Kelvo投票  ");
    const UninstallEntry fenrow("Fenrow", L"Inno Setup: App Path", L"E:\\Fenrow");
    if (!harunire.ok() || !kelvo.ok() || !fenrow.ok())
        GTEST_SKIP() << "writing HKEY_LOCAL_MACHINE needs administrator rights";
    const SiblingRegistry& registry = SystemSiblingRegistry();
    EXPECT_EQ(registry.InstallPath("ハルニレ"), "C:\\Program Files\\ハルニレ");
    EXPECT_EQ(registry.InstallPath("まだない"), "");

    test::TempDir dir;
    SettingsFile settings(dir / "Solvane.ini", SettingsDefaults{dir.path(), {}});
    // A key holding only blanks counts as empty; a filled key is never overwritten.
    ASSERT_TRUE(settings.set(keys::Harunire, std::string("   ")));
    ASSERT_TRUE(settings.set(keys::KelvoTohyo2, std::string("F:\\mine")));
    ASSERT_TRUE(FillSiblingFolders(settings, registry));
    EXPECT_EQ(settings.get(keys::Harunire), "C:\\Program Files\\ハルニレ");
    EXPECT_EQ(settings.get(keys::KelvoTohyo2), "F:\\mine");
    EXPECT_EQ(settings.get(keys::Jikeiretu), "E:\\Fenrow\\Data");

    // An entry without the value finds nothing.
    const UninstallEntry bare("空のエントリ", nullptr, L"");
    ASSERT_TRUE(bare.ok());
    EXPECT_EQ(registry.InstallPath("空のエントリ"), "");
#endif
}

// Waits for the started program's "launched.txt" (the program runs on its own; this is no timing test).
std::string waitForLaunch(const fs::path& folder)
{
    const fs::path file = folder / "launched.txt";
    for (int i = 0; i < 1200; ++i) {
        if (auto text = readFile(file); text && text->ends_with("\n"))
            return *text;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "never started";
}

fs::path copyEcho(const fs::path& folder, const std::string& name)
{
    fs::create_directories(folder);
    const fs::path exe = folder / pathFromUtf8(name);
    fs::copy_file(SOLVANE_ARGS_ECHO_PATH, exe, fs::copy_options::overwrite_existing);
    return exe;
}

TEST(PlatformLaunch, ThePluginGetsTheBetFileAsItsOneParameterInItsOwnFolder)
{
    test::TempDir dir;
    // A plug-in under "Program Files": the path has blanks, and still arrives as one parameter.
    for (const char* folder : {"/Kelvo投票プラグイン２", "/Program Files/Kelvo 投票プラグイン２"}) {
        SCOPED_TRACE(folder);
        const fs::path plugin = pathFromUtf8(pathToUtf8(dir.path()) + folder);
        TohyoPlan plan;
        plan.pluginFolder = plugin;
        plan.exe = copyEcho(plugin, std::string(kPluginExeName));
        plan.file = plugin / "kaime" / "240106.csv";
        std::string error;
        ASSERT_TRUE(LaunchPlugin(plan, &error)) << error;
        const std::string text = waitForLaunch(plugin);
        const auto lines = splitLines(text);
        ASSERT_EQ(lines.size(), 2u) << text;
        EXPECT_EQ(lines[0], "arg=" + pathToUtf8(plan.file));
        ASSERT_TRUE(lines[1].starts_with("cwd="));
        EXPECT_TRUE(fs::equivalent(pathFromUtf8(lines[1].substr(4)), plugin)) << lines[1];

        plan.exe = plugin / "missing.exe";
        EXPECT_FALSE(LaunchPlugin(plan, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(PlatformLaunch, TheManualAndTheCompiBoxStartThroughTheShell)
{
    test::TempDir dir;
    const ManualClock clock{DateTime{2024, 1, 6, 9, 0, 0}};
    AppShell shell(AppShellOptions{dir.path(), &clock, nullptr, {}, {}});
    std::string error;
    EXPECT_FALSE(shell.openManual(&error));
    EXPECT_EQ(error, kManualMissing);

    const fs::path box = dir / "box";
    copyEcho(box, std::string(kHarunireName));
    ASSERT_TRUE(shell.settings().set(keys::Harunire, pathToUtf8(box)));
    ASSERT_TRUE(shell.startHarunire(&error)) << error;
    const std::string text = waitForLaunch(box);
    std::vector<std::string> lines = splitLines(text);
    ASSERT_FALSE(lines.empty()) << text;
    ASSERT_TRUE(lines.back().starts_with("cwd=")) << text;
    EXPECT_TRUE(fs::equivalent(pathFromUtf8(lines.back().substr(4)), box)) << text;
    lines.pop_back();
#ifdef _WIN32
    // The empty quoted argument arrives as one empty argument.
    EXPECT_EQ(lines, std::vector<std::string>{"arg="});
#else
    EXPECT_EQ(lines, std::vector<std::string>{});
#endif

    fs::remove(box / std::string(kHarunireName));
    EXPECT_FALSE(shell.startHarunire(&error));
}

#ifdef _WIN32
TEST(PlatformCommandLine, ArgumentsComeBackWholeThroughTheWideCommandLine)
{
    // Quoted for CreateProcessW, read back the way the C runtime and ProgramArguments read them.
    const std::vector<std::string> args{"plain",    "",       "with blank", "C:\\Kelvo 投票\\", "say \"hi\"",
                                        "a\\\\\"b", "ダート", "tab\there",  "\\\\server\\share"};
    std::wstring line = L"solvane-cli.exe";
    for (const std::string& a : args) {
        line += L' ';
        AppendWindowsArgument(line, utf8ToWide(a));
    }
    int count = 0;
    LPWSTR* back = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(back, nullptr);
    std::vector<std::string> got;
    for (int i = 1; i < count; ++i)
        got.push_back(wideToUtf8(back[i]));
    LocalFree(back);
    EXPECT_EQ(got, args);
}
#endif

} // namespace
} // namespace solvane
