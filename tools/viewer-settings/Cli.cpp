#include "tools/viewer-settings/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/Check.h"
#include "tools/viewer-settings/Colour.h"
#include "tools/viewer-settings/Damage.h"
#include "tools/viewer-settings/Hints.h"
#include "tools/viewer-settings/Json.h"
#include "tools/viewer-settings/NewModalities.h"
#include "tools/viewer-settings/Suggest.h"
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
    const std::string takes = std::holds_alternative<uint32_t*>(setting.kind)
                                  ? std::string("a colour: ") + kColourForms
                                  : catalogue::WhatItTakes(setting.kind);
    help << "  " << setting.key << ": " << takes << " (" << ToUtf8(setting.path) << "@"
         << ToUtf8(setting.attribute) << ")" << (setting.settable ? "" : ", read only") << "\n";
  }
  help << "An entry of a list is set where the list holds it; the next entry after its last one "
          "is added.\n";
  return help.str();
}

constexpr char kModalityListKey[] = "DICOM.Modality<n>";
constexpr char kColumnKeyPrefix[] = "PatListHeader.";
// The getter reads the columns by number from 0 and stops after this many.
constexpr int64_t kMostColumns = 7;

// The added modalities as the file lists them; those the first run lists when there is no file,
// which a write creates with them.
std::vector<std::u16string> AddedModalities(const std::string& file) {
  std::error_code error;
  if (!fs::exists(file, error)) return FirstRunModalities();
  return catalogue::AddedModalities();
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

// An added modality whose name differs from `name` only in case.
std::optional<std::u16string> DiffersInCase(const std::vector<std::u16string>& added,
                                            const std::u16string& name) {
  for (const std::u16string& each : added) {
    if (each != name && SameIgnoringCase(each, name)) return each;
  }
  return std::nullopt;
}

std::vector<std::string> SectionIds() {
  std::vector<std::string> ids;
  for (const Section& section : FixedSections()) ids.push_back(section.id);
  return ids;
}

// Where a refusal of `key` points the technician to.
std::string PointsElsewhere(const std::string& key) {
  if (key == "DICOM.ImagePath") return "; set DICOM.LocalImageDir, which it is read from";
  return {};
}

// The first argument that is no option nor an option's value, when it names no subcommand.
std::optional<std::string> UnknownSubcommand(const std::vector<std::string>& args, CLI::App& app) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dir") {
      ++i;
      continue;
    }
    if (StartsWith(args[i], "-")) continue;
    if (app.get_subcommands([&](CLI::App* each) { return each->get_name() == args[i]; }).empty()) {
      return args[i];
    }
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

int Tool::Fail(int status, const std::string& message) {
  err_ << kToolName << ": " << message << "\n";
  return status;
}

std::string Tool::FilePath() const {
  return ToUtf8(store::GetSettingsFilePath());
}

std::optional<int> Tool::GuardRead(bool toCarryElsewhere) {
  const SettingsFileState state = ExamineSettingsFile(FilePath());
  if (!state.exists) {
    return Fail(kExitError, FilePath() + ": there is no settings file here; `init` creates one");
  }
  if (!state.Damaged()) return std::nullopt;
  if (!state.HasSettingsRoot()) return Fail(kExitError, FilePath() + ": " + DamageSummary(state));
  // Values read from bytes not valid in the encoding hold U+FFFD in their place: fit to be
  // shown here, not to be stored on other stations.
  const bool invalidBytes =
      std::any_of(state.damage.begin(), state.damage.end(),
                  [](const Damage& damage) { return damage.kind == DamageKind::kInvalidBytes; });
  if (toCarryElsewhere && invalidBytes) {
    return Fail(kExitError, FilePath() + ": " + DamageSummary(state));
  }
  err_ << kToolName << ": warning: " << FilePath() << ": " << DamageSummary(state) << "\n";
  return std::nullopt;
}

std::optional<int> Tool::GuardWrite() {
  const SettingsFileState state = ExamineSettingsFile(FilePath());
  if (state.Damaged()) {
    return Fail(kExitError, FilePath() + ": " + DamageSummary(state) + "; nothing was written");
  }
  if (const std::optional<std::string> readOnly = RefuseReadOnly()) {
    return Fail(kExitError, *readOnly + "; nothing was written");
  }
  return std::nullopt;
}

// A file that no one may write (no write permission at all; on Windows the read-only attribute),
// as the platform tells it when the library opens the file for writing: the library refuses it to
// every caller, root included. Opening for writing leaves the file as it is.
std::optional<std::string> Tool::RefuseReadOnly() const {
  platform::Status status = platform::Status::kOk;
  platform::CurrentEnv().Open(store::GetSettingsFilePath(), platform::OpenMode::kWriteExisting,
                              &status);
  if (status != platform::Status::kReadOnly) return std::nullopt;
  return FilePath() + ": the settings file is read-only";
}

std::optional<std::string> Tool::RefusedBeforehand(const std::string& key,
                                                   const std::vector<catalogue::Change>& changes) {
  const catalogue::KeyMatch match = *catalogue::MatchKey(key);
  if (key.rfind(kColumnKeyPrefix, 0) == 0 && match.number >= kMostColumns) {
    return "the patient list holds at most " + std::to_string(kMostColumns) +
           " columns, numbered 0 to " + std::to_string(kMostColumns - 1);
  }
  if (match.modality.empty()) return std::nullopt;
  // The modalities listed once the changes are stored.
  std::vector<std::u16string> added = AddedModalities(FilePath());
  for (const catalogue::Change& change : changes) {
    const std::optional<catalogue::KeyMatch> listed = catalogue::MatchKey(change.key);
    if (listed && catalogue::Settings()[listed->setting].key == kModalityListKey) {
      added.push_back(change.text);
    }
  }
  if (std::find(added.begin(), added.end(), match.modality) != added.end()) return std::nullopt;
  const std::string name = ToUtf8(match.modality);
  if (const std::optional<std::u16string> listed = DiffersInCase(added, match.modality)) {
    return "the modality " + name + " is not among the added modalities, but " + ToUtf8(*listed) +
           " is: names differ in case (did you mean `" + std::string(kModalityPrefix) +
           ToUtf8(*listed) + key.substr(kModalityPrefix.size() + name.size()) + "`?)";
  }
  return "the modality " + name + " is not among the added modalities; add it first: set " +
         "DICOM.Modality" + std::to_string(AddedModalities(FilePath()).size()) + " " + name;
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
  } else if (code == XMLR_SET_FAILED && RefuseReadOnly()) {
    cause = "; the file is read-only";
  }
  return Fail(kExitError,
              FilePath() + ": " + function + " answered " + catalogue::ResultText(code) + cause);
}

int Tool::Show(const std::string& only, bool json) {
  const bool oneModality = StartsWith(only, kModalityPrefix);
  if (!only.empty() && !oneModality && !FindSection(only)) {
    return Fail(kExitError, "unknown group \"" + only + "\" (the groups are " + KnownSections() +
                                ")" + GroupHint(only, SectionIds()));
  }
  if (const std::optional<int> status = GuardRead()) return *status;
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
  if (oneModality) return UnlistedModalityStatus(sections.front(), readings.front());
  return kExitOk;
}

// A modality that is not among the added ones is said to be so, with the added one its name
// differs from only in case; with nothing stored for it, that is a setting not found.
int Tool::UnlistedModalityStatus(const Section& section, const GroupValues& reading) {
  const std::vector<std::u16string> added = AddedModalities(FilePath());
  if (std::find(added.begin(), added.end(), section.modality) != added.end()) return kExitOk;
  err_ << kToolName << ": note: the modality " << ToUtf8(section.modality)
       << " is not among the added modalities";
  if (const std::optional<std::u16string> listed = DiffersInCase(added, section.modality)) {
    err_ << "; did you mean `" << kModalityPrefix << ToUtf8(*listed) << "`?";
  } else {
    err_ << " (see show modalities)";
  }
  err_ << "\n";
  return Status(reading) == "not stored" ? kExitNotFound : kExitOk;
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
    const std::vector<Entry>& entries = readings[i].entries;
    for (size_t at = 0; at < entries.size();) at += PrintEntries(entries, at);
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
  if (!catalogue::MatchKey(key)) {
    return Fail(kExitError, "unknown key \"" + key + "\"" + KeyHint(key) + " (see get --help)");
  }
  if (const std::optional<int> status = GuardRead()) return *status;
  const catalogue::KeyValue reading = catalogue::Get(key);
  if (reading.code == XMLR_FILE_ERROR) return FileFailure(reading.getter, reading.code);
  if (!reading.value) {
    return Fail(kExitNotFound, FilePath() + ": " + key + " is not stored (" + reading.getter +
                                   " answered " + catalogue::ResultText(reading.getterCode) + ")");
  }
  out_ << PlainText(*reading.value) << "\n";
  return kExitOk;
}

int Tool::Set(const std::string& key, const std::string& text) {
  std::string value = text;
  // Colours as people write them; the file keeps the number 0x00BBGGRR.
  if (IsColour(key)) {
    const ParsedColour colour = ParseColour(text);
    if (!colour.value) {
      Fail(kExitError, "refused " + key + " = " + text + ": " + colour.error);
      return Fail(kExitError, "nothing was written");
    }
    value = std::to_string(*colour.value);
    // 0xFF0000 is blue in the file's order, though people often mean red by it.
    if (StartsWith(text, "0x") || StartsWith(text, "0X")) {
      err_ << kToolName << ": note: " << text << " is read in the file's order 0x00BBGGRR, as "
           << HexColour(*colour.value) << "\n";
    }
  }
  return StoreIfChanged({{key, value}});
}

int Tool::StoreChanges(const TypedSettings& typed, const std::vector<std::string>& removals) {
  // Values arrive as UTF-8; text that is not would come back altered.
  std::vector<catalogue::Change> changes;
  bool refused = false;
  for (const auto& [key, text] : typed) {
    std::optional<std::u16string> units = FromUtf8Exactly(text);
    if (!units) {
      Fail(kExitError, "refused " + key + " = " + JsonQuoted(text) + ": it is not UTF-8 text");
      refused = true;
    }
    changes.push_back({key, units.value_or(std::u16string())});
  }
  if (!refused) {
    if (const std::optional<int> status = GuardWrite()) return *status;
    for (const catalogue::Change& change : changes) {
      if (!catalogue::MatchKey(change.key)) continue;
      if (const std::optional<std::string> reason = RefusedBeforehand(change.key, changes)) {
        Fail(kExitError, "refused " + change.key + ": " + *reason);
        refused = true;
      }
    }
  }
  NewModalitySettings newModalities;
  if (!refused) {
    std::error_code error;
    newModalities = DisplaySettingsOfNewModalities(changes, AddedModalities(FilePath()),
                                                   fs::exists(FilePath(), error));
    changes.insert(changes.end(), newModalities.changes.begin(), newModalities.changes.end());
  }
  const auto ofNewModality = [&](const std::string& key) {
    return std::any_of(newModalities.modalities.begin(), newModalities.modalities.end(),
                       [&](const std::u16string& name) {
                         return StartsWith(key, std::string(kModalityPrefix) + ToUtf8(name) + ".");
                       });
  };
  const catalogue::StoreReport report =
      refused ? catalogue::StoreReport{} : catalogue::Store(changes, removals);
  for (const catalogue::Refusal& refusal : report.refusals) {
    refused = true;
    if (refusal.code == XMLR_UNKNOWN_KEY) {
      Fail(kExitError,
           "unknown key \"" + refusal.key + "\"" + KeyHint(refusal.key) + " (see set --help)");
      if (StartsWith(refusal.key, kModalityPrefix)) {
        err_ << kToolName << ": note: a modality name may not hold "
             << catalogue::kModalityNameRefuses << "\n";
      }
      continue;
    }
    const auto change = std::find_if(typed.begin(), typed.end(),
                                     [&](const auto& each) { return each.first == refusal.key; });
    const bool typedIn = change != typed.end();
    Fail(kExitError,
         "refused " + refusal.key +
             (refusal.code == XMLR_BAD_VALUE && typedIn ? " = " + JsonQuoted(change->second) : "") +
             ": " + refusal.reason + PointsElsewhere(refusal.key));
  }
  if (refused) return Fail(kExitError, "nothing was written");
  if (report.code != XMLR_SET_OK) return FileFailure(report.function, report.code);

  std::vector<std::string> typedKeys;
  for (const auto& each : typed) typedKeys.push_back(each.first);
  for (const Entry& stored : report.stored) {
    if (std::find(typedKeys.begin(), typedKeys.end(), stored.key) == typedKeys.end()) continue;
    out_ << stored.key << " = " << ShownValue(stored.key, *stored.value, swatches_) << "\n";
    // Floats are stored with six decimals, so what the file keeps may differ from what was given.
    const catalogue::KeyValue after = catalogue::Get(stored.key);
    if (after.value && !catalogue::SameValue(*after.value, *stored.value)) {
      err_ << kToolName << ": note: " << stored.key << " reads back as " << PlainText(*after.value)
           << "\n";
    }
  }
  for (const std::string& key : removals) out_ << "removed " << key << "\n";
  for (const Entry& entry : report.alsoStored) {
    if (ofNewModality(entry.key)) continue;
    out_ << "  also stored, as it was not stored before: " << entry.key << " = "
         << ShownValue(entry.key, *entry.value, swatches_) << "\n";
  }
  for (const std::u16string& name : newModalities.modalities) {
    out_ << "  also stored, for the added modality " << ToUtf8(name)
         << ": the display settings the first run stores, where they were not stored (see show "
         << kModalityPrefix << ToUtf8(name) << ")\n";
  }
  return kExitOk;
}

int Tool::Init() {
  const fs::path file = FilePath();
  std::error_code error;
  if (fs::exists(file, error)) {
    const SettingsFileState state = ExamineSettingsFile(file);
    if (state.Damaged()) {
      return Fail(kExitError,
                  FilePath() + ": already there, left as it is, but " + DamageSummary(state));
    }
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
  if (report.damaged) {
    out_ << FilePath()
         << ": damaged: commands that store settings refuse it; `repair` keeps a copy and puts "
            "the first-run settings with every setting that can still be read in its place\n";
  }
  return kExitNotFound;
}

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  Tool tool(in, out, err, &out == &std::cout && StandardOutputShowsColour());
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
      "print every group of settings as the library's getters read it, or one group; a "
      "missing file is not created (init creates it)");
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

  CLI::App* repair = app.add_subcommand(
      "repair",
      "make a damaged settings file sound: keep a copy of it, then store the first-run settings "
      "with every setting that can still be read from it; a sound file is left as it is");
  CLI::App* schema = app.add_subcommand(
      "schema", "print the JSON Schema (draft 2020-12) of an export, for editors and checks");

  if (const std::optional<std::string> unknown = UnknownSubcommand(args, app)) {
    std::vector<std::string> names;
    for (const CLI::App* each : app.get_subcommands({})) names.push_back(each->get_name());
    std::string known;
    for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
    return tool.Fail(kExitError, "unknown subcommand \"" + *unknown + "\" (the subcommands are " +
                                     known + ")" + DidYouMean(CloseMatches(*unknown, names)));
  }
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error, out, err) == 0 ? kExitOk : kExitError;
    // The shell takes an unquoted #RRGGBB for a comment, so the value never arrives.
    if (set->parsed() && value.empty() && IsColour(key)) {
      tool.Fail(status,
                "a colour written #RRGGBB must be quoted in the shell ('#FF0000'), or "
                "written R,G,B");
    }
    return status;
  }

  try {
    if (!dir.empty()) {
      std::error_code error;
      const fs::path given = fs::u8path(dir);
      if (fs::exists(given, error) && !fs::is_directory(given, error)) {
        return tool.Fail(kExitError, dir +
                                         " is a file, not a folder: give the folder that holds it "
                                         "(--dir " +
                                         fs::absolute(given, error).parent_path().u8string() + ")");
      }
      if (!fs::is_directory(given, error))
        return tool.Fail(kExitError, dir + ": no such directory");
      // The settings that hold folders are stored as absolute paths: the viewer would resolve a
      // relative one against its own working folder.
      SetExeRootPathOverride(FromUtf8(fs::absolute(given, error).lexically_normal().u8string()));
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
    if (*repair) return tool.Repair();
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
