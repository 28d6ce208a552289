#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/data/working_folder.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

TEST(WorkingFolder, FollowsQuarryHomeAndIsCreatedOnDemand) {
  testing::TempFolder folder;
  setenv("QUARRY_HOME", (folder.path() / "sub" / "QUARRY").c_str(), 1);
  EXPECT_FALSE(std::filesystem::exists(WorkingFolder()));
  ASSERT_TRUE(EnsureWorkingFolder().ok());
  EXPECT_TRUE(std::filesystem::is_directory(WorkingFolder()));
  EXPECT_EQ(WorkingFile("counsel/in.txt"), folder.path() / "sub" / "QUARRY" / "counsel" / "in.txt");
}

TEST(WorkingFolder, TableNamesNeverLeaveTheFolder) {
  EXPECT_EQ(SafeFileName("golf_data"), "golf_data");
  EXPECT_EQ(SafeFileName("../../etc/passwd"), "______etc_passwd");
  EXPECT_EQ(SafeFileName("a\\b"), "a_b");
  EXPECT_EQ(SafeFileName(""), "_");
  EXPECT_EQ(std::filesystem::path(SafeFileName("../x")).parent_path(), "");
}

TEST(WorkingFolder, PrivateFilesAreOwnerOnly) {
  testing::TempFolder folder;
  const auto path = folder.path() / "secret.txt";
  ASSERT_TRUE(WriteWholeFile(path, "old", false).ok());
  ASSERT_TRUE(WriteWholeFile(path, "new", true).ok());
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace quarry
