#include "tools/viewer-settings/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "ViewerSettings.h"
#include "store/SettingsFile.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/Check.h"
#include "tools/viewer-settings/Json.h"
#include "tools/viewer-settings/Tool.h"
#include "tools/viewer-settings/ValueText.h"

namespace viewersettings::cli {
namespace {

namespace fs = std::filesystem;
using catalogue::Entry;
using catalogue::GroupValues;
using text::FromUtf8;
using text::ToUtf8;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Status(const GroupValues& reading) {
  const auto stored = std::count_if(reading.entries.begin(), reading.entries.end(),
                                    [](const Entry& entry) { return entry.value.has_value(); });
  if (reading.entries.empty()) return reading.code == XMLR_GET_OK ? "stored" : "not stored";
  if (stored == 0) return "not stored";
  if (static_cast<size_t>(stored) < reading.entries.size() || reading.code != XMLR_GET_OK) {
    return "partly stored";
  }
  return "stored";
}

std::string KeyHelp() {
  std::ostringstream help;
  help << "Keys (" << kModalityPrefix << "<name>... for each modality, <n> for an entry of a "
       << "list; integers may be written in 0x hex):\n";
  for (const catalogue::Setting& setting : catalogue::Settings()) {
    help << "  " << setting.key << ": " << catalogue::WhatItTakes(setting.kind) << " ("
         << ToUtf8(setting.path) << "@" << ToUtf8(setting.attribute) << ")"
         << (setting.settable ? "" : ", read only") << "\n";
  }
  help << "An entry of a list is set where the list holds it; the next entry after its last one "
          "is added.\n";
  return help.str();
}

}  // namespace

int Tool::Fail(int status, const std::string& message) {
  err_ << kToolName << ": " << message << "\n";
  return status;
}

std::string Tool::FilePath() const {
  return ToUtf8(store::GetSettingsFilePath());
}

int Tool::FileFailure(const std::string& function, int32_t code) {
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
              FilePath() + ": " + function + " answered " + catalogue::ResultText(code) + cause);
}

int Tool::Show(const std::string& only, bool json) {
  const bool oneModality = StartsWith(only, kModalityPrefix);
  if (!only.empty() && !oneModality && !FindSection(only)) {
    return Fail(kExitError, "unknown group \"" + only + "\"; the groups are " + KnownSections());
  }
  // The first reading creates a missing file with the first-run defaults.
  std::vector<Section> sections;
  std::vector<GroupValues> readings;
  const int32_t read = catalogue::WithOneReading([&] {
    if (oneModality) {
      sections.push_back(*FindSection(only));
    } else {
      for (Section& section : FixedSections()) {
        if (!only.empty() && section.id != only) continue;
        const bool isList = section.listsModalities;
        sections.push_back(std::move(section));
        // The display settings of each added modality follow the list.
        if (isList) {
          for (const std::u16string& name : catalogue::AddedModalities()) {
            sections.push_back(ModalitySection(name));
          }
        }
      }
    }
    for (const Section& section : sections) readings.push_back(ReadSection(section));
  });
  if (read == XMLR_FILE_ERROR) {
    const size_t first =
        oneModality ? ModalitySection(u"").groups.front() : FixedSections().front().groups.front();
    return FileFailure(catalogue::Groups()[first].getter, XMLR_FILE_ERROR);
  }
  for (size_t i = 0; i < readings.size(); ++i) {
    if (readings[i].code == XMLR_FILE_ERROR) {
      return FileFailure(catalogue::Groups()[sections[i].groups.front()].getter, XMLR_FILE_ERROR);
    }
  }
  if (json) {
    PrintJson(sections, readings);
  } else {
    PrintText(sections, readings);
  }
  return kExitOk;
}

void Tool::PrintText(const std::vector<Section>& sections,
                     const std::vector<GroupValues>& readings) {
  out_ << "Settings file: " << FilePath() << "\n";
  for (size_t i = 0; i < sections.size(); ++i) {
    const Section& section = sections[i];
    const std::string status = Status(readings[i]);
    out_ << "\n" << section.id << ": " << section.title << ", " << status << "\n";
    if (!section.note.empty()) out_ << "  (" << section.note << ")\n";
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

void Tool::PrintJson(const std::vector<Section>& sections,
                     const std::vector<GroupValues>& readings) {
  JsonWriter json(out_);
  json.BeginObject();
  for (size_t i = 0; i < sections.size(); ++i) {
    const Section& section = sections[i];
    json.Key(section.id);
    json.BeginObject();
    json.Key("title");
    json.String(section.title);
    json.Key("status");
    json.String(Status(readings[i]));
    if (!section.note.empty()) {
      json.Key("note");
      json.String(section.note);
    }
    json.Key("values");
    json.BeginObject();
    for (const Entry& entry : readings[i].entries) {
      json.Key(entry.key);
      if (!entry.value) {
        json.Null();
      } else {
        WriteValue(json, *entry.value);
      }
    }
    json.EndObject();
    json.EndObject();
  }
  json.EndObject();
}

int Tool::Get(const std::string& key) {
  const catalogue::KeyValue reading = catalogue::Get(key);
  if (reading.code == XMLR_UNKNOWN_KEY) {
    return Fail(kExitError, "unknown key \"" + key + "\" (see get --help)");
  }
  if (reading.code == XMLR_FILE_ERROR) return FileFailure(reading.getter, reading.code);
  if (!reading.value) {
    return Fail(kExitNotFound, FilePath() + ": " + key + " is not stored (" + reading.getter +
                                   " answered " + catalogue::ResultText(reading.getterCode) + ")");
  }
  out_ << PlainText(*reading.value) << "\n";
  return kExitOk;
}

int Tool::Set(const std::string& key, const std::string& text) {
  return StoreChanges({{key, text}});
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

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  Tool tool(in, out, err);
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
      "Exit status: 0 success, 1 not found (a setting that is not stored, check found "
      "something, or diff found differences), 2 error (bad arguments, a refused value, a file "
      "that cannot be read or written).");

  std::string group;
  bool json = false;
  CLI::App* show = app.add_subcommand(
      "show",
      "print every group of settings as the library's getters read it, or one group; "
      "the first use creates a missing file");
  show->add_option("GROUP", group, "one group: " + KnownSections());
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
  std::vector<std::string> excluded;
  const auto addExclude = [&excluded](CLI::App* command) {
    command->add_option("--exclude", excluded,
                        "leave out a key, a group of show, or \"station\" (the three local "
                        "folders and the window position); may be repeated");
  };
  CLI::App* exportCommand = app.add_subcommand(
      "export", "print every stored setting that can be set, as one JSON object of key to value");
  addExclude(exportCommand);
  std::string source;
  ImportOptions importOptions;
  CLI::App* import = app.add_subcommand(
      "import",
      "make the station hold the settings of an export: every key and value is checked first, "
      "and nothing is written unless all fit; a list the export holds is taken whole; only what "
      "changes is written");
  import->add_option("FILE", source, "the export, or - for the standard input")->required();
  import->add_flag("--replace", importOptions.replace,
                   "also remove what the station stores and the export does not");
  import->add_flag("--check", importOptions.check,
                   "write nothing; exit status 0 when the station holds the export already, 1 "
                   "when something would change, 2 on an error");
  import->add_flag("--diff", importOptions.diff, "print each change as before -> after");
  import->add_flag("--json", importOptions.json,
                   "print one JSON object: changed, diff (key, before, after), msg");
  addExclude(import);
  std::string target;
  CLI::App* reset = app.add_subcommand(
      "reset",
      "put a setting, or every setting of a group, back to the value that the first run "
      "stores; refused where the first run stores none");
  reset->add_option("KEY|GROUP", target, "a key (see get --help) or a group of show")->required();
  std::string other;
  CLI::App* diff = app.add_subcommand(
      "diff",
      "list the settings whose values differ between this station and another folder or an "
      "export; exit status 1 when some do");
  diff->add_option("DIR|FILE", other, "a station's folder or an export")->required();
  addExclude(diff);
  CLI::App* schema = app.add_subcommand(
      "schema", "print the JSON Schema (draft 2020-12) of an export, for editors and checks");

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
    Exclusions exclusions;
    for (const std::string& name : excluded) {
      std::string error;
      if (!exclusions.Add(name, &error)) return tool.Fail(kExitError, "--exclude: " + error);
    }
    importOptions.excluded = exclusions;
    if (*show) return tool.Show(group, json);
    if (*get) return tool.Get(key);
    if (*set) return tool.Set(key, value);
    if (*init) return tool.Init();
    if (*check) return tool.Check();
    if (*exportCommand) return tool.Export(exclusions);
    if (*import) return tool.Import(source, importOptions);
    if (*reset) return tool.Reset(target);
    if (*diff) return tool.Diff(other, exclusions);
    if (*schema) return tool.Schema();
  } catch (const std::exception& error) {
    return tool.Fail(kExitError, error.what());
  }
  return kExitError;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return Run(args, std::cin, out, err);
}

}  // namespace viewersettings::cli
