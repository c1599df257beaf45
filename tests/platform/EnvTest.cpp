// The real platform: exclusive opens, atomic replacement, the writers' lock.
#include "platform/Env.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;
using viewersettings::platform::DefaultEnv;
using viewersettings::platform::File;
using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;

std::unique_ptr<File> OpenFile(const std::filesystem::path& path, OpenMode mode, Status* status) {
  return DefaultEnv().Open(path.u16string(), mode, status);
}

TEST(Env, EveryOpenIsExclusive) {
  SettingsDir dir;
  dir.WriteBytes("content");
  for (const OpenMode holderMode : {OpenMode::kReadExisting, OpenMode::kWriteExisting}) {
    Status status;
    auto holder = OpenFile(dir.File(), holderMode, &status);
    ASSERT_TRUE(holder);
    for (const OpenMode mode : {OpenMode::kReadExisting, OpenMode::kWriteExisting}) {
      EXPECT_FALSE(OpenFile(dir.File(), mode, &status));
      EXPECT_EQ(status, Status::kBusy);
    }
    holder.reset();
    EXPECT_TRUE(OpenFile(dir.File(), OpenMode::kReadExisting, &status));
    EXPECT_EQ(dir.Bytes(), "content");  // opening for writing changes nothing by itself
  }
}

TEST(Env, OpenModesAndTheirFailures) {
  SettingsDir dir;
  Status status;
  EXPECT_FALSE(OpenFile(dir.File(), OpenMode::kReadExisting, &status));
  EXPECT_EQ(status, Status::kNotFound);
  EXPECT_FALSE(OpenFile(dir.File(), OpenMode::kWriteExisting, &status));
  EXPECT_EQ(status, Status::kNotFound);
  {
    auto file = OpenFile(dir.File(), OpenMode::kCreateNew, &status);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write("abcdef", 6));
    EXPECT_TRUE(file->Flush());
    EXPECT_TRUE(file->Close());
  }
  EXPECT_FALSE(OpenFile(dir.File(), OpenMode::kCreateNew, &status));  // exists
  auto file = OpenFile(dir.File(), OpenMode::kReadExisting, &status);
  ASSERT_TRUE(file);
  uint64_t length = 0;
  ASSERT_TRUE(file->Length(&length));
  EXPECT_EQ(length, 6u);
  char buffer[6];
  ASSERT_TRUE(file->Read(buffer, 6));
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
  EXPECT_FALSE(file->Read(buffer, 1));  // at the end
  file.reset();

  // A directory where the file should be is not a file, and not a missing one either.
  std::filesystem::create_directory(dir.Path() / "sub");
  EXPECT_FALSE(OpenFile(dir.Path() / "sub", OpenMode::kReadExisting, &status));
  EXPECT_TRUE(status == Status::kFailed || status == Status::kDenied);
}

TEST(Env, ReplaceSwapsInTheNewFileAndWaitsForNoReader) {
  SettingsDir dir;
  dir.WriteBytes("old");
  const std::filesystem::path fresh = dir.Path() / "fresh";
  {
    Status status;
    auto file = OpenFile(fresh, OpenMode::kCreateNew, &status);
    ASSERT_TRUE(file && file->Write("new", 3) && file->Close());
  }
  Status status;
  auto reader = OpenFile(dir.File(), OpenMode::kReadExisting, &status);
  ASSERT_TRUE(reader);
  const Status whileRead = DefaultEnv().Replace(fresh.u16string(), dir.File().u16string());
  // Windows refuses to replace a file that is open; elsewhere the reader keeps the old file.
  EXPECT_TRUE(whileRead == Status::kBusy || whileRead == Status::kOk);
  reader.reset();
  if (whileRead == Status::kBusy) {
    EXPECT_EQ(DefaultEnv().Replace(fresh.u16string(), dir.File().u16string()), Status::kOk);
  }
  EXPECT_EQ(dir.Bytes(), "new");
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_TRUE(DefaultEnv().SyncDirectory(dir.Path().u16string()));
  EXPECT_TRUE(DefaultEnv().Remove(dir.File().u16string()));
  EXPECT_FALSE(dir.Exists());
}

TEST(Env, UpdateRewritesAFileInPlace) {
  SettingsDir dir;
  dir.WriteBytes("old content");
  Status status;
  auto file = OpenFile(dir.File(), OpenMode::kUpdateExisting, &status);
  ASSERT_TRUE(file);
  EXPECT_FALSE(OpenFile(dir.File(), OpenMode::kReadExisting, &status));
  EXPECT_EQ(status, Status::kBusy);
  char buffer[3];
  ASSERT_TRUE(file->Read(buffer, 3));
  EXPECT_EQ(std::string(buffer, 3), "old");
  ASSERT_TRUE(file->Seek(0));
  ASSERT_TRUE(file->Write("new", 3));
  ASSERT_TRUE(file->Truncate());
  ASSERT_TRUE(file->Flush());
  ASSERT_TRUE(file->Close());
  EXPECT_EQ(dir.Bytes(), "new");
}

// A replacement would leave the file's other names with the old content.
TEST(Env, ReplaceRefusesAFileWithAnotherName) {
  SettingsDir dir;
  dir.WriteBytes("old");
  const std::filesystem::path other = dir.Path() / "other";
  std::filesystem::create_hard_link(dir.File(), other);
  const std::filesystem::path fresh = dir.Path() / "fresh";
  {
    Status status;
    auto file = OpenFile(fresh, OpenMode::kCreateNew, &status);
    ASSERT_TRUE(file && file->Write("new", 3) && file->Close());
  }
  EXPECT_EQ(DefaultEnv().Replace(fresh.u16string(), dir.File().u16string()), Status::kDenied);
  EXPECT_EQ(dir.Bytes(), "old");
  EXPECT_TRUE(std::filesystem::exists(fresh));
  EXPECT_EQ(testing_support::HardLinkCount(dir.File()), 2u);
}

TEST(Env, JournalPathIsTheFilesOwnOutsideItsDirectory) {
  SettingsDir dir;
  const std::u16string file = dir.File().u16string();
  const std::u16string journal = DefaultEnv().JournalPath(file);
  EXPECT_EQ(journal, DefaultEnv().JournalPath(file));
  EXPECT_NE(journal, DefaultEnv().JournalPath(file + u"2"));
  EXPECT_NE(std::filesystem::path(journal).parent_path(), dir.Path());
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(journal).parent_path()));
}

#if !defined(_WIN32)
TEST(Env, ResolveLinksFollowsEveryLinkToTheFileItNames) {
  SettingsDir dir;
  const std::filesystem::path sub = dir.Path() / "sub";
  std::filesystem::create_directory(sub);
  std::filesystem::create_symlink("target", sub / "relative");
  std::filesystem::create_symlink(sub / "relative", dir.Path() / "absolute");
  EXPECT_EQ(DefaultEnv().ResolveLinks((dir.Path() / "absolute").u16string()),
            (sub / "target").u16string());  // the target need not exist
  EXPECT_EQ(DefaultEnv().ResolveLinks(dir.File().u16string()), dir.File().u16string());
  std::filesystem::create_symlink("loop", dir.Path() / "loop");
  EXPECT_EQ(DefaultEnv().ResolveLinks((dir.Path() / "loop").u16string()),
            (dir.Path() / "loop").u16string());
}

TEST(Env, PrivateFilesAreTheUsersOwnAlone) {
  SettingsDir dir;
  const std::filesystem::path journal = dir.Path() / "journal";
  Status status;
  {
    auto file = OpenFile(journal, OpenMode::kCreatePrivate, &status);
    ASSERT_TRUE(file && file->Write("x", 1) && file->Close());
  }
  EXPECT_EQ(std::filesystem::status(journal).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_TRUE(OpenFile(journal, OpenMode::kReadPrivate, &status));
  // One that others may change, or a link planted in its place, is refused.
  std::filesystem::permissions(journal, std::filesystem::perms::group_write,
                               std::filesystem::perm_options::add);
  EXPECT_FALSE(OpenFile(journal, OpenMode::kReadPrivate, &status));
  EXPECT_EQ(status, Status::kDenied);
  std::filesystem::create_symlink(journal, dir.Path() / "planted");
  EXPECT_FALSE(OpenFile(dir.Path() / "planted", OpenMode::kReadPrivate, &status));
  EXPECT_EQ(status, Status::kDenied);
  EXPECT_FALSE(OpenFile(dir.Path() / "planted", OpenMode::kCreatePrivate, &status));
}
#endif

TEST(Env, WritersLockWaitsForItsHolderUntilTheDeadline) {
  SettingsDir dir;
  const std::u16string path = dir.Path().u16string();
  const auto now = [] { return std::chrono::steady_clock::now(); };
  Status status;
  auto lock = DefaultEnv().LockWriters(path, now(), &status);
  ASSERT_TRUE(lock);
  // Another thread gives up at its deadline while the lock is held...
  Status other = Status::kOk;
  std::thread([&] {
    EXPECT_FALSE(DefaultEnv().LockWriters(path, now() + std::chrono::milliseconds(50), &other));
  }).join();
  EXPECT_EQ(other, Status::kBusy);
  // ...and gets it as soon as the holder lets go within its wait.
  std::thread waiter([&] {
    EXPECT_TRUE(DefaultEnv().LockWriters(path, now() + std::chrono::seconds(5), &other));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  lock.reset();
  waiter.join();
  EXPECT_EQ(other, Status::kOk);
}

// A holder that takes the lock again the moment it lets go must not keep a waiter out.
TEST(Env, WritersLockServesAWaiterBeforeAHolderThatCallsAgain) {
  SettingsDir dir;
  const std::u16string path = dir.Path().u16string();
  std::atomic<bool> holding{false};
  std::atomic<bool> waiterDone{false};
  std::thread busyWriter([&] {
    Status status;
    while (!waiterDone) {
      auto lock = DefaultEnv().LockWriters(
          path, std::chrono::steady_clock::now() + std::chrono::seconds(5), &status);
      holding = true;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  while (!holding) std::this_thread::yield();
  Status status;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  EXPECT_TRUE(DefaultEnv().LockWriters(path, deadline, &status));
  waiterDone = true;
  busyWriter.join();
}

TEST(Env, ExecutableDirectoryIsADirectory) {
  const std::u16string dir = DefaultEnv().ExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(dir)));
}

}  // namespace
