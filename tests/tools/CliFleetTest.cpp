// Keeping stations alike with viewer-settings, in-process between temporary station folders:
// what import, set and reset change (and that they leave a station alone that needs no change),
// import's drift check, its diff and JSON output, exclusions, and the Ansible module's arguments.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"
#include "support/ToolRun.h"
#include "tools/viewer-settings/AnsibleModule.h"
#include "tools/viewer-settings/Cli.h"
#include "tools/viewer-settings/Json.h"

namespace {

namespace fs = std::filesystem;
using testing_support::SettingsDir;
using viewersettings::cli::JsonValue;

using testing_support::Has;
using testing_support::Outcome;
using testing_support::RunIn;

// What a write would change about the file, whatever it writes: its bytes, its identity and its
// modification time.
struct FileState {
  std::string bytes;
  uintmax_t inode;
  fs::file_time_type modified;

  explicit FileState(const SettingsDir& dir)
      : bytes(dir.Bytes()), inode(Inode(dir.File())), modified(fs::last_write_time(dir.File())) {}
  bool operator==(const FileState& other) const {
    return bytes == other.bytes && inode == other.inode && modified == other.modified;
  }
  static uintmax_t Inode(const fs::path& file) {
    struct stat info {};
    return stat(file.string().c_str(), &info) == 0 ? static_cast<uintmax_t>(info.st_ino) : 0;
  }
};

// The object --json prints.
JsonValue JsonOf(const std::string& text) {
  std::string error;
  const std::optional<JsonValue> value = viewersettings::cli::ParseJson(text, &error);
  EXPECT_TRUE(value) << error << "\n" << text;
  return value.value_or(JsonValue{});
}

const JsonValue* Member(const JsonValue& object, const std::string& name) {
  for (const auto& [key, value] : object.members) {
    if (key == name) return &value;
  }
  return nullptr;
}

const std::string kWanted =
    R"({"MinDiskSpace": 2048, "DUZOProcessName": "DUZO.exe", "WindowLastPos.Left": 5,
        "ECG.ZoomRatio": 1.1})";

TEST(CliConverge, WhatTheStationHoldsAlreadyIsNotWrittenAgain) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"import", "-"}, kWanted).status, 0);
  ASSERT_EQ(RunIn(dir, {"set", "DICOM.LocalMaxSCPCount", "0x10"}).status, 0);
  const std::vector<std::vector<std::string>> calls = {
      {"import", "-"},
      {"import", "--json", "-"},
      {"set", "MinDiskSpace", "2048"},
      {"set", "DICOM.LocalMaxSCPCount", "16"},  // as typed first: 0x10
      {"set", "ECG.ZoomRatio", "1.1000001"},    // the same with six decimals
      {"reset", "DUZOProcessName"},
      {"reset", "process"},
  };
  for (const std::vector<std::string>& call : calls) {
    const FileState before(dir);
    const Outcome outcome = RunIn(dir, call, kWanted);
    EXPECT_EQ(outcome.status, 0) << call[0] << " " << call[1] << outcome.err;
    EXPECT_TRUE(Has(outcome.out, "nothing to change")) << call[1] << "\n" << outcome.out;
    EXPECT_TRUE(FileState(dir) == before) << call[0] << " " << call[1];
  }
}

TEST(CliConverge, ImportCheckTellsWhetherTheStationDrifted) {
  SettingsDir dir;
  const std::string export1 = (dir.Path() / "wanted.json").string();
  std::ofstream(export1) << kWanted;
  const Outcome missing = RunIn(dir, {"import", "--check", export1});
  EXPECT_EQ(missing.status, 1) << missing.err;
  EXPECT_FALSE(dir.Exists()) << "a check creates no settings file";

  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const FileState fresh(dir);
  EXPECT_EQ(RunIn(dir, {"import", "--check", export1}).status, 1);
  EXPECT_TRUE(FileState(dir) == fresh) << "a check writes nothing";
  ASSERT_EQ(RunIn(dir, {"import", export1}).status, 0);
  EXPECT_EQ(RunIn(dir, {"import", "--check", export1}).status, 0);
  // As Windows tools save an export: UTF-8 with a byte-order mark, PowerShell's UTF-16LE.
  std::string utf16 = "\xFF\xFE";
  for (const char c : kWanted) utf16 += std::string{c, '\0'};
  for (const std::string& saved : {"\xEF\xBB\xBF" + kWanted, utf16}) {
    EXPECT_EQ(RunIn(dir, {"import", "--check", "-"}, saved).status, 0) << saved;
  }
  for (const char* wrong : {R"({"MinDiskSpace": "lots"})", "{", R"({"NoSuchKey": 1})"}) {
    EXPECT_EQ(RunIn(dir, {"import", "--check", "-"}, wrong).status, 2) << wrong;
  }
  EXPECT_EQ(RunIn(dir, {"import", "--check", (dir.Path() / "none.json").string()}).status, 2);
}

TEST(CliConverge, DiffAndJsonShowEachChangeBeforeAndAfter) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const Outcome diff = RunIn(dir, {"import", "--check", "--diff", "-"}, kWanted);
  EXPECT_EQ(diff.status, 1);
  EXPECT_EQ(diff.out,
            "MinDiskSpace: 1000 -> 2048\n"
            "WindowLastPos.Left: not stored -> 5\n"
            "ECG.ZoomRatio: not stored -> 1.1\n"
            "3 settings would change\n");

  const Outcome json = RunIn(dir, {"import", "--json", "-"}, kWanted);
  EXPECT_EQ(json.status, 0) << json.err;
  const JsonValue result = JsonOf(json.out);
  ASSERT_TRUE(Member(result, "changed") && Member(result, "diff") && Member(result, "msg"));
  EXPECT_EQ(Member(result, "changed")->text, "true");
  EXPECT_EQ(Member(result, "msg")->text, "3 settings changed");
  const std::vector<JsonValue>& changes = Member(result, "diff")->items;
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(Member(changes[1], "key")->text, "WindowLastPos.Left");
  EXPECT_EQ(Member(changes[1], "before")->type, JsonValue::Type::kNull);
  EXPECT_EQ(Member(changes[1], "after")->text, "5");
  EXPECT_EQ(RunIn(dir, {"get", "WindowLastPos.Left"}).out, "5\n");

  const Outcome refused = RunIn(dir, {"import", "--json", "-"}, R"({"MinDiskSpace": "lots"})");
  EXPECT_EQ(refused.status, 2);
  const JsonValue failure = JsonOf(refused.out);
  ASSERT_TRUE(Member(failure, "changed") && Member(failure, "failed") && Member(failure, "msg"));
  EXPECT_EQ(Member(failure, "changed")->text, "false");
  EXPECT_EQ(Member(failure, "failed")->text, "true");
  EXPECT_TRUE(Has(Member(failure, "msg")->text, "refused MinDiskSpace = \"lots\""));
}

TEST(CliConverge, ExcludedSettingsStayOutOfExportDiffAndImport) {
  SettingsDir here;
  SettingsDir there;
  for (const SettingsDir* dir : {&here, &there}) ASSERT_EQ(RunIn(*dir, {"init"}).status, 0);
  ASSERT_EQ(RunIn(there, {"set", "WindowLastPos.Top", "3"}).status, 0);
  // The first run stores folders beside each station's executable: the stations differ there.
  EXPECT_EQ(RunIn(here, {"diff", there.Path().string()}).status, 1);
  EXPECT_EQ(RunIn(here, {"diff", "--exclude", "station", there.Path().string()}).status, 0);

  const Outcome exported = RunIn(there, {"export", "--exclude", "station", "--exclude", "flags"});
  ASSERT_EQ(exported.status, 0);
  for (const char* key : {"DICOM.LocalImageDir", "DICOM.LocalSCPDir", "WindowLastPos.Top",
                          "IsRealData", "AutoLoopPlay"}) {
    EXPECT_FALSE(Has(exported.out, key)) << key;
  }
  EXPECT_TRUE(Has(exported.out, "\"DICOM.LocalMaxSCPCount\""));
  const Outcome one =
      RunIn(there, {"export", "--exclude", "Modality.General", "--exclude", "MinDiskSpace"});
  EXPECT_FALSE(Has(one.out, "Modality.General.")) << one.out;
  EXPECT_FALSE(Has(one.out, "MinDiskSpace"));
  EXPECT_TRUE(Has(one.out, "\"DICOM.Modality0\": \"General\""));

  const Outcome ignored = RunIn(here, {"import", "--exclude", "window", "-"},
                                R"({"WindowLastPos.Left": 1, "MinDiskSpace": 5})");
  EXPECT_EQ(ignored.out, "MinDiskSpace = 5\n");
  const Outcome unknown = RunIn(here, {"export", "--exclude", "nothing"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(Has(unknown.err, "\"nothing\" is neither a key")) << unknown.err;
}

TEST(CliExport, HoldsWhatTheFileStoresAndImportLeavesTheRestAsItWas) {
  // No flag, no process name, no window position, no ECG settings.
  SettingsDir sparse;
  sparse.Write(
      "<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n<SystemSetting>\r\n<LocalSetting>\r\n"
      "<MinDiskSpace Value=\"3000\"/>\r\n</LocalSetting>\r\n<IsRealData Value=\"0\"/>\r\n"
      "</SystemSetting>\r\n");
  const Outcome exported = RunIn(sparse, {"export"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, "{\n  \"MinDiskSpace\": 3000,\n  \"IsRealData\": 0\n}\n");

  SettingsDir station;
  ASSERT_EQ(RunIn(station, {"init"}).status, 0);
  ASSERT_EQ(RunIn(station, {"set", "WindowLastPos.Left", "4"}).status, 0);
  const Outcome imported = RunIn(station, {"import", "-"}, exported.out);
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out, "MinDiskSpace = 3000\nIsRealData = 0\n");
  for (const auto& [key, value] : {std::pair<const char*, const char*>{"AutoLoopPlay", "1\n"},
                                   {"DUZOProcessName", "DUZO.exe\n"},
                                   {"WindowLastPos.Left", "4\n"}}) {
    EXPECT_EQ(RunIn(station, {"get", key}).out, value) << key;
  }
}

TEST(CliUnreadableFile, IsNeitherExportedNorDiffedNorImportedInto) {
  const std::pair<std::string, std::string> unreadable[] = {
      {"hello", "the engine cannot parse it"},
      {"<?xml version=\"1.0\"?>\r\n<SystemSetting><IsRealData Value=\"0\"/>",
       "the engine cannot parse it"},
      {"<Other><IsRealData Value=\"0\"/></Other>", "its root element is <Other>"},
  };
  SettingsDir good;
  ASSERT_EQ(RunIn(good, {"init"}).status, 0);
  for (const auto& [bytes, message] : unreadable) {
    SettingsDir dir;
    dir.WriteBytes(bytes);
    const Outcome exported = RunIn(dir, {"export"});
    EXPECT_EQ(exported.status, 2) << bytes;
    EXPECT_EQ(exported.out, "") << bytes;
    EXPECT_TRUE(Has(exported.err, message)) << exported.err;
    EXPECT_EQ(RunIn(dir, {"diff", good.Path().string()}).status, 2) << bytes;
    EXPECT_EQ(RunIn(dir, {"import", "--check", "-"}, R"({"MinDiskSpace": 1})").status, 2);
    EXPECT_EQ(RunIn(dir, {"import", "-"}, R"({"MinDiskSpace": 1})").status, 2);
    EXPECT_EQ(RunIn(good, {"diff", dir.Path().string()}).status, 2) << bytes;
    EXPECT_EQ(dir.Bytes(), bytes);
  }
}

TEST(AnsibleModule, RunsUnderItsNameWithOneArgument) {
  const std::pair<std::string, size_t> calls[] = {{"viewer_settings", 1},
                                                  {"/usr/lib/viewer_settings", 1},
                                                  {"C:\\T\\viewer_settings.EXE", 1},
                                                  {"/tmp/AnsiballZ_viewer_settings", 1}};
  for (const auto& [program, count] : calls) {
    EXPECT_TRUE(viewersettings::cli::IsAnsibleModuleCall(program, count)) << program;
  }
  const std::pair<std::string, size_t> others[] = {{"viewer-settings", 1},
                                                   {"viewer_settings", 2},
                                                   {"viewer_settings", 0},
                                                   {"xviewer_settings", 1}};
  for (const auto& [program, count] : others) {
    EXPECT_FALSE(viewersettings::cli::IsAnsibleModuleCall(program, count)) << program << count;
  }
}

TEST(AnsibleModule, ArgumentsOutOfShapeFailNamingWhatIsWrongAndWriteNothing) {
  SettingsDir station;
  ASSERT_EQ(RunIn(station, {"init"}).status, 0);
  const FileState before(station);
  const std::string dir = "\"dir\": " + viewersettings::cli::JsonQuoted(station.Path().string());
  const std::pair<std::string, std::string> wrong[] = {
      {R"({"settings": {}})", "missing required parameter dir"},
      {"{" + dir + "}", "missing required parameter settings"},
      {"{" + dir + R"(, "settings": {"MinDiskSpace": true}})", "MinDiskSpace: takes a number"},
      {"{" + dir + R"(, "settings": {"MinDiskSpace": 5, "Nope": 1}})", "unknown key \"Nope\""},
      {"{" + dir + R"(, "settings": {"MinDiskSpace": 5}, "replace": "yes"})", "replace: takes"},
      {"{" + dir + R"(, "settings": {}, "exclude": ["elsewhere"]})", "exclude: \"elsewhere\""},
      {"{" + dir + R"(, "settings": {}, "state": "present"})", "unsupported parameter \"state\""},
      {"{" + dir + R"(, "settings": {}, "replace": true})", "replace would remove every setting"},
      {R"({"dir": "/no/such/folder", "settings": {}})", "dir: /no/such/folder is no folder"},
      {"[1]", "no JSON object"},
  };
  const fs::path arguments = station.Path() / "args";
  for (const auto& [text, message] : wrong) {
    std::ofstream(arguments) << text;
    std::ostringstream out;
    EXPECT_EQ(viewersettings::cli::RunAnsibleModule(arguments.string(), out), 1) << text;
    const JsonValue result = JsonOf(out.str());
    ASSERT_TRUE(Member(result, "failed") && Member(result, "msg")) << out.str();
    EXPECT_TRUE(Has(Member(result, "msg")->text, message)) << out.str();
  }
  EXPECT_TRUE(FileState(station) == before);

  // Ansible's own arguments are taken as they come; check mode writes nothing.
  std::ofstream(arguments) << "{" << dir
                           << R"(, "settings": {"MinDiskSpace": 7}, "_ansible_check_mode": true,
                                 "_ansible_diff": true, "_ansible_verbosity": 2})";
  std::ostringstream out;
  EXPECT_EQ(viewersettings::cli::RunAnsibleModule(arguments.string(), out), 0);
  const JsonValue result = JsonOf(out.str());
  ASSERT_TRUE(Member(result, "changed") && Member(result, "diff")) << out.str();
  EXPECT_EQ(Member(result, "changed")->text, "true");
  EXPECT_EQ(Member(*Member(result, "diff"), "after")->text, "MinDiskSpace = 7\n");
  EXPECT_TRUE(FileState(station) == before);
}

TEST(AnsibleModule, AFolderGivenRelativeIsStoredAbsolute) {
  SettingsDir station;
  const fs::path before = fs::current_path();
  fs::current_path(station.Path().parent_path());
  const fs::path arguments = station.Path() / "args";
  std::ofstream(arguments) << "{\"dir\": "
                           << viewersettings::cli::JsonQuoted(station.Path().filename().string())
                           << R"(, "settings": {"MinDiskSpace": 7}})";
  std::ostringstream out;
  const int status = viewersettings::cli::RunAnsibleModule(arguments.string(), out);
  fs::current_path(before);
  ASSERT_EQ(status, 0) << out.str();
  const Outcome folder = RunIn(station, {"get", "DICOM.LocalImageDir"});
  EXPECT_EQ(folder.out, (station.Path() / "Data\\").string() + "\n");
}

}  // namespace
