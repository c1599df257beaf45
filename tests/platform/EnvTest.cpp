#include "platform/Env.h"

#include <gtest/gtest.h>

#include "support/SettingsDir.h"

namespace {

using viewersettings::platform::CurrentEnv;
using viewersettings::platform::OpenMode;
using testing_support::SettingsDir;

TEST(Env, EveryOpenIsExclusiveAndAFailedOpenTruncatesNothing) {
  SettingsDir dir;
  dir.WriteBytes("content");
  const std::u16string path = dir.File().u16string();
  for (const OpenMode holderMode :
       {OpenMode::kReadExisting, OpenMode::kCreateWrite, OpenMode::kCreateReadWrite}) {
    dir.WriteBytes("content");
    auto holder = CurrentEnv().Open(path, holderMode);
    ASSERT_TRUE(holder);
    if (holderMode != OpenMode::kReadExisting) {
      ASSERT_TRUE(holder->Write("content", 7));
    }
    for (const OpenMode mode :
         {OpenMode::kReadExisting, OpenMode::kCreateWrite, OpenMode::kCreateReadWrite}) {
      EXPECT_FALSE(CurrentEnv().Open(path, mode));
    }
    holder.reset();
    EXPECT_EQ(dir.Bytes(), "content");
    EXPECT_TRUE(CurrentEnv().Open(path, OpenMode::kReadExisting));
  }
}

TEST(Env, OpenModes) {
  SettingsDir dir;
  const std::u16string path = dir.File().u16string();
  EXPECT_FALSE(CurrentEnv().Open(path, OpenMode::kReadExisting));
  {
    auto file = CurrentEnv().Open(path, OpenMode::kCreateReadWrite);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write("abcdef", 6));
    ASSERT_TRUE(file->SeekToStart());
    char buffer[6];
    ASSERT_TRUE(file->Read(buffer, 6));
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    EXPECT_FALSE(file->Read(buffer, 1));  // at the end
    EXPECT_TRUE(file->Close());
  }
  {
    auto file = CurrentEnv().Open(path, OpenMode::kCreateWrite);
    ASSERT_TRUE(file);
    uint64_t length = 99;
    ASSERT_TRUE(file->Length(&length));
    EXPECT_EQ(length, 0u);  // truncated
  }
  // A directory where the file should be is not a file.
  std::filesystem::create_directory(dir.Path() / "sub");
  EXPECT_FALSE(CurrentEnv().Open((dir.Path() / "sub").u16string(), OpenMode::kReadExisting));
}

TEST(Env, ExecutableDirectoryIsAnAbsoluteDirectory) {
  const std::u16string dir = CurrentEnv().ExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(dir)));
}

}  // namespace
