#include "app/SettingsFile.h"
#include "support/LockedElsewhere.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/ShiftJis.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    fs::path file() const { return dir / "solvane.ini"; }
    void writeUtf8(const std::string& text) { ASSERT_TRUE(writeFileAtomic(file(), toSjis(text))); }
    std::string onDisk() const { return fromSjis(readFile(file()).value_or("")); }
    SettingsFile open() { return SettingsFile(file(), SettingsDefaults{dir.path(), {}}); }

    test::TempDir dir;
};

} // namespace

TEST_F(SettingsFileTest, TextReadAppliesTheQuoteRuleAndDefaults)
{
    struct Case {
        const char* stored; // the value line of key "v", or nullptr for no line
        const char* def;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, "abc", "abc"},
        {nullptr, "", ""},
        {nullptr, "  padded  ", "  padded  "}, // the default comes back exactly
        {nullptr, "｢x｣", "｢x｣"},
        {"v=plain", "d", "plain"},
        {"v=  spaced  ", "d", "spaced"},
        {"v=\"  kept blanks  \"", "d", "  kept blanks  "},
        {"v=\"\"", "d", ""},
        {"v=｢｣", "d", ""},
        {"v=｢中身 ｣", "d", "中身 "},
        {"v=\"", "d", "\""},
        {"v=\"open", "d", "\"open"},
        {"v=｢open", "d", "｢open"},
        {"v=", "d", ""}, // present but empty is not missing
        {"v=ﾊﾙﾆﾚ\\DATA", "d", "ﾊﾙﾆﾚ\\DATA"},
    };
    for (const Case& c : cases) {
        writeUtf8(std::string("[S]\r\n") + (c.stored ? c.stored : "") + "\r\n");
        auto s = open();
        EXPECT_EQ(s.readText("S", "v", c.def), c.expected) << (c.stored ? c.stored : "(missing)");
    }
}

TEST_F(SettingsFileTest, IntegersAndFlagsFallBackOnAnythingButAnInteger)
{
    struct Case {
        const char* stored;
        int intValue; // read with default 7
        bool flag;    // read with default true
    };
    const Case cases[] = {
        {nullptr, 7, true}, {"12", 12, true},         {" -3 ", -3, true},
        {"0", 0, false},    {"abc", 7, true},         {"12abc", 7, true},
        {"", 7, true},      {"99999999999", 7, true}, {"2147483647", 2147483647, true},
    };
    for (const Case& c : cases) {
        writeUtf8(c.stored ? std::string("[S]\r\nk=") + c.stored + "\r\n" : "[S]\r\n");
        auto s = open();
        EXPECT_EQ(s.readInt("S", "k", 7), c.intValue) << (c.stored ? c.stored : "(missing)");
        EXPECT_EQ(s.readFlag("S", "k", true), c.flag) << (c.stored ? c.stored : "(missing)");
    }
}

TEST_F(SettingsFileTest, EmptyFileGivesTheTableDefaults)
{
    auto s = open();
    EXPECT_EQ(s.get(keys::LocateWidth), 1100);
    EXPECT_EQ(s.get(keys::LocateDELeft), 700);
    EXPECT_EQ(s.get(keys::KaimelocateHeight), 450);
    EXPECT_EQ(s.get(keys::DefaultAmountSRT), 3000);
    EXPECT_TRUE(s.get(keys::CheckMulti));
    EXPECT_FALSE(s.get(keys::CheckMulti12));
    EXPECT_TRUE(s.get(keys::Sound1));
    EXPECT_EQ(s.get(keys::AutoOzGet), 10);
    EXPECT_EQ(s.get(keys::KenshoPeriod), 1);
    EXPECT_EQ(s.get(keys::Harunire), dir.path().string());
    EXPECT_EQ(s.get(keys::KelvoTohyo2), "");
    EXPECT_EQ(s.get(keys::OzAlarm), "") << "no Windows folder here";
#ifdef _WIN32
    EXPECT_EQ(DefaultText(keys::OzAlarm, {dir.path(), "C:\\Windows"}), "C:\\Windows\\Media\\Ring08.wav");
#else
    EXPECT_EQ(DefaultText(keys::OzAlarm, {dir.path(), "/win"}), "/win/Media/Ring08.wav");
#endif
    EXPECT_EQ(s.get(keys::JVLinkFeed), "");
    EXPECT_FALSE(fs::exists(file())) << "reading never creates the file";
    for (const AnyKey& k : AllSettingsKeys()) {
        const auto [sec, key] = std::visit([](const auto& v) { return std::pair{v.section, v.key}; }, k);
        ASSERT_TRUE(FindSettingsKey(sec, key)) << sec << "/" << key;
    }
}

TEST_F(SettingsFileTest, NamesIgnoreCaseAndTheFirstMatchWins)
{
    writeUtf8("top=0\r\n[LOCATE]\r\n  TOP  =  25 \r\nTop=99\r\n[other]\r\ntop=1\r\n[locate]\r\nwidth=5\r\n");
    auto s = open();
    EXPECT_EQ(s.get(keys::LocateTop), 25);
    EXPECT_EQ(s.get(keys::LocateWidth), 1100) << "only the first [locate] section is read";

    ASSERT_TRUE(s.set(keys::LocateTop, 40));
    EXPECT_EQ(onDisk(), "top=0\r\n[LOCATE]\r\ntop=40\r\nTop=99\r\n[other]\r\ntop=1\r\n[locate]\r\nwidth=5\r\n");
}

TEST_F(SettingsFileTest, WritesKeepEveryOtherLineAndUseShiftJisWithCrLf)
{
    writeUtf8("; 手で書いた注記\n[Dir]\nharunire=C:\\ﾊﾙﾆﾚ\n\n[Play]\nSound1=1\nstray line\n");
    auto s = open();
    ASSERT_TRUE(s.set(keys::KelvoTohyo2, "D:\\Kelvo投票"));
    ASSERT_TRUE(s.set(keys::Sound1, false));
    ASSERT_TRUE(s.set(keys::LocateTop, 12));
    EXPECT_EQ(onDisk(), "; 手で書いた注記\r\n[Dir]\r\nharunire=C:\\ﾊﾙﾆﾚ\r\nKelvoTohyo2=D:\\Kelvo投票\r\n\r\n"
                        "[Play]\r\nSound1=0\r\nstray line\r\n[locate]\r\ntop=12\r\n");
    EXPECT_NE(readFile(file())->find(toSjis("投票")), std::string::npos);
    EXPECT_EQ(open().get(keys::KelvoTohyo2), "D:\\Kelvo投票");
}

// A window's geometry is four keys: stored with one rewrite, in the order given, the same lines as four
// writes would leave; all or none when one value cannot be stored; and no rewrite at all when every value
// is stored as given already.
TEST_F(SettingsFileTest, SeveralKeysAreStoredInOneRewriteAllOrNone)
{
    const std::string before = "[Play]\r\nSound1=1\r\n[locate]\r\nwidth=5\r\n";
    writeUtf8(before);
    auto s = open();
    ASSERT_TRUE(s.setAll({{keys::LocateTop, 20}, {keys::LocateLeft, 30}, {keys::LocateWidth, 900}})) << s.lastError();
    const std::string together = onDisk();
    EXPECT_EQ(together, "[Play]\r\nSound1=1\r\n[locate]\r\nwidth=900\r\ntop=20\r\nleft=30\r\n");
    writeUtf8(before);
    ASSERT_TRUE(s.set(keys::LocateTop, 20) && s.set(keys::LocateLeft, 30) && s.set(keys::LocateWidth, 900));
    EXPECT_EQ(onDisk(), together);

    const SettingsFile::Write refused[] = {{"Mine", "a", "1"}, {"Mine", "b", "two\r\nlines"}};
    EXPECT_FALSE(s.writeAll(refused));
    EXPECT_EQ(s.lastError(), "設定値に使えない文字が含まれています：[Mine] b");
    EXPECT_EQ(onDisk(), together) << "the key before the refused one is not stored either";
    EXPECT_EQ(s.rawValue("Mine", "a"), std::nullopt);

    // Hand-written with LF ends: a write that changes no line leaves the bytes as they are.
    ASSERT_TRUE(writeFileAtomic(file(), "[locate]\ntop=20\nleft=30\n"));
    auto again = open();
    ASSERT_TRUE(again.setAll({{keys::LocateLeft, 30}, {keys::LocateTop, 20}}));
    EXPECT_EQ(readFile(file()), "[locate]\ntop=20\nleft=30\n");
    ASSERT_TRUE(again.setAll({{keys::LocateLeft, 31}}));
    EXPECT_EQ(readFile(file()), "[locate]\r\ntop=20\r\nleft=31\r\n");
}

TEST_F(SettingsFileTest, GarbledFileKeepsItsBytesAndItsReadableKeys)
{
    using namespace std::string_literals;
    const std::string garbage =
        "\x00\xff\xfe[[[\x81\r\n=novalue\r\n[locate]\r\nwidth=abc\r\nheight=600\r\n\x9f\x01 junk"s;
    ASSERT_TRUE(writeFileAtomic(file(), garbage));
    auto s = open();
    EXPECT_EQ(s.get(keys::LocateWidth), 1100);
    EXPECT_EQ(s.get(keys::LocateHeight), 600);
    ASSERT_TRUE(s.set(keys::LocateTop, 3)) << s.lastError();
    const std::string after = readFile(file()).value();
    EXPECT_NE(after.find("\xff\xfe[[[\x81"), std::string::npos);
    EXPECT_NE(after.find("height=600"), std::string::npos);
    EXPECT_NE(after.find("\x9f\x01 junk"), std::string::npos);
    EXPECT_EQ(open().get(keys::LocateTop), 3);
}

TEST_F(SettingsFileTest, UnreadableFileGivesDefaultsAndIsNeverReplaced)
{
    fs::create_directory(file()); // exists, cannot be read as a file
    auto s = open();
    EXPECT_FALSE(s.readable());
    EXPECT_EQ(s.get(keys::LocateHeight), 750);
    EXPECT_FALSE(s.set(keys::LocateTop, 1));
    EXPECT_NE(s.lastError().find("設定ファイル"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(file()));
}

TEST_F(SettingsFileTest, RefusedWritesLeaveTheFileAlone)
{
    writeUtf8("[S]\r\nk=old\r\n");
    auto s = open();
    for (const char* bad : {"two\r\nlines", "line\nfeed", "絵文字😀"}) {
        EXPECT_FALSE(s.writeText("S", "k", bad)) << bad;
        EXPECT_FALSE(s.lastError().empty());
    }
    EXPECT_EQ(onDisk(), "[S]\r\nk=old\r\n");

    SettingsFile nowhere(dir / "missing" / "solvane.ini");
    EXPECT_FALSE(nowhere.writeInt("S", "k", 1));
    EXPECT_NE(nowhere.lastError().find("書き込めません"), std::string::npos);
}

TEST_F(SettingsFileTest, ChangesByAnotherProcessAreSeenAndKept)
{
    auto window = open();
    auto cli = open();
    EXPECT_EQ(window.get(keys::AutoOzGet), 10);
    ASSERT_TRUE(cli.set(keys::AutoOzGet, 7));
    EXPECT_EQ(window.get(keys::AutoOzGet), 7);
    ASSERT_TRUE(window.set(keys::Sound1, false));
    EXPECT_EQ(cli.get(keys::AutoOzGet), 7);
    EXPECT_FALSE(cli.get(keys::Sound1));
}

TEST_F(SettingsFileTest, RelativePathsAreTakenFromTheApplicationFolderWhereverItMoved)
{
    writeUtf8("[Dir]\r\nharunire=feed/harunire\r\njikeiretu=  \r\nKelvoTohyo2=/opt/kelvo\r\n"
              "[InfoSettings]\r\nOzAlarm=Media/Ring08.wav\r\n[JVLink]\r\nFeed=C:\\feed\r\n"
              "[JvDataGet]\r\nLastTime=2024/01/06 09:00:00\r\n");
    // The folder copied elsewhere: its files are found in the copy, not in the folder it was made in.
    test::TempDir moved;
    fs::copy_file(file(), moved / "solvane.ini");
    for (const fs::path& folder : {dir.path(), moved.path()}) {
        SettingsFile s(folder / "solvane.ini", SettingsDefaults{folder, {}});
        EXPECT_EQ(fs::path(s.get(keys::Harunire)), folder / "feed" / "harunire");
        EXPECT_EQ(fs::path(s.get(keys::OzAlarm)), folder / "Media" / "Ring08.wav");
        EXPECT_EQ(s.get(keys::Jikeiretu), "") << "blank stays blank: the start-up fills it from the installer";
        EXPECT_EQ(s.get(keys::KelvoTohyo2), "/opt/kelvo");
        EXPECT_EQ(s.get(keys::JVLinkFeed), "C:\\feed") << "a drive path is a full path on every platform";
        EXPECT_EQ(s.get(keys::LastTime), "2024/01/06 09:00:00") << "only paths are resolved";
        EXPECT_EQ(s.rawValue("Dir", "harunire"), "feed/harunire") << "the file keeps what was written";
    }
    EXPECT_EQ(ResolveSettingsPath("Media/a.wav", {}), "Media/a.wav") << "no application folder, nothing to take";
    EXPECT_EQ(ResolveSettingsPath("\\\\server\\box", dir.path()), "\\\\server\\box");
}

// A setting outside its documented range (AutoOzGet -5, 0 or 600 would put the automatic odds fetch after
// the post or nowhere) is refused when typed and never used as stored: the program uses the nearest end
// of the range, which is what the settings window shows for it, and says so.
TEST_F(SettingsFileTest, IntegersOutsideTheirRangesAreRefusedAndNeverUsed)
{
    const struct {
        const char* section;
        const char* key;
        const char* value;
        const char* problem;
    } typed[] = {
        {"Time", "AutoOzGet", "-5", "[Time] AutoOzGet は 1～59 の範囲で指定してください：-5"},
        {"Time", "AutoOzGet", "0", "[Time] AutoOzGet は 1～59 の範囲で指定してください：0"},
        {"Time", "AutoOzGet", "600", "[Time] AutoOzGet は 1～59 の範囲で指定してください：600"},
        {"time", "autoozget", "59", ""},
        {"Time", "AutoOzGetSec", "60", "[Time] AutoOzGetSec は 0～59 の範囲で指定してください：60"},
        {"Time", "AutoRdataGet", "4", "[Time] AutoRdataGet は 5～59 の範囲で指定してください：4"},
        {"Kensho", "period", "21", "[Kensho] period は 1～20 の範囲で指定してください：21"},
        {"KaimeSet", "HaibunSet", "4", "[KaimeSet] HaibunSet は 0～3 の範囲で指定してください：4"},
        {"locate", "top", "-300", ""},
        {"locate", "top", "notanumber", "整数を指定してください：[locate] top"},
        {"Dir", "harunire", "600", ""},
        {"Mine", "own", "anything", ""},
    };
    for (const auto& t : typed)
        EXPECT_EQ(SettingValueProblem(t.section, t.key, t.value), t.problem) << t.key << "=" << t.value;

    writeUtf8("[Time]\r\nAutoOzGet=600\r\nAutoOzGetSec=-5\r\nAutoRdataGet=0\r\n[Kensho]\r\nperiod=7\r\n");
    SettingsFile s = open();
    EXPECT_EQ(s.get(keys::AutoOzGet), 59);
    EXPECT_EQ(s.get(keys::AutoOzGetSec), 0);
    EXPECT_EQ(s.get(keys::AutoRdataGet), 5);
    EXPECT_EQ(s.get(keys::KenshoPeriod), 7);
    EXPECT_EQ(s.outOfRange(), (std::vector<std::string>{
                                  "設定 [Time] AutoOzGet=600 は範囲（1～59）の外なので、59 として使います。",
                                  "設定 [Time] AutoOzGetSec=-5 は範囲（0～59）の外なので、0 として使います。",
                                  "設定 [Time] AutoRdataGet=0 は範囲（5～59）の外なので、5 として使います。",
                              }));
}

// Another process writing the file holds its folder's writer lock: a write waits for it, and gives up
// with the reason and nothing changed when the lock does not come.
TEST_F(SettingsFileTest, AWriteWaitsForAnotherWriterAndGivesUpWithoutChangingAnything)
{
    writeUtf8("[JvDataGet]\r\nLastTime=2024/01/06 09:00:00\r\n");
    std::vector<std::string> told;
    const test::ShortLockWait shortWait(std::chrono::milliseconds(200),
                                        [&](const std::string& text) { told.push_back(text); });
    {
        test::LockedElsewhere other(dir / std::string(kWriterLockName));
        ASSERT_TRUE(other.held());
        SettingsFile s = open();
        EXPECT_FALSE(s.set(keys::AutoOzGet, 7));
        EXPECT_TRUE(s.lastError().starts_with("他の処理がデータを更新しているため、変更できませんでした"))
            << s.lastError();
        EXPECT_EQ(onDisk(), "[JvDataGet]\r\nLastTime=2024/01/06 09:00:00\r\n");
        EXPECT_EQ(told, std::vector<std::string>{std::string(kLockWaitMessage)});
    }
    SettingsFile s = open();
    EXPECT_TRUE(s.set(keys::AutoOzGet, 7)) << s.lastError();
    EXPECT_EQ(s.get(keys::AutoOzGet), 7);
}
