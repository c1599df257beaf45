// viewer-settings on station folders as a technician meets them: a sound file, one of plain text,
// one cut off, one with bytes that are not UTF-8, a folder where only the file is writable, and a
// read-only file; what read and write commands say about each, and repair.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"
#include "support/ToolRun.h"
#include "support/Unprivileged.h"
#include "tools/viewer-settings/Cli.h"

namespace {

namespace fs = std::filesystem;
using testing_support::SettingsDir;
using testing_support::Utf8;

using testing_support::Has;
using testing_support::Outcome;
using testing_support::RunIn;

std::string Get(const SettingsDir& dir, const std::string& key) {
  const Outcome got = RunIn(dir, {"get", key});
  return got.status == 0 ? got.out.substr(0, got.out.size() - 1) : "(" + got.err + ")";
}

// The first-run file with MinDiskSpace 2048, the process name Station.exe and an image folder
// with an umlaut, as UTF-16LE bytes.
std::string SoundStation() {
  SettingsDir dir;
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"MinDiskSpace", "2048"},
           {"DUZOProcessName", "Station.exe"},
           {"DICOM.LocalImageDir", "D:\\R\xC3\xB6ntgen\\"}}) {
    EXPECT_EQ(RunIn(dir, {"set", key, value}).status, 0) << key;
  }
  return dir.Bytes();
}

std::string Utf16ToUtf8(const std::string& bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * 2);
  return Utf8(units);
}

struct Damaged {
  const char* name;
  std::string bytes;
  std::string minDiskSpace;  // after repair
  std::string processName;   // after repair
  std::string imageDir;      // after repair; empty: the first run's
  bool anySettingReadable;   // before repair
};

// Cut inside the modality list: what stands before it can still be read.
std::string CutOff(const std::string& sound) {
  const size_t at = sound.find(std::string("<\0M\0o\0d\0a\0l\0i\0t\0y\0C", 20));
  return sound.substr(0, at + 9);
}

// UTF-8 with a byte-order mark, the umlaut of the image folder as the Latin-1 byte F6.
std::string InvalidBytes(const std::string& sound) {
  std::string text = Utf16ToUtf8(sound);
  text.replace(text.find("\xC3\xB6"), 2, "\xF6");
  return text;
}

std::vector<Damaged> DamagedStations() {
  const std::string sound = SoundStation();
  return {
      {"empty", "", "1000", "DUZO.exe", "", false},
      {"plain text", "MinDiskSpace=2048\r\nthe settings of station 3\r\n", "1000", "DUZO.exe", "",
       false},
      {"cut off", CutOff(sound), "2048", "DUZO.exe", "D:\\R\xC3\xB6ntgen\\", false},
      // The folder with bytes that are not UTF-8 cannot be read.
      {"invalid bytes", InvalidBytes(sound), "2048", "Station.exe", "", true},
  };
}

fs::path CopyKeptIn(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("VorelViewerSysSetting.xml.damaged-", 0) == 0) {
      return entry.path();
    }
  }
  return {};
}

std::string BytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CliDamaged, ReadCommandsSayWhatIsWrongInOneLineAndExitTwoWhenNothingCanBeRead) {
  SettingsDir other;
  ASSERT_EQ(RunIn(other, {"init"}).status, 0);
  for (const Damaged& station : DamagedStations()) {
    SettingsDir dir;
    dir.WriteBytes(station.bytes);
    for (const std::vector<std::string>& command : {std::vector<std::string>{"show"},
                                                    {"get", "MinDiskSpace"},
                                                    {"export"},
                                                    {"diff", other.Path().string()}}) {
      const Outcome read = RunIn(dir, command);
      // An export never carries what bytes not valid in the encoding were read as.
      const bool readable = station.anySettingReadable && command[0] != "export";
      EXPECT_EQ(read.status, readable ? (command[0] == "diff" ? 1 : 0) : 2)
          << station.name << " " << command[0] << ": " << read.err;
      EXPECT_TRUE(Has(read.err, dir.File().string() + ": damaged"))
          << station.name << " " << command[0] << ": " << read.err;
      EXPECT_TRUE(Has(read.err, "`check` tells more, `repair` mends it\n")) << read.err;
      EXPECT_EQ(std::count(read.err.begin(), read.err.end(), '\n'), 1) << read.err;
    }
    // Nor as another station's folder.
    if (!station.anySettingReadable) {
      const Outcome there = RunIn(other, {"diff", dir.Path().string()});
      EXPECT_EQ(there.status, 2);
      EXPECT_TRUE(Has(there.err, dir.Path().string() + ": damaged")) << there.err;
    }
    const Outcome check = RunIn(dir, {"check"});
    EXPECT_EQ(check.status, 1);
    EXPECT_FALSE(Has(check.out, "nothing that would surprise")) << check.out;
    EXPECT_TRUE(Has(check.out, ": damaged: ")) << check.out;
    EXPECT_EQ(dir.Bytes(), station.bytes) << station.name;
  }
}

TEST(CliDamaged, WriteCommandsRefuseWithTheReasonAndLeaveTheFileAsItWas) {
  for (const Damaged& station : DamagedStations()) {
    SettingsDir dir;
    dir.WriteBytes(station.bytes);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"set", "MinDiskSpace", "5"},
          {"reset", "MinDiskSpace"},
          {"import", "-"},
          {"init"}}) {
      const Outcome write = RunIn(dir, command, R"({"MinDiskSpace": 5})");
      EXPECT_EQ(write.status, 2) << station.name << " " << command[0];
      EXPECT_TRUE(Has(write.err, "damaged")) << write.err;
      EXPECT_TRUE(Has(write.err, command[0] == "init" ? "left as it is" : "nothing was written"))
          << write.err;
    }
    EXPECT_EQ(dir.Bytes(), station.bytes) << station.name;
  }
}

TEST(CliRepair, KeepsACopyAndStoresTheFirstRunSettingsWithEverySettingThatCanBeRead) {
  for (const Damaged& station : DamagedStations()) {
    SettingsDir dir;
    dir.WriteBytes(station.bytes);
    const Outcome repair = RunIn(dir, {"repair"});
    ASSERT_EQ(repair.status, 0) << station.name << ": " << repair.err;
    const fs::path copy = CopyKeptIn(dir.Path());
    ASSERT_FALSE(copy.empty()) << station.name;
    EXPECT_TRUE(Has(repair.out, "the damaged file is kept as " + copy.string())) << repair.out;
    EXPECT_EQ(BytesOf(copy), station.bytes) << station.name;

    EXPECT_EQ(Get(dir, "MinDiskSpace"), station.minDiskSpace) << station.name;
    EXPECT_EQ(Get(dir, "DUZOProcessName"), station.processName) << station.name;
    EXPECT_EQ(Get(dir, "Modality.General.PatientInfo.Color"), "64250") << station.name;
    EXPECT_EQ(Get(dir, "IsRealData"), "1");
    EXPECT_EQ(Get(dir, "DICOM.LocalImageDir"),
              station.imageDir.empty() ? (dir.Path() / "Data\\").string() : station.imageDir)
        << station.name;
    EXPECT_EQ(RunIn(dir, {"check"}).status, 0) << station.name << RunIn(dir, {"check"}).out;

    const std::string repaired = dir.Bytes();
    const Outcome again = RunIn(dir, {"repair"});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(Has(again.out, "nothing to repair")) << again.out;
    EXPECT_EQ(dir.Bytes(), repaired);
  }
  // What could not be read is named; the file keeps its encoding.
  SettingsDir dir;
  dir.WriteBytes(DamagedStations()[3].bytes);
  const Outcome repair = RunIn(dir, {"repair"});
  EXPECT_TRUE(Has(repair.out,
                  "could not be read: DICOM.LocalImageDir (its bytes are not valid "
                  "UTF-8)"))
      << repair.out;
  EXPECT_TRUE(Has(repair.out, "  MinDiskSpace = 2048\n")) << repair.out;
  EXPECT_EQ(dir.Bytes().substr(0, 3), "\xEF\xBB\xBF");
  SettingsDir cut;
  cut.WriteBytes(DamagedStations()[2].bytes);
  EXPECT_TRUE(Has(RunIn(cut, {"repair"}).out, "could not be read: the text from line "));
}

#if !defined(_WIN32)

constexpr auto kEveryoneReads =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr auto kEveryoneWrites =
    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
constexpr auto kEveryoneEnters =
    fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;

TEST(CliRepair, WhereOnlyTheFileIsWritableTheCopyGoesToATemporaryFolderItNames) {
  SettingsDir dir;
  const std::string cut = DamagedStations()[2].bytes;
  dir.WriteBytes(cut);
  fs::permissions(dir.File(), kEveryoneReads | kEveryoneWrites);
  fs::permissions(dir.Path(), kEveryoneReads | kEveryoneEnters);
  struct stat before {};
  ASSERT_EQ(stat(dir.File().c_str(), &before), 0);
  testing_support::RunAsOrdinaryUser([&] {
    const Outcome repair = RunIn(dir, {"repair"});
    ASSERT_EQ(repair.status, 0) << repair.err;
    const size_t at = repair.out.find("the damaged file is kept as ");
    ASSERT_NE(at, std::string::npos) << repair.out;
    const fs::path copy = repair.out.substr(at + 28, repair.out.find('\n', at) - at - 28);
    EXPECT_NE(copy.parent_path(), dir.Path());
    EXPECT_EQ(BytesOf(copy), cut);
    fs::remove_all(copy.parent_path());
    EXPECT_EQ(Get(dir, "MinDiskSpace"), "2048");
  });
  struct stat after {};
  ASSERT_EQ(stat(dir.File().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "rewritten in place: the file it was";
  fs::permissions(dir.Path(), fs::perms::owner_all, fs::perm_options::add);
}

TEST(CliReadOnly, ARefusedFileIsRefusedToRootAndToAnOrdinaryUserAsReadOnly) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  fs::permissions(dir.File(), kEveryoneReads);
  fs::permissions(dir.Path(), fs::perms::all);
  const std::string before = dir.Bytes();
  struct stat statBefore {};
  ASSERT_EQ(stat(dir.File().c_str(), &statBefore), 0);
  const auto refuses = [&] {
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"set", "MinDiskSpace", "5"}, {"reset", "local"}}) {
      const Outcome set = RunIn(dir, command);
      EXPECT_EQ(set.status, 2) << command[0];
      EXPECT_TRUE(Has(set.err, "the settings file is read-only; nothing was written")) << set.err;
    }
    EXPECT_EQ(Get(dir, "MinDiskSpace"), "1000");
  };
  refuses();
  testing_support::RunAsOrdinaryUser(refuses);
  struct stat statAfter {};
  ASSERT_EQ(stat(dir.File().c_str(), &statAfter), 0);
  EXPECT_EQ(dir.Bytes(), before);
  EXPECT_EQ(statAfter.st_ino, statBefore.st_ino);
  EXPECT_EQ(statAfter.st_mtim.tv_nsec, statBefore.st_mtim.tv_nsec);
  EXPECT_EQ(statAfter.st_mtim.tv_sec, statBefore.st_mtim.tv_sec);
  fs::permissions(dir.File(), fs::perms::owner_write, fs::perm_options::add);
}

#endif

TEST(CliFolders, ReadCommandsNeverCreateTheFileWriteCommandsDo) {
  SettingsDir dir;
  for (const std::vector<std::string>& command : {std::vector<std::string>{"show"},
                                                  {"get", "MinDiskSpace"},
                                                  {"export"},
                                                  {"diff", dir.Path().string()},
                                                  {"repair"}}) {
    const Outcome read = RunIn(dir, command);
    EXPECT_EQ(read.status, 2) << command[0];
    EXPECT_TRUE(Has(read.err, "there is no settings file")) << read.err;
    EXPECT_TRUE(Has(read.err, "`init` creates one")) << read.err;
    EXPECT_FALSE(dir.Exists()) << command[0];
  }
  EXPECT_EQ(RunIn(dir, {"set", "MinDiskSpace", "5"}).status, 0);
  EXPECT_EQ(Get(dir, "DUZOProcessName"), "DUZO.exe") << "created with the first-run settings";
}

TEST(CliFolders, ARelativeDirIsStoredAbsoluteAndAFileIsNoDir) {
  SettingsDir dir;
  const fs::path before = fs::current_path();
  fs::current_path(dir.Path());
  fs::create_directory("station");
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(viewersettings::cli::Run({"--dir", "./station/.", "init"}, out, err), 0) << err.str();
  EXPECT_EQ(viewersettings::cli::Run({"--dir", "station", "reset", "DICOM.LocalSCUDir"}, out, err),
            0);
  std::ostringstream file;
  EXPECT_EQ(viewersettings::cli::Run(
                {"--dir", "station/VorelViewerSysSetting.xml", "get", "MinDiskSpace"}, file, err),
            2);
  fs::current_path(before);
  std::u16string imageDir;
  XMLGetDICOMImagePath(&imageDir);
  const std::string station = (dir.Path() / "station").string();
  EXPECT_EQ(Utf8(imageDir), (dir.Path() / "station" / "Data\\").string());
  DICOMLocalInfo node;
  XMLGetDICOMLocalInfo(&node);
  EXPECT_EQ(Utf8(node.LocalSCUDir), (dir.Path() / "station" / "Ormask\\SCPTemplate\\").string());
  EXPECT_TRUE(Has(err.str(),
                  "station/VorelViewerSysSetting.xml is a file, not a folder: give the "
                  "folder that holds it (--dir " +
                      station + ")"))
      << err.str();
}

}  // namespace
