#include "util/Files.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace solvane;

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporary)
{
    test::TempDir dir;
    const auto file = dir / "a.txt";
    ASSERT_TRUE(writeFileAtomic(file, "old"));
    ASSERT_TRUE(writeFileAtomic(file, "new\r\n"));
    EXPECT_EQ(readFile(file).value(), "new\r\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(Files, FailedWriteKeepsTheOldFileAndSaysWhy)
{
#ifdef _WIN32
    GTEST_SKIP() << "a Windows folder's read-only attribute does not stop files being created in it";
#else
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
#endif
    test::TempDir dir;
    const auto file = dir / "a.txt";
    ASSERT_TRUE(writeFileAtomic(file, "old"));
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    std::string error;
    EXPECT_FALSE(writeFileAtomic(file, "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readFile(file).value(), "old");
}

TEST(Files, WriteIntoAMissingFolderFailsWithAMessage)
{
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "plain", "x"));
    std::string error;
    EXPECT_FALSE(writeFileAtomic(dir / "plain" / "a.txt", "new", &error));
    EXPECT_NE(error.find("a.txt"), std::string::npos);
}

TEST(Files, AReaderReadsExactlyWhatIsThereAtAnOffset)
{
    solvane::test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "f", "0123456789"));
    const FileReader f(dir / "f");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.size(), 10);
    struct Case {
        std::int64_t offset;
        std::size_t length;
        const char* expected; // nullptr: refused
    };
    for (const Case c : {Case{0, 10, "0123456789"}, Case{7, 3, "789"}, Case{3, 0, ""}, Case{8, 3, nullptr},
                         Case{10, 1, nullptr}, Case{-1, 1, nullptr}}) {
        std::string got(c.length, '?');
        EXPECT_EQ(f.readAt(c.offset, got.data(), c.length), c.expected != nullptr) << c.offset << "+" << c.length;
        if (c.expected) {
            EXPECT_EQ(got, c.expected);
        }
    }
    for (const fs::path& bad : {dir / "missing", dir.path()}) {
        const FileReader none(bad);
        EXPECT_FALSE(none) << bad;
        char byte;
        EXPECT_FALSE(none.readAt(0, &byte, 1));
    }
}

TEST(Files, ChildNamesMatchIgnoringCase)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "DATA");
    EXPECT_EQ(findChildIgnoreCase(dir.path(), "Data"), dir / "DATA");
    EXPECT_EQ(findChildIgnoreCase(dir.path(), "Log"), dir / "Log");
}

TEST(Files, ABatchReplacesEveryFileItCanAndLeavesNoTemporary)
{
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "a.txt", "old a"));
    ASSERT_TRUE(writeFileAtomic(dir / "b.txt", "old b"));
    {
        ReplaceBatch batch;
        ASSERT_TRUE(batch.add(dir / "a.txt", "new a"));
        ASSERT_TRUE(batch.add(dir / "c.txt", "new c"));
        std::string error;
        EXPECT_FALSE(batch.add(dir / "missing" / "b.txt", "new b", &error));
        EXPECT_NE(error.find("b.txt"), std::string::npos) << error;
        // Nothing has its new version before the commit.
        EXPECT_EQ(readFile(dir / "a.txt").value(), "old a");
        EXPECT_FALSE(std::filesystem::exists(dir / "c.txt"));
        EXPECT_TRUE(batch.commit(&error)) << error;
        EXPECT_EQ(batch.committedFiles(), 2u);
        EXPECT_EQ(batch.committedBytes(), 10u);
    }
    EXPECT_EQ(readFile(dir / "a.txt").value(), "new a");
    EXPECT_EQ(readFile(dir / "b.txt").value(), "old b");
    EXPECT_EQ(readFile(dir / "c.txt").value(), "new c");
    {
        ReplaceBatch abandoned; // never committed: its temporaries go with it
        ASSERT_TRUE(abandoned.add(dir / "a.txt", "newer a"));
    }
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 3);
    EXPECT_EQ(readFile(dir / "a.txt").value(), "new a");
}
