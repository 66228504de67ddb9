#include "platform/os/DurableFile.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumetta::os {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string contentOf(const fs::path& path) {
    const auto bytes = testing::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

int entryCount(const fs::path& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

// Every write test runs with unnamed temporary files and with named ones.
class DurableFile : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { setUnnamedTemporaryFiles(GetParam()); }
    void TearDown() override { setUnnamedTemporaryFiles(true); }
};

INSTANTIATE_TEST_SUITE_P(TemporaryFiles, DurableFile, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "unnamed" : "named"; });

TEST_P(DurableFile, CreatesAndReplacesLeavingNothingElse) {
    TempFolder folder;
    const fs::path path = folder / "a.ini";
    const auto first = bytesOf("first");
    ASSERT_FALSE(replaceFileDurably(path, first));
    EXPECT_EQ(contentOf(path), "first");

    ::chmod(path.c_str(), 0640);
    const auto second = bytesOf("the second content");
    ASSERT_FALSE(replaceFileDurably(path, second));
    EXPECT_EQ(contentOf(path), "the second content");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
    EXPECT_EQ(entryCount(folder.path()), 1);
}

TEST_P(DurableFile, FailureLeavesOldFileAndNoTemporary) {
    TempFolder folder;
    // A folder in the way makes the final rename fail after the content was written.
    const fs::path blocked = folder / "blocked";
    fs::create_directories(blocked / "inside");
    const auto bytes = bytesOf("new");
    EXPECT_TRUE(replaceFileDurably(blocked, bytes));
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    EXPECT_EQ(entryCount(folder.path()), 1);

    EXPECT_TRUE(replaceFileDurably(folder / "missing" / "a.ini", bytes));
    EXPECT_EQ(entryCount(folder.path()), 1);
}

TEST_P(DurableFile, BatchWritesEveryFileOrNone) {
    TempFolder folder;
    testing::writeBytes(folder / "one", "old one");
    const auto a = bytesOf("new one");
    const auto b = bytesOf("new two");
    const FileReplacement failing[] = {{folder / "one", a}, {folder / "nope" / "two", b}};
    EXPECT_TRUE(replaceFilesDurably(failing));
    EXPECT_EQ(contentOf(folder / "one"), "old one");
    EXPECT_EQ(entryCount(folder.path()), 1);

    const FileReplacement both[] = {{folder / "one", a}, {folder / "two", b}};
    ASSERT_FALSE(replaceFilesDurably(both));
    EXPECT_EQ(contentOf(folder / "one"), "new one");
    EXPECT_EQ(contentOf(folder / "two"), "new two");
}

TEST_P(DurableFile, ReplacingThroughALinkKeepsTheLink) {
    TempFolder folder;
    testing::writeBytes(folder / "real", "old");
    fs::create_symlink(folder / "real", folder / "link");
    const auto bytes = bytesOf("new");
    ASSERT_FALSE(replaceFileDurably(folder / "link", bytes));
    EXPECT_TRUE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(contentOf(folder / "real"), "new");
}

TEST_P(DurableFile, TemporariesOfDeadWritersAreCleared) {
    TempFolder folder;
    const pid_t dead = ::fork();
    if (dead == 0) {
        ::_exit(0);
    }
    ::waitpid(dead, nullptr, 0);
    const std::string deadTemp = ".a.ini.tmp-" + std::to_string(dead) + "-3";
    const std::string liveTemp = ".a.ini.tmp-" + std::to_string(::getppid()) + "-3";
    const std::string otherTarget = ".b.ini.tmp-" + std::to_string(dead) + "-3";
    const std::string notOurs = ".a.ini.tmp-notes";
    for (const auto& name : {deadTemp, liveTemp, otherTarget, notOurs}) {
        testing::writeBytes(folder / name, "x");
    }
    const auto bytes = bytesOf("new");
    ASSERT_FALSE(replaceFileDurably(folder / "a.ini", bytes));
    EXPECT_FALSE(fs::exists(folder / deadTemp));
    EXPECT_TRUE(fs::exists(folder / liveTemp)) << "its writer may still be at work";
    EXPECT_TRUE(fs::exists(folder / otherTarget)) << "belongs to another file";
    EXPECT_TRUE(fs::exists(folder / notOurs));
}

TEST(DurableFileRead, RefusesFilesAboveTheLimit) {
    TempFolder folder;
    testing::writeBytes(folder / "f", "12345");
    struct Case {
        std::size_t limit;
        FileContent::Status status;
    };
    const Case cases[] = {{5, FileContent::Status::Ok},
                          {100, FileContent::Status::Ok},
                          {4, FileContent::Status::TooLarge},
                          {0, FileContent::Status::TooLarge}};
    for (const auto& c : cases) {
        const FileContent content = readFileLimited(folder / "f", c.limit);
        EXPECT_EQ(content.status, c.status) << "limit " << c.limit;
        if (c.status == FileContent::Status::Ok) {
            EXPECT_EQ(std::string(content.bytes.begin(), content.bytes.end()), "12345");
        } else {
            EXPECT_TRUE(content.bytes.empty());
        }
    }
    EXPECT_EQ(readFileLimited(folder / "none", 10).status, FileContent::Status::Missing);
    EXPECT_EQ(readFileLimited(folder.path(), 10).status, FileContent::Status::Failed);
}

} // namespace
} // namespace lumetta::os
