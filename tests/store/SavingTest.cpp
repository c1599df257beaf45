// Saving keeps the settings file the file it was (its links, owner, permissions, access list and
// attributes), and saves wherever the file itself can be written, even where its folder takes no
// new file: there the file is rewritten in place under a rollback journal, which the next call
// applies when a rewrite was interrupted.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "support/ExportedCalls.h"
#include "support/FaultEnv.h"
#include "support/ForwardingEnv.h"
#include "support/SettingsDir.h"
#include "support/Unprivileged.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FaultEnv;
using testing_support::SettingsDir;
using testing_support::StationSettingsBytes;
using viewersettings::platform::CurrentEnv;
using viewersettings::platform::File;
using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;
using Names = std::vector<std::string>;

const std::string kSettingsName = "VorelViewerSysSetting.xml";

Names NamesIn(const fs::path& dir) {
  Names names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string BytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void PutBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

fs::path JournalOfTheSettingsFile() {
  return fs::path(CurrentEnv().JournalPath(viewersettings::store::GetSettingsFilePath()));
}

int32_t StoredMinDiskSpace() {
  int32_t value = -1;
  return XMLGetMinDiskSpace(&value) == XMLR_GET_OK ? value : -1;
}

// Stores MinDiskSpace by a rewrite in place whose complete journal stays, since it cannot be
// removed.
int32_t StoreLeavingTheJournal(const SettingsDir& dir, int32_t value) {
  FaultEnv env;
  env.SyncToStableStorage(false);
  env.RefuseNewFilesIn(dir.Path().u16string());
  env.FailFrom(FaultEnv::Operation::kRemove, 1);
  return XMLSetMinDiskSpace(value);
}

TEST(Saving, AFileWithAnotherNameIsRewrittenSoThatBothNamesSeeTheNewText) {
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  const fs::path other = dir.Path() / "ward-copy.xml";
  fs::create_hard_link(dir.File(), other);
  EXPECT_EQ(XMLSetMinDiskSpace(99), XMLR_SET_OK);
  EXPECT_EQ(StoredMinDiskSpace(), 99);
  EXPECT_EQ(testing_support::HardLinkCount(dir.File()), 2u);
  EXPECT_EQ(BytesOf(other), dir.Bytes());
  EXPECT_EQ(NamesIn(dir.Path()), (Names{kSettingsName, "ward-copy.xml"}));
  EXPECT_FALSE(fs::exists(JournalOfTheSettingsFile()));
}

// A setter storing what the file already holds leaves the file alone: the same bytes and time,
// on POSIX the same inode, no temporary file, no journal.
class SetterStoringWhatIsStored : public testing::TestWithParam<testing_support::SetterCall> {};

TEST_P(SetterStoringWhatIsStored, WritesNothing) {
  const testing_support::SetterCall& setter = GetParam();
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  ASSERT_EQ(setter.call(), setter.success);  // the values are stored once
  const std::string bytes = dir.Bytes();
  // A time long past: any write-back, in place or by replacement, would give the file a new one.
  const fs::file_time_type written = fs::last_write_time(dir.File()) - std::chrono::hours(24 * 400);
  fs::last_write_time(dir.File(), written);
#if !defined(_WIN32)
  struct stat before {};
  ASSERT_EQ(stat(dir.File().c_str(), &before), 0);
#endif

  EXPECT_EQ(setter.call(), setter.success);
  EXPECT_EQ(dir.Bytes(), bytes);
  EXPECT_EQ(fs::last_write_time(dir.File()), written);
#if !defined(_WIN32)
  struct stat after {};
  ASSERT_EQ(stat(dir.File().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
#endif
  EXPECT_EQ(NamesIn(dir.Path()), Names{kSettingsName});
  EXPECT_FALSE(fs::exists(JournalOfTheSettingsFile()));
}

INSTANTIATE_TEST_SUITE_P(EverySetter, SetterStoringWhatIsStored,
                         testing::ValuesIn(testing_support::SetterCalls()),
                         [](const auto& info) { return std::string(info.param.name); });

// The folder of a station's viewer that its users may not write, holding a settings file they
// may write; beside it a folder with a read-only settings file and one without a settings file.
struct UnwritableFolders {
  fs::path writableFile;
  fs::path readOnlyFile;
  fs::path noFile;
};

// Run as a user whom the folders refuse new files.
void ExpectSavingWhereOnlyTheFileIsWritable(const UnwritableFolders& folders) {
  SetExeRootPathOverride(folders.writableFile.u16string());
  // The station's file answers no getter as a failure would; then every setter stores.
  for (const auto& getter : testing_support::GetterCalls()) {
    const int32_t result = getter.call();
    EXPECT_EQ(std::count(getter.failures.begin(), getter.failures.end(), result), 0)
        << getter.name << " answers " << result;
  }
  for (const auto& setter : testing_support::SetterCalls()) {
    EXPECT_EQ(setter.call(), setter.success) << setter.name;
  }
  EXPECT_EQ(XMLSetMinDiskSpace(4242), XMLR_SET_OK);
  EXPECT_EQ(StoredMinDiskSpace(), 4242);
  EXPECT_EQ(NamesIn(folders.writableFile), Names{kSettingsName});
  EXPECT_FALSE(fs::exists(JournalOfTheSettingsFile()));

  // A read-only file is refused whatever its folder allows, and stays as it was.
  SetExeRootPathOverride(folders.readOnlyFile.u16string());
  const std::string before = BytesOf(folders.readOnlyFile / kSettingsName);
  EXPECT_EQ(XMLSetMinDiskSpace(1), XMLR_SET_FAILED);
  EXPECT_EQ(BytesOf(folders.readOnlyFile / kSettingsName), before);
  EXPECT_EQ(NamesIn(folders.readOnlyFile), Names{kSettingsName});

  // No file, and none can be made: the first run fails as a file error.
  SetExeRootPathOverride(folders.noFile.u16string());
  int32_t value = 7;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_FILE_ERROR);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(XMLSetMinDiskSpace(1), XMLR_FILE_ERROR);
  EXPECT_TRUE(NamesIn(folders.noFile).empty());
}

#if defined(_WIN32)

TEST(Saving, KeepsTheFileAttributes) {
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  const std::wstring file = dir.File().wstring();
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), kKept));
  EXPECT_EQ(XMLSetMinDiskSpace(77), XMLR_SET_OK);
  EXPECT_EQ(StoredMinDiskSpace(), 77);
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & kKept, kKept);
  EXPECT_EQ(NamesIn(dir.Path()), Names{kSettingsName});
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Under wine, permissions are the Unix ones, which root ignores. The suite's test
// "unwritable_folders_as_ordinary_user" runs this twice: as root, to put the settings files into
// folders it has made (VIEWERSETTINGS_PREPARE_FOLDERS), and then, once it has taken the folders'
// write permission away, as the user nobody (VIEWERSETTINGS_UNWRITABLE_FOLDERS).
TEST(Saving, AsAnOrdinaryUserWhereOnlyTheFileIsWritable) {
  if (const char* prepare = std::getenv("VIEWERSETTINGS_PREPARE_FOLDERS")) {
    PutBytes(fs::path(prepare) / "install" / kSettingsName, StationSettingsBytes());
    PutBytes(fs::path(prepare) / "locked" / kSettingsName, StationSettingsBytes());
    return;
  }
  const char* parent = std::getenv("VIEWERSETTINGS_UNWRITABLE_FOLDERS");
  if (!parent) GTEST_SKIP() << "run as an ordinary user by unwritable_folders_as_ordinary_user";
  const fs::path base(parent);
  ExpectSavingWhereOnlyTheFileIsWritable({base / "install", base / "locked", base / "empty"});
  SetExeRootPathOverride(u"");
}

#else

struct stat StatOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}

std::string ExtendedAttribute(const fs::path& file, const char* name) {
  std::string value(256, '\0');
  const ssize_t size = getxattr(file.c_str(), name, &value[0], value.size());
  value.resize(size < 0 ? 0 : static_cast<size_t>(size));
  return value;
}

// A file without any write permission is refused by every setter, whoever runs it (root as
// well, whom the system would let write it), and the platform says why.
TEST(Saving, AFileNoOneMayWriteIsRefusedToEverySetterWhoeverCalls) {
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(dir.File(), readOnly);
  const ino_t inode = StatOf(dir.File()).st_ino;
  for (const auto& setter : testing_support::SetterCalls()) {
    EXPECT_EQ(setter.call(), XMLR_SET_FAILED) << setter.name;
  }
  EXPECT_EQ(dir.Bytes(), StationSettingsBytes());
  EXPECT_EQ(StatOf(dir.File()).st_ino, inode);
  EXPECT_EQ(fs::status(dir.File()).permissions(), readOnly);
  EXPECT_EQ(NamesIn(dir.Path()), Names{kSettingsName});
  EXPECT_FALSE(fs::exists(JournalOfTheSettingsFile()));
  for (const OpenMode mode : {OpenMode::kWriteExisting, OpenMode::kUpdateExisting}) {
    Status status = Status::kOk;
    EXPECT_FALSE(CurrentEnv().Open(dir.File().u16string(), mode, &status));
    EXPECT_EQ(status, Status::kReadOnly);
  }

  // One write permission, for anyone, is enough for root.
  fs::permissions(dir.File(), readOnly | fs::perms::others_write);
  if (testing_support::RunningAsRoot()) {
    EXPECT_EQ(XMLSetMinDiskSpace(5), XMLR_SET_OK);
  }
}

TEST(Saving, FollowsSymbolicLinksAndUpdatesTheFileTheyName) {
  SettingsDir dir;
  const fs::path shared = dir.Path() / "shared";
  fs::create_directory(shared);
  PutBytes(shared / "settings.xml", StationSettingsBytes());
  fs::create_symlink("settings.xml", shared / "current.xml");
  fs::create_symlink("shared/current.xml", dir.File());

  EXPECT_EQ(XMLSetMinDiskSpace(321), XMLR_SET_OK);
  EXPECT_EQ(StoredMinDiskSpace(), 321);
  EXPECT_EQ(fs::read_symlink(dir.File()), "shared/current.xml");
  EXPECT_EQ(fs::read_symlink(shared / "current.xml"), "settings.xml");
  EXPECT_EQ(BytesOf(shared / "settings.xml"), dir.Bytes());
  EXPECT_EQ(NamesIn(dir.Path()), (Names{kSettingsName, "shared"}));
  EXPECT_EQ(NamesIn(shared), (Names{"current.xml", "settings.xml"}));

  // A link to a file that is not there yet: the first run creates the file the link names.
  fs::remove(shared / "settings.xml");
  EXPECT_EQ(StoredMinDiskSpace(), 1000);
  EXPECT_TRUE(fs::is_symlink(dir.File()));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(shared / "settings.xml")));
}

// An access list in the form the file system keeps: user::rw- user:<id>:rw- group::r-- mask::rw-
// other::---.
std::string AccessList(uid_t user) {
  std::string acl;
  const auto put32 = [&](uint32_t v) { acl.append(reinterpret_cast<const char*>(&v), 4); };
  const auto entry = [&](uint16_t tag, uint16_t permissions, uint32_t id) {
    acl.append(reinterpret_cast<const char*>(&tag), 2);
    acl.append(reinterpret_cast<const char*>(&permissions), 2);
    put32(id);
  };
  put32(2);  // version
  entry(0x01, 6, ~0u);
  entry(0x02, 6, user);
  entry(0x04, 4, ~0u);
  entry(0x10, 6, ~0u);
  entry(0x20, 0, ~0u);
  return acl;
}

TEST(Saving, KeepsOwnerGroupModeAndAccessListWhenRootSavesAnotherUsersFile) {
  if (!testing_support::RunningAsRoot())
    GTEST_SKIP() << "only root can give a file to another user";
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(chown(dir.File().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  ASSERT_EQ(chmod(dir.File().c_str(), 0640), 0);
  const std::string acl = AccessList(nobody->pw_uid);
  const bool hasAcl =
      setxattr(dir.File().c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
  const bool hasLabel = setxattr(dir.File().c_str(), "user.station", "ward 3", 6, 0) == 0;
  const struct stat before = StatOf(dir.File());

  EXPECT_EQ(XMLSetMinDiskSpace(11), XMLR_SET_OK);
  EXPECT_EQ(StoredMinDiskSpace(), 11);
  const struct stat after = StatOf(dir.File());
  EXPECT_NE(after.st_ino, before.st_ino) << "replaced, not rewritten";
  EXPECT_EQ(after.st_uid, nobody->pw_uid);
  EXPECT_EQ(after.st_gid, nobody->pw_gid);
  EXPECT_EQ(after.st_mode, before.st_mode);
  if (hasAcl) {
    EXPECT_EQ(ExtendedAttribute(dir.File(), "system.posix_acl_access"), acl);
  }
  if (hasLabel) {
    EXPECT_EQ(ExtendedAttribute(dir.File(), "user.station"), "ward 3");
  }
  EXPECT_EQ(NamesIn(dir.Path()), Names{kSettingsName});
}

// Where the new file could not keep the owner (an ordinary user saving a file that root owns),
// the file is rewritten in place instead.
TEST(Saving, AnOrdinaryUserRewritesAFileItMayWriteButDoesNotOwn) {
  if (!testing_support::RunningAsRoot()) GTEST_SKIP() << "only root can make a file of root's";
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  fs::permissions(dir.Path(), fs::perms::all);
  fs::permissions(dir.File(), fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read | fs::perms::group_write |
                                  fs::perms::others_read | fs::perms::others_write);
  const struct stat before = StatOf(dir.File());
  testing_support::RunAsOrdinaryUser([&] {
    EXPECT_EQ(XMLSetMinDiskSpace(55), XMLR_SET_OK);
    EXPECT_EQ(StoredMinDiskSpace(), 55);
    EXPECT_EQ(NamesIn(dir.Path()), Names{kSettingsName});
    EXPECT_FALSE(fs::exists(JournalOfTheSettingsFile()));
  });
  const struct stat after = StatOf(dir.File());
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, 0u);
  EXPECT_EQ(StoredMinDiskSpace(), 55);
}

TEST(Saving, AsAnOrdinaryUserWhereOnlyTheFileIsWritable) {
  SettingsDir dir;
  const UnwritableFolders folders{dir.Path() / "install", dir.Path() / "locked",
                                  dir.Path() / "empty"};
  for (const fs::path& folder : {folders.writableFile, folders.readOnlyFile, folders.noFile}) {
    fs::create_directory(folder);
  }
  constexpr auto kEveryoneWrites = fs::perms::owner_read | fs::perms::owner_write |
                                   fs::perms::group_read | fs::perms::group_write |
                                   fs::perms::others_read | fs::perms::others_write;
  PutBytes(folders.writableFile / kSettingsName, StationSettingsBytes());
  fs::permissions(folders.writableFile / kSettingsName, kEveryoneWrites);
  PutBytes(folders.readOnlyFile / kSettingsName, StationSettingsBytes());
  fs::permissions(folders.readOnlyFile / kSettingsName,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // Root's folders refuse the user nobody; an ordinary user's own are made read-only.
  constexpr auto kReadAndEnter = fs::perms::owner_read | fs::perms::owner_exec |
                                 fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec;
  for (const fs::path& folder : {folders.writableFile, folders.readOnlyFile, folders.noFile}) {
    fs::permissions(folder, kReadAndEnter);
  }
  testing_support::RunAsOrdinaryUser([&] { ExpectSavingWhereOnlyTheFileIsWritable(folders); });
  SetExeRootPathOverride(dir.Path().u16string());
  for (const fs::path& folder : {folders.writableFile, folders.readOnlyFile, folders.noFile}) {
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
  }
}

// A file in the journal's place that is not the user's own (made by another user, or a link)
// is never taken for a journal: it cannot put someone else's text into the settings.
TEST(Journal, AJournalThatIsNotTheUsersOwnIsNeverApplied) {
  if (!testing_support::RunningAsRoot()) GTEST_SKIP() << "only root can make a file of another's";
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  ASSERT_EQ(StoreLeavingTheJournal(dir, 1), XMLR_SET_OK);
  const fs::path journal = JournalOfTheSettingsFile();
  ASSERT_TRUE(fs::exists(journal));
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(chown(journal.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  // Applied, it would put back the text from before the 1; it is not even an obstacle.
  EXPECT_EQ(XMLSetMinDiskSpace(2), XMLR_SET_OK);
  EXPECT_EQ(StoredMinDiskSpace(), 2);
  EXPECT_TRUE(fs::exists(journal));
  fs::remove(journal);
}

#endif

// A platform on which the settings file cannot be opened for rewriting.
class NoRewriteEnv : public testing_support::ForwardingEnv {
 public:
  std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode, Status* status) override {
    if (mode != OpenMode::kUpdateExisting) return Real().Open(path, mode, status);
    *status = Status::kFailed;
    return nullptr;
  }
};

TEST(Journal, ATornRewriteIsPutBackBeforeAnythingElseHappens) {
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  const std::string old = dir.Bytes();
  {
    // The rewrite, and the rollback that follows its failure, write but cannot cut the file to
    // length: the old text over the start of the new, longer one is left.
    FaultEnv env;
    env.SyncToStableStorage(false);
    env.RefuseNewFilesIn(dir.Path().u16string());
    env.FailFrom(FaultEnv::Operation::kTruncate, 1);
    const std::u16string longer(400, u'x');
    EXPECT_EQ(XMLSetDUZOProcessName(&longer), XMLR_SET_FAILED);
  }
  const std::string torn = dir.Bytes();
  ASSERT_NE(torn, old);
  ASSERT_EQ(torn.compare(0, old.size(), old), 0);
  ASSERT_TRUE(fs::exists(JournalOfTheSettingsFile()));
  {
    // Until the old text is back, nothing is written: it would be rolled back with the rest.
    NoRewriteEnv noRewrite;
    EXPECT_EQ(XMLSetMinDiskSpace(5), XMLR_SET_FAILED);
    EXPECT_FALSE(viewersettings::store::WriteSettingsText(
        viewersettings::store::GetSettingsFilePath(), u"\xFEFF<SystemSetting/>", {}));
    EXPECT_EQ(dir.Bytes(), torn);
  }
  EXPECT_EQ(XMLGetDUZOProcessName(), u"DUZO.exe");
  EXPECT_EQ(dir.Bytes(), old);
  EXPECT_FALSE(fs::exists(JournalOfTheSettingsFile()));
}

TEST(Journal, AJournalLeftByACompletedRewriteKeepsTheNewText) {
  SettingsDir dir;
  dir.WriteBytes(StationSettingsBytes());
  EXPECT_EQ(StoreLeavingTheJournal(dir, 4321), XMLR_SET_OK);
  ASSERT_TRUE(fs::exists(JournalOfTheSettingsFile()));
  const std::string stored = dir.Bytes();
  EXPECT_EQ(StoredMinDiskSpace(), 4321);
  EXPECT_EQ(dir.Bytes(), stored);
  EXPECT_FALSE(fs::exists(JournalOfTheSettingsFile()));
}

}  // namespace
