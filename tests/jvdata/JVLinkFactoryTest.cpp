#include "jvdata/JVLinkFactory.h"

#include "LocalFeedSupport.h"

#include <gtest/gtest.h>

namespace solvane {
namespace {

TEST(JVLinkFactoryTest, ResolveFeedFolder)
{
    const std::filesystem::path app = "/home/user/Solvane";
    EXPECT_EQ(ResolveFeedFolder("/data/feed", "/settings/feed", app), "/data/feed");
    EXPECT_EQ(ResolveFeedFolder("", "/settings/feed", app), "/settings/feed");
    EXPECT_EQ(ResolveFeedFolder(std::nullopt, "  /settings/feed ", app), "/settings/feed");
    EXPECT_EQ(ResolveFeedFolder(std::nullopt, "   ", app), app / "feed");
    EXPECT_EQ(ResolveFeedFolder(std::nullopt, "", app), app / "feed");
}

TEST(JVLinkFactoryTest, AMissingFeedFolderMeansNoComponent)
{
    test::TempDir dir;
    std::string error;
    EXPECT_EQ(CreateJVLink(JVLinkOptions{dir / "missing", nullptr}, &error), nullptr);
    EXPECT_NE(error.find((dir / "missing").string()), std::string::npos) << error;
    EXPECT_NE(error.find("見つかりません"), std::string::npos) << error;

    test::writeFeedFile(dir.path(), "plain-file", "x");
    EXPECT_EQ(CreateJVLink(JVLinkOptions{dir / "plain-file", nullptr}, &error), nullptr);
    EXPECT_NE(error.find((dir / "plain-file").string()), std::string::npos) << error;

    EXPECT_EQ(CreateJVLink(JVLinkOptions{{}, nullptr}, &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(CreateJVLink(JVLinkOptions{dir / "missing", nullptr}), nullptr); // no error text asked for
}

TEST(JVLinkFactoryTest, TheLocalComponentServesTheFolderByTheGivenClock)
{
    test::TempDir dir;
    test::writeFeedFile(dir.path(), "RT/0B12/20240106/120000.txt", "RA\r\n");
    ManualClock clock{DateTime{2024, 1, 6, 11, 0, 0}};
    std::string error = "old";
    std::unique_ptr<JVLink> link = CreateJVLink(JVLinkOptions{dir.path(), &clock}, &error);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(error, "");
    EXPECT_EQ(link->JVInit("SOLVANE"), 0);
    EXPECT_EQ(link->JVRTOpen("0B12", "20240106"), -1);
    clock.set(DateTime{2024, 1, 6, 12, 0, 0});
    EXPECT_EQ(link->JVRTOpen("0B12", "20240106"), 0);
    EXPECT_EQ(test::readTrace(*link), "RA|-1|0");
    EXPECT_EQ(link->JVClose(), 0);

    // Without a clock the machine's own is used.
    std::unique_ptr<JVLink> plain = CreateJVLink(JVLinkOptions{dir.path(), nullptr});
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->JVInit("SOLVANE"), 0);
}

} // namespace
} // namespace solvane
