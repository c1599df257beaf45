#include "tools/viewer-settings/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "ViewerSettings.h"
#include "platform/Utf8.h"
#include "store/SettingsFile.h"
#include "tools/viewer-settings/Accessors.h"
#include "tools/viewer-settings/Check.h"
#include "tools/viewer-settings/Json.h"

namespace viewersettings::cli {
namespace {

namespace fs = std::filesystem;
using platform::FromUtf8;
using platform::ToUtf8;

constexpr char kToolName[] = "viewer-settings";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string DescribeCode(int32_t code) {
  struct Known {
    int32_t code;
    const char* name;
    const char* meaning;
  };
  static constexpr Known kCodes[] = {
      {XMLR_GET_OK, "XMLR_GET_OK", "found"},
      {XMLR_GET_NOT_FOUND, "XMLR_GET_NOT_FOUND", "an element was missing"},
      {XMLR_SET_OK, "XMLR_SET_OK", "stored and written"},
      {XMLR_SET_FAILED, "XMLR_SET_FAILED", "a value or the file was not written"},
      {XMLR_FILE_ERROR, "XMLR_FILE_ERROR", "the settings file can be neither read nor created"}};
  for (const Known& known : kCodes) {
    if (known.code == code) {
      return std::string(known.name) + " (" + std::to_string(code) + ": " + known.meaning + ")";
    }
  }
  return "result " + std::to_string(code);
}

std::string Status(const Reading& reading) {
  const auto stored = std::count_if(reading.entries.begin(), reading.entries.end(),
                                    [](const Entry& entry) { return entry.value.has_value(); });
  if (reading.entries.empty()) return reading.code == XMLR_GET_OK ? "stored" : "not stored";
  if (stored == 0) return "not stored";
  if (static_cast<size_t>(stored) < reading.entries.size() || reading.code != XMLR_GET_OK) {
    return "partly stored";
  }
  return "stored";
}

std::string KnownGroups() {
  std::string ids;
  for (const Group& group : FixedGroups()) ids += group.id + ", ";
  return ids + "Modality.<name>";
}

std::string KeyHelp() {
  std::ostringstream help;
  help << "Keys (a modality's keys take its name in place of <name>; integers may be written "
          "in 0x hex):\n";
  for (const KeyInfo& key : AllKeys()) {
    if (key.listEntry) continue;
    help << "  " << key.key << ": " << key.takes << (key.settable ? "" : " (read only)") << "\n";
  }
  help << "show also prints the entries of lists (patient-list columns, added modalities, ECG "
          "colours and smoothing filters); get reads them by the keys show prints, set does not "
          "change them.\n";
  return help.str();
}

class Tool {
 public:
  Tool(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  int Show(const std::string& only, bool json);
  int Get(const std::string& key);
  int Set(const std::string& key, const std::string& text);
  int Init();
  int Check();

  int Fail(int status, const std::string& message) {
    err_ << kToolName << ": " << message << "\n";
    return status;
  }

 private:
  std::string FilePath() const { return ToUtf8(store::GetSettingsFilePath()); }

  // A result other than success, with what the file's state says about the cause.
  int FileFailure(const std::string& function, int32_t code) {
    std::string cause;
    if (code == XMLR_FILE_ERROR) {
      std::error_code error;
      const fs::path file = FilePath();
      if (!fs::exists(file, error)) {
        cause = "; there is no file, and none can be created in its directory";
      } else if (fs::file_size(file, error) == 0) {
        cause = "; the file is empty, and the library does not recreate it";
      } else {
        cause = "; the file cannot be opened (another program holds it, or access is denied)";
      }
    }
    return Fail(kExitError,
                FilePath() + ": " + function + " answered " + DescribeCode(code) + cause);
  }

  void PrintText(const std::vector<Group>& groups, const std::vector<Reading>& readings);
  void PrintJson(const std::vector<Group>& groups, const std::vector<Reading>& readings);

  std::ostream& out_;
  std::ostream& err_;
};

int Tool::Show(const std::string& only, bool json) {
  std::vector<Group> groups;
  if (StartsWith(only, kModalityPrefix)) {
    groups.push_back(ModalityGroup(FromUtf8(only.substr(kModalityPrefix.size()))));
  } else {
    for (Group& group : FixedGroups()) {
      if (!only.empty() && group.id != only) continue;
      const bool isList = group.id == "modalities";
      groups.push_back(std::move(group));
      // The display settings of each added modality follow the list.
      if (isList) {
        std::vector<std::u16string> names;
        XMLGetDICOMAddedModality(&names);
        for (const std::u16string& name : names) groups.push_back(ModalityGroup(name));
      }
    }
    if (groups.empty()) {
      return Fail(kExitError, "unknown group \"" + only + "\"; the groups are " + KnownGroups());
    }
  }

  // The first read creates a missing file with the first-run defaults.
  std::vector<Reading> readings;
  for (const Group& group : groups) {
    readings.push_back(group.accessor->Read());
    if (readings.back().code == XMLR_FILE_ERROR) {
      return FileFailure(group.accessor->Getter(), XMLR_FILE_ERROR);
    }
  }
  if (json) {
    PrintJson(groups, readings);
  } else {
    PrintText(groups, readings);
  }
  return kExitOk;
}

void Tool::PrintText(const std::vector<Group>& groups, const std::vector<Reading>& readings) {
  out_ << "Settings file: " << FilePath() << "\n";
  for (size_t i = 0; i < groups.size(); ++i) {
    const Group& group = groups[i];
    const std::string status = Status(readings[i]);
    out_ << "\n" << group.id << ": " << group.title << ", " << status << "\n";
    if (!group.note.empty()) out_ << "  (" << group.note << ")\n";
    if (status == "not stored") continue;
    for (const Entry& entry : readings[i].entries) {
      if (entry.value) {
        out_ << "  " << entry.key << " = " << ShownText(*entry.value) << "\n";
      } else {
        out_ << "  " << entry.key << ": not stored\n";
      }
    }
  }
}

void Tool::PrintJson(const std::vector<Group>& groups, const std::vector<Reading>& readings) {
  JsonWriter json(out_);
  json.BeginObject();
  for (size_t i = 0; i < groups.size(); ++i) {
    const Group& group = groups[i];
    json.Key(group.id);
    json.BeginObject();
    json.Key("title");
    json.String(group.title);
    json.Key("status");
    json.String(Status(readings[i]));
    if (!group.note.empty()) {
      json.Key("note");
      json.String(group.note);
    }
    json.Key("values");
    json.BeginObject();
    for (const Entry& entry : readings[i].entries) {
      json.Key(entry.key);
      if (!entry.value) {
        json.Null();
      } else if (const auto* number = std::get_if<int64_t>(&*entry.value)) {
        json.Integer(*number);
      } else if (const auto* real = std::get_if<float>(&*entry.value)) {
        json.Number(*real);
      } else {
        json.String(std::get<std::string>(*entry.value));
      }
    }
    json.EndObject();
    json.EndObject();
  }
  json.EndObject();
}

int Tool::Get(const std::string& key) {
  const auto accessor = AccessorForKey(key);
  if (!accessor) return Fail(kExitError, "unknown key \"" + key + "\" (see get --help)");
  const Reading reading = accessor->Read();
  if (reading.code == XMLR_FILE_ERROR) return FileFailure(accessor->Getter(), reading.code);
  const auto entry = std::find_if(reading.entries.begin(), reading.entries.end(),
                                  [&](const Entry& e) { return e.key == key; });
  if (entry == reading.entries.end() || !entry->value) {
    return Fail(kExitNotFound, FilePath() + ": " + key + " is not stored (" + accessor->Getter() +
                                   " answered " + DescribeCode(reading.code) + ")");
  }
  out_ << PlainText(*entry->value) << "\n";
  return kExitOk;
}

int Tool::Set(const std::string& key, const std::string& text) {
  const auto accessor = AccessorForKey(key);
  if (!accessor) return Fail(kExitError, "unknown key \"" + key + "\" (see set --help)");
  const std::vector<KeyInfo> keys = accessor->Keys();
  const auto info =
      std::find_if(keys.begin(), keys.end(), [&](const KeyInfo& k) { return k.key == key; });
  if (!info->settable) {
    return Fail(kExitError, key + (info->listEntry ? " is an entry of a list, which set does "
                                                     "not change"
                                                   : " is read only: the library has no setter "
                                                     "for it"));
  }
  const StoreOutcome outcome = accessor->Store(key, text);
  if (!outcome.refusal.empty()) {
    return Fail(kExitError, "refused " + key + " = " + JsonQuoted(text) + ": it takes " +
                                outcome.refusal + "; nothing was written");
  }
  if (outcome.code != XMLR_SET_OK) {
    if (outcome.code == XMLR_SET_FAILED && StartsWith(key, kModalityPrefix)) {
      err_ << kToolName
           << ": note: a modality name may not hold white space, control characters or any of "
              "< > = \\ / ? ! \" ' & [ ]\n";
    }
    return FileFailure(outcome.function, outcome.code);
  }
  out_ << key << " = " << ShownText(outcome.stored) << "\n";
  // Floats are stored with six decimals, so what the file keeps may differ from what was given.
  const Reading after = accessor->Read();
  for (const Entry& entry : after.entries) {
    if (entry.key == key && entry.value && !SameValue(*entry.value, outcome.stored)) {
      err_ << kToolName << ": note: " << key << " reads back as " << ShownText(*entry.value)
           << "\n";
    }
  }
  for (const Entry& entry : outcome.alsoStored) {
    out_ << "  also stored, as it was not stored before: " << entry.key << " = "
         << ShownText(*entry.value) << "\n";
  }
  if (StartsWith(key, kModalityPrefix)) {
    std::vector<std::u16string> added;
    XMLGetDICOMAddedModality(&added);
    const bool listed = std::any_of(added.begin(), added.end(), [&](const std::u16string& name) {
      return StartsWith(key, std::string(kModalityPrefix) + ToUtf8(name) + ".");
    });
    if (!listed) {
      err_ << kToolName << ": note: the modality is not among the added modalities (see show "
           << "modalities); the viewer may not use its settings\n";
    }
  }
  return kExitOk;
}

int Tool::Init() {
  const fs::path file = FilePath();
  std::error_code error;
  if (fs::exists(file, error)) {
    out_ << FilePath() << ": already there, left as it is\n";
    return kExitOk;
  }
  // Any getter creates a missing file with the first-run defaults.
  int32_t minDiskSpace = 0;
  if (XMLGetMinDiskSpace(&minDiskSpace) == XMLR_FILE_ERROR || !fs::exists(file, error)) {
    return FileFailure("XMLGetMinDiskSpace", XMLR_FILE_ERROR);
  }
  out_ << FilePath() << ": created with the first-run defaults\n";
  return kExitOk;
}

int Tool::Check() {
  const CheckReport report = CheckSettingsFile(FilePath());
  if (!report.exists) {
    return Fail(kExitNotFound,
                FilePath() +
                    ": there is no settings file (the library creates one on first use; "
                    "see init)");
  }
  if (!report.readError.empty()) return Fail(kExitError, FilePath() + ": " + report.readError);
  if (!report.encoding.empty()) out_ << FilePath() << ": " << report.encoding << "\n";
  for (const Finding& finding : report.findings) {
    out_ << FilePath();
    if (finding.line > 0) out_ << ":" << finding.line;
    out_ << ": " << finding.message << "\n";
  }
  if (report.findings.empty()) {
    out_ << FilePath() << ": nothing that would surprise the library\n";
    return kExitOk;
  }
  return kExitNotFound;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Tool tool(out, err);
  CLI::App app(
      "See and change the settings of a viewer station, stored in "
      "VorelViewerSysSetting.xml, through the settings library itself.",
      kToolName);
  app.require_subcommand(1);
  app.fallthrough();
  std::string dir;
  app.add_option("--dir", dir,
                 "the directory whose settings file to use, in place of the tool's own");
  app.footer(
      "Exit status: 0 success, 1 not found (a setting that is not stored, or check found "
      "something), 2 error (bad arguments, a refused value, a file that cannot be read or "
      "written).");

  std::string group;
  bool json = false;
  CLI::App* show = app.add_subcommand(
      "show",
      "print every group of settings as the library's getters read it, or one group; "
      "the first use creates a missing file");
  show->add_option("GROUP", group, "one group: " + KnownGroups());
  show->add_flag("--json", json, "print an object keyed by group");

  std::string key;
  std::string value;
  CLI::App* get = app.add_subcommand("get", "print the value of one setting");
  get->add_option("KEY", key, "the setting, e.g. MinDiskSpace")->required();
  get->footer(KeyHelp);
  CLI::App* set = app.add_subcommand(
      "set",
      "store one setting through the library's setter of its group; a value that does "
      "not fit the setting is refused and nothing is written");
  set->add_option("KEY", key, "the setting, e.g. DICOM.LocalImageDir")->required();
  set->add_option("VALUE", value, "the new value")->required();
  set->footer(KeyHelp);
  CLI::App* init = app.add_subcommand(
      "init",
      "create the settings file with the first-run defaults when there is none, and "
      "say where it is");
  CLI::App* check = app.add_subcommand(
      "check",
      "say which encoding the settings file is in and look through it, without changing "
      "it, for what would surprise the library; exit status 1 when something is found");

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    return app.exit(error, out, err) == 0 ? kExitOk : kExitError;
  }

  try {
    if (!dir.empty()) {
      std::error_code error;
      if (!fs::is_directory(dir, error)) return tool.Fail(kExitError, dir + ": no such directory");
      SetExeRootPathOverride(FromUtf8(dir));
    }
    if (*show) return tool.Show(group, json);
    if (*get) return tool.Get(key);
    if (*set) return tool.Set(key, value);
    if (*init) return tool.Init();
    if (*check) return tool.Check();
  } catch (const std::exception& error) {
    return tool.Fail(kExitError, error.what());
  }
  return kExitError;
}

}  // namespace viewersettings::cli
