// The commands that move settings between stations: export, import, diff, and reset to the
// first-run values.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/Cli.h"
#include "tools/viewer-settings/Damage.h"
#include "tools/viewer-settings/Hints.h"
#include "tools/viewer-settings/Json.h"
#include "tools/viewer-settings/Tool.h"
#include "tools/viewer-settings/ValueText.h"

namespace viewersettings::cli {
namespace {

namespace fs = std::filesystem;
using catalogue::Entry;
using catalogue::Value;
using text::FromUtf8;
using text::ToUtf8;

// While it lives, the library takes `dir` for the executable's directory.
class ExeRootScope {
 public:
  explicit ExeRootScope(const fs::path& dir) : before_(platform::GetExeRootPath()) {
    SetExeRootPathOverride(FromUtf8(dir.u8string()));
  }
  ~ExeRootScope() { SetExeRootPathOverride(before_); }
  ExeRootScope(const ExeRootScope&) = delete;
  ExeRootScope& operator=(const ExeRootScope&) = delete;

 private:
  std::u16string before_;
};

std::optional<std::string> ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// The values that the first run stores on this station, from the library's own first run in a
// scratch folder: text that begins with the scratch folder's executable root begins with this
// station's instead. The per-modality values, which the first run stores for its one modality,
// go by the keys of the table, so that they serve every modality.
class FirstRunValues {
 public:
  bool Load(std::string* error) {
    std::error_code failure;
    fs::path scratch;
    std::random_device random;
    for (int attempt = 0;; ++attempt) {
      scratch = fs::temp_directory_path(failure) /
                ("viewer-settings-first-run-" + std::to_string(random()));
      if (!failure && fs::create_directory(scratch, failure)) break;
      if (attempt == 9) {
        *error = "no scratch folder for a first run can be made: " + failure.message();
        return false;
      }
    }
    const std::u16string station = store::GetExeRoot();
    std::u16string scratchRoot;
    std::vector<Entry> entries;
    int32_t code = 0;
    {
      const ExeRootScope scope(scratch);
      scratchRoot = store::GetExeRoot();
      code = catalogue::ReadAll(&entries);
    }
    fs::remove_all(scratch, failure);
    if (code != XMLR_GET_OK) {
      *error = "the library's first run in a scratch folder failed";
      return false;
    }
    for (Entry& entry : entries) {
      if (auto* text = std::get_if<std::u16string>(&*entry.value)) {
        if (text->compare(0, scratchRoot.size(), scratchRoot) == 0) {
          *text = station + text->substr(scratchRoot.size());
        }
      }
      values_.emplace(TableKey(entry.key), std::move(*entry.value));
    }
    return true;
  }

  std::optional<Value> Of(const std::string& key) const {
    const auto found = values_.find(TableKey(key));
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }

 private:
  static std::string TableKey(const std::string& key) {
    const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(key);
    if (!match || match->modality.empty()) return key;
    return catalogue::Settings()[match->setting].key;
  }

  std::map<std::string, Value> values_;
};

std::string Shown(const StoredSettings& settings, const std::string& key) {
  const Value* value = settings.Find(key);
  return value ? PlainText(*value) : "not stored";
}

std::string Shown(const std::optional<Value>& value) {
  return value ? PlainText(*value) : "not stored";
}

void WriteValueOrNull(JsonWriter& json, const std::optional<Value>& value) {
  if (value) {
    WriteValue(json, *value);
  } else {
    json.Null();
  }
}

}  // namespace

int Tool::Export(const Exclusions& excluded) {
  if (const std::optional<int> status = GuardRead(true)) return *status;
  StoredSettings settings;
  if (ReadStored(excluded, &settings) != XMLR_GET_OK) {
    return FileFailure(catalogue::Groups().front().getter, XMLR_FILE_ERROR);
  }
  JsonWriter json(out_);
  json.BeginObject();
  for (const std::string& key : settings.keys) {
    json.Key(key);
    WriteValue(json, settings.values.at(key));
  }
  json.EndObject();
  return kExitOk;
}

int Tool::Import(const std::string& source, const ImportOptions& options) {
  // With --diff or --json, what storing says gives way to the diff or the one object printed;
  // with --json, what goes wrong is also that object's message.
  std::ostringstream said;
  std::ostringstream errors;
  Tool quiet(in_, said, options.json ? static_cast<std::ostream&>(errors) : err_, swatches_);
  Tool& tool = options.json || options.diff ? quiet : *this;
  std::optional<std::string> text;
  if (source == "-") {
    text = std::string((std::istreambuf_iterator<char>(in_)), std::istreambuf_iterator<char>());
  } else {
    text = ReadWhole(source);
  }
  std::string error;
  const std::optional<JsonMembers> members = text ? ParseFlatObject(*text, &error) : std::nullopt;
  TypedSettings wanted;
  int status = kExitOk;
  Converged converged;
  if (!text) {
    status = tool.Fail(kExitError, source + ": cannot be read");
  } else if (!members) {
    status = tool.Fail(kExitError, source + ": not an export of settings (" + error + ")");
  } else if (members->empty()) {
    if (!options.json) out_ << source << ": no settings, nothing was written\n";
  } else {
    for (const auto& [key, value] : *members) {
      if (!options.excluded.Excludes(key)) wanted.emplace_back(key, value.text);
    }
    PlanOptions plan;
    plan.listsWhole = true;
    plan.replace = options.replace;
    status = tool.Converge(wanted, plan, options.check, options.excluded, &converged);
  }
  // A failure may come after the changes were planned: none of them is reported as made.
  if (status != kExitOk) converged.changes.clear();
  const bool changed = !converged.changes.empty();

  if (options.json) {
    err_ << errors.str();
    JsonWriter json(out_);
    json.BeginObject();
    json.Key("changed");
    json.Boolean(changed);
    if (status != kExitOk) {
      json.Key("failed");
      json.Boolean(true);
    }
    json.Key("diff");
    json.BeginArray();
    for (const KeyChange& change : converged.changes) {
      json.BeginObject();
      json.Key("key");
      json.String(change.key);
      json.Key("before");
      WriteValueOrNull(json, change.before);
      json.Key("after");
      WriteValueOrNull(json, change.after);
      json.EndObject();
    }
    json.EndArray();
    json.Key("msg");
    json.String(status == kExitOk ? Summary(converged.changes.size(), options.check)
                                  : OneMessage(errors.str()));
    json.EndObject();
  } else if (status == kExitOk && (options.diff || options.check)) {
    for (const KeyChange& change : converged.changes) {
      if (!options.diff) break;
      out_ << change.key << ": " << Shown(change.before) << " -> " << Shown(change.after) << "\n";
    }
    out_ << Summary(converged.changes.size(), options.check) << "\n";
  } else if (status == kExitOk && members && !members->empty() && !changed) {
    out_ << "nothing to change: the station holds these values already\n";
  }
  if (status != kExitOk) return status;
  return options.check && changed ? kExitNotFound : kExitOk;
}

int Tool::Reset(const std::string& target) {
  const std::optional<catalogue::KeyMatch> key = catalogue::MatchKey(target);
  const std::optional<Section> section = key ? std::nullopt : FindSection(target);
  if (!key && !section) {
    std::vector<std::string> ids;
    for (const Section& each : FixedSections()) ids.push_back(each.id);
    const std::string hint = KeyHint(target);
    return Fail(kExitError, "\"" + target + "\" is neither a key (see get --help) nor a group (" +
                                KnownSections() + ")" +
                                (hint.empty() ? GroupHint(target, ids) : hint));
  }
  if (const std::optional<int> status = GuardWrite()) return *status;
  // A group's settings as this station's file has them (the entries its lists hold).
  std::vector<std::string> keys;
  if (key) {
    keys.push_back(target);
  } else {
    int32_t code = XMLR_GET_OK;
    const int32_t read = catalogue::WithOneReading([&] {
      const catalogue::GroupValues reading = ReadSection(*section);
      code = reading.code;
      for (const Entry& entry : reading.entries) {
        const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(entry.key);
        if (match && catalogue::Settings()[match->setting].settable) keys.push_back(entry.key);
      }
    });
    if (read == XMLR_FILE_ERROR || code == XMLR_FILE_ERROR) {
      return FileFailure(catalogue::Groups()[section->groups.front()].getter, XMLR_FILE_ERROR);
    }
  }

  FirstRunValues firstRun;
  std::string error;
  if (!firstRun.Load(&error)) return Fail(kExitError, error);
  std::vector<std::pair<std::string, std::string>> changes;
  std::vector<std::string> left;
  for (const std::string& each : keys) {
    if (const std::optional<Value> value = firstRun.Of(each)) {
      changes.emplace_back(each, ToUtf8(catalogue::TextOf(*value)));
    } else {
      left.push_back(each);
    }
  }
  if (changes.empty()) {
    return Fail(kExitError, "refused " + target + ": the first run stores no value for " +
                                (key ? "it" : "any of its settings") + "; nothing was written");
  }
  const int status = StoreIfChanged(changes);
  if (status == kExitOk && !left.empty()) {
    out_ << "  left as they are, as the first run stores no value for them:";
    for (const std::string& each : left) out_ << " " << each;
    out_ << "\n";
  }
  return status;
}

int Tool::Diff(const std::string& other, const Exclusions& excluded) {
  if (const std::optional<int> status = GuardRead()) return *status;
  StoredSettings here;
  if (ReadStored(excluded, &here) != XMLR_GET_OK) {
    return FileFailure(catalogue::Groups().front().getter, XMLR_FILE_ERROR);
  }
  StoredSettings there;
  std::error_code failure;
  if (fs::is_directory(other, failure)) {
    // GroupValues another station's folder must not create a settings file there.
    if (!fs::exists(fs::path(other) / ToUtf8(store::kSettingsFileName), failure)) {
      return Fail(kExitError, other + ": there is no settings file in this folder");
    }
    const fs::path otherFile = fs::path(other) / ToUtf8(store::kSettingsFileName);
    const SettingsFileState state = ExamineSettingsFile(otherFile);
    if (state.Damaged() && !state.HasSettingsRoot()) {
      return Fail(kExitError, other + ": " + DamageSummary(state));
    }
    int32_t code = 0;
    {
      const ExeRootScope scope(other);
      code = ReadStored(excluded, &there);
    }
    if (code != XMLR_GET_OK) return Fail(kExitError, other + ": the settings file cannot be read");
  } else {
    const std::optional<std::string> text = ReadWhole(other);
    if (!text) return Fail(kExitError, other + ": cannot be read");
    std::string error;
    const std::optional<JsonMembers> members = ParseFlatObject(*text, &error);
    if (!members) return Fail(kExitError, other + ": not an export of settings (" + error + ")");
    for (const auto& [key, member] : *members) {
      if (excluded.Excludes(key)) continue;
      const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(key);
      const std::optional<std::u16string> units = FromUtf8Exactly(member.text);
      const std::optional<Value> value =
          match && units ? catalogue::Parse(catalogue::Settings()[match->setting].kind, *units)
                         : std::nullopt;
      if (!value) {
        return Fail(kExitError, other + ": " + key + " = " + JsonQuoted(member.text) +
                                    " is no value of a setting (see get --help)");
      }
      there.Add(key, *value);
    }
  }

  std::vector<std::string> keys = here.keys;
  for (const std::string& key : there.keys) {
    if (!here.values.count(key)) keys.push_back(key);
  }
  size_t differences = 0;
  for (const std::string& key : keys) {
    const auto a = here.values.find(key);
    const auto b = there.values.find(key);
    if (a != here.values.end() && b != there.values.end() &&
        catalogue::SameValue(a->second, b->second)) {
      continue;
    }
    ++differences;
    out_ << key << ": " << Shown(here, key) << " here, " << Shown(there, key) << " there\n";
  }
  if (differences == 0) {
    out_ << "no differences between " << FilePath() << " and " << other << "\n";
    return kExitOk;
  }
  return kExitNotFound;
}

}  // namespace viewersettings::cli
