// A write that the system refuses (a full disk, a file-size limit) leaves the old file byte for byte
// and says which file and why, in the program's words. The writers run in a child process whose files
// may not grow past a limit (RLIMIT_FSIZE, SIGXFSZ ignored, so write answers EFBIG): this works for
// root too, where a read-only folder would not stop anything.
#include "hardening/HardeningSupport.h"

#include "app/AppLogs.h"
#include "app/SettingsFile.h"
#include "raceday/DayLoader.h"
#include "support/GeneratedSeason.h"
#include "voting/BetFile.h"
#include "voting/RealTimeFetch.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace solvane::test {
namespace {

constexpr rlim_t kLimit = 1 << 20; // 1 MiB: a day's trifecta odds file is about 2 MiB

const std::string kTooLarge = std::strerror(EFBIG);

TEST(WriteFailure, SettingsSaveKeepsTheOldFileAndSaysWhy)
{
    TempDir dir;
    const fs::path ini = dir / "solvane.ini";
    ASSERT_TRUE(SettingsFile(ini).writeText("JvDataGet", "LastTime", "2024/01/06 18:00:00"));
    const std::string old = readFile(ini).value();
    const auto said = runUnderFileSizeLimit(kLimit, [&] {
        SettingsFile settings(ini);
        const bool ok = settings.writeText("Test", "Big", std::string(kLimit + 10, 'x'));
        return (ok ? "saved" : "refused\n") + settings.lastError();
    });
    ASSERT_TRUE(said);
    EXPECT_EQ(*said, "refused\n設定ファイルに書き込めません：" + ini.string() + ": " + kTooLarge);
    EXPECT_EQ(readFile(ini), old);
    EXPECT_TRUE(readFolder(dir.path()).leftovers.empty()) << "the temporary file is removed";
    // Still readable, and a small write goes through afterwards.
    SettingsFile settings(ini);
    EXPECT_EQ(settings.readText("JvDataGet", "LastTime", ""), "2024/01/06 18:00:00");
    EXPECT_TRUE(settings.writeText("Test", "Small", "1")) << settings.lastError();
}

TEST(WriteFailure, BetFileWriteKeepsTheOldFileAndSaysWhy)
{
    TempDir dir;
    fs::create_directories(dir / "kaime");
    TohyoPlan plan;
    plan.file = dir / "kaime" / "240106.csv";
    plan.bytes = "TAN,2024,0106,06,11,07,100\r\n";
    std::string message;
    ASSERT_TRUE(WriteBetFile(plan, &message)) << message;
    const auto said = runUnderFileSizeLimit(kLimit, [&] {
        TohyoPlan big = plan;
        for (int i = 0; big.bytes.size() <= kLimit; ++i)
            big.bytes += "SANTAN,2024,0106,06,11,01-02-03,100\r\n";
        std::string why;
        return WriteBetFile(big, &why) ? std::string("written") : why;
    });
    ASSERT_TRUE(said);
    EXPECT_EQ(*said, "投票ファイルを作成できません：" + plan.file.string() + "（" + plan.file.string() + ": " +
                         kTooLarge + "）");
    EXPECT_EQ(readFile(plan.file), plan.bytes);
    EXPECT_TRUE(readFolder(dir / "kaime").leftovers.empty());
}

// Two past race days with their real-time data, imported once: the store's "new" versions. Each test
// then puts an older trifecta file in place and runs a writer that cannot write it.
class StoreWriteFailure : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        feedgen::FeedOptions o;
        o.from = DateTime{2024, 1, 6};
        o.to = DateTime{2024, 1, 7};
        o.seed = 5;
        o.siblings = false;
        season_ = new GeneratedSeason(DateTime{2024, 1, 8, 9, 0, 0}, o, DateTime{2024, 1, 1});
        ASSERT_EQ(season_->error, "");
        clean_ = new FolderFiles(readFolder(season_->home / "Data"));
    }
    static void TearDownTestSuite()
    {
        delete clean_;
        delete season_;
    }
    // Every trifecta file loses its last race: the "old" store.
    std::map<std::string, std::string> makeOld()
    {
        std::map<std::string, std::string> old;
        for (const auto& [name, bytes] : clean_->files) {
            std::string version = bytes;
            if (name.ends_with(".jvO6")) {
                version.resize(bytes.size() - 83285);
                EXPECT_GT(version.size(), kLimit);
            }
            EXPECT_TRUE(writeFileAtomic(season_->home / "Data" / name, version));
            old[name] = version;
        }
        return old;
    }
    static GeneratedSeason* season_;
    static FolderFiles* clean_;
};

GeneratedSeason* StoreWriteFailure::season_ = nullptr;
FolderFiles* StoreWriteFailure::clean_ = nullptr;

TEST_F(StoreWriteFailure, ImportKeepsTheFilesItCannotWriteAndSaysWhich)
{
    const auto old = makeOld();
    const fs::path data = season_->home / "Data";
    const auto said = runUnderFileSizeLimit(kLimit, [&] {
        const BulkImportResult r = ImportInto(*season_->link, data, DateTime{2024, 1, 1});
        return std::string(r.error ? "error" : "ok") + (r.LastTime ? " moved" : " kept") + "\n" + r.message;
    });
    ASSERT_TRUE(said);
    const std::string head = "error kept\nデータファイルを保存できません（" + data.string() + "/";
    EXPECT_TRUE(said->starts_with(head)) << *said;
    EXPECT_TRUE(said->ends_with(".jvO6: " + kTooLarge + "）")) << *said;

    const FolderFiles after = readFolder(data);
    EXPECT_TRUE(after.leftovers.empty()) << "the temporary file is removed";
    ASSERT_EQ(after.files.size(), old.size());
    for (const auto& [name, bytes] : old)
        EXPECT_TRUE(after.files.at(name) == (name.ends_with(".jvO6") ? bytes : clean_->files.at(name))) << name;

    // With room again the same import completes the store.
    const BulkImportResult again = ImportInto(*season_->link, data, DateTime{2024, 1, 1});
    EXPECT_FALSE(again.error) << again.message;
    EXPECT_EQ(readFolder(data).files, clean_->files);
}

TEST_F(StoreWriteFailure, LiveOddsFetchKeepsTheFileItCannotWriteAndLogsWhy)
{
    const auto old = makeOld();
    const fs::path data = season_->home / "Data";
    fs::remove(ErrorLogPath(season_->home));
    const auto said = runUnderFileSizeLimit(kLimit, [&] {
        RaceDay day;
        LoadOptions load;
        load.appFolder = season_->home;
        if (!DateComboChange(day, "2024年01月06日", load, season_->clock).loaded)
            return std::string("not loaded");
        day.CurRace = day.RaceList.back().slot;
        FetchEnv env{season_->clock};
        env.appendErrorLog = [&](const std::string& line) { AppendErrorLog(season_->home, season_->clock, line); };
        const FetchResult r = SokuhoOddsBtnClick(*season_->link, day, env);
        return std::to_string(r.records) + "\n" + r.status;
    });
    ASSERT_TRUE(said);
    const std::string o6 = (data / pathFromUtf8("2024年01月06日.jvO6")).string();
    const std::string message = "保存エラー：データファイルを保存できません（" + o6 + ": " + kTooLarge + "）";
    EXPECT_TRUE(said->ends_with("\n" + message)) << *said;
    EXPECT_TRUE(said->starts_with("5\n")) << "the count is of what was saved: O1-O5, not O6\n" << *said;
    EXPECT_EQ(readFile(data / pathFromUtf8("2024年01月06日.jvO6")), old.at("2024年01月06日.jvO6"));
    EXPECT_TRUE(readFolder(data).leftovers.empty());
    const auto log = splitLines(fromSjis(readFile(ErrorLogPath(season_->home)).value_or("")));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].starts_with("【エラー】") && log[0].ends_with("：" + message)) << log[0];
}

} // namespace
} // namespace solvane::test
