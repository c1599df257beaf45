// Storing settings: set, reset and import plan what would change, store only that, and say what
// changed or that nothing needed changing.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "ViewerSettings.h"
#include "store/SettingsFile.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/Cli.h"
#include "tools/viewer-settings/Tool.h"
#include "tools/viewer-settings/ValueText.h"

namespace viewersettings::cli {
namespace {

namespace fs = std::filesystem;
using catalogue::Entry;
using text::ToUtf8;

// The modality a per-modality key names, when it is not among the added modalities.
std::optional<std::string> UnlistedModality(const std::string& key) {
  const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(key);
  if (!match || match->modality.empty()) return std::nullopt;
  const std::vector<std::u16string> added = catalogue::AddedModalities();
  if (std::find(added.begin(), added.end(), match->modality) != added.end()) return std::nullopt;
  return ToUtf8(match->modality);
}

std::string TypedText(const TypedSettings& typed, const std::string& key) {
  std::string text;
  for (const auto& [each, value] : typed) {
    if (each == key) text = value;
  }
  return text;
}

}  // namespace

std::string OneMessage(const std::string& errors) {
  std::istringstream lines(errors);
  std::string message;
  const std::string prefix = std::string(kToolName) + ": ";
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, prefix.size(), prefix) == 0) line.erase(0, prefix.size());
    if (line.compare(0, 6, "note: ") == 0) continue;
    message += (message.empty() ? "" : "; ") + line;
  }
  return message;
}

std::string Summary(size_t changes, bool check) {
  if (changes == 0) return "nothing to change";
  return std::to_string(changes) + (changes == 1 ? " setting " : " settings ") +
         (check ? "would change" : "changed");
}

int Tool::Converge(const TypedSettings& wanted, const PlanOptions& options, bool check,
                   const Exclusions& excluded, Converged* result) {
  // Keys and values are checked before the file is read, so that a refusal creates no file.
  bool refused = false;
  for (const catalogue::Refusal& refusal : PlanChanges(wanted, {}, options).refusals) {
    refused = true;
    Fail(kExitError, RefusalMessage(refusal, TypedText(wanted, refusal.key)));
    if (refusal.code == XMLR_UNKNOWN_KEY &&
        refusal.key.compare(0, kModalityPrefix.size(), kModalityPrefix) == 0) {
      err_ << kToolName << ": note: a modality name may not hold "
           << catalogue::kModalityNameRefuses << "\n";
    }
  }
  if (refused) return Fail(kExitError, "nothing was written");
  // Checking never creates a missing file: every setting wanted is then a change.
  StoredSettings stored;
  std::error_code error;
  const bool absent = !fs::exists(FilePath(), error) && !error;
  if (!(check && absent) && ReadStored(excluded, &stored) != XMLR_GET_OK) {
    return FileFailure(catalogue::Groups().front().getter, XMLR_FILE_ERROR);
  }
  const Plan plan = PlanChanges(wanted, stored, options);
  result->changes = plan.changes;
  if (check || plan.changes.empty()) return kExitOk;

  std::vector<catalogue::Change> sets;
  std::vector<std::string> removals;
  for (const KeyChange& change : plan.changes) {
    if (change.after) {
      // As typed, so that a note can tell when the file keeps less than was given.
      sets.push_back({change.key, text::FromUtf8(TypedText(wanted, change.key))});
    } else {
      removals.push_back(change.key);
    }
  }
  const catalogue::StoreReport report = catalogue::Store(sets, removals);
  for (const catalogue::Refusal& refusal : report.refusals) {
    Fail(kExitError, RefusalMessage(refusal, TypedText(wanted, refusal.key)));
  }
  if (!report.refusals.empty()) return Fail(kExitError, "nothing was written");
  if (report.code != XMLR_SET_OK) return FileFailure(report.function, report.code);
  // What went into the records (a face name is cut to its field).
  for (KeyChange& change : result->changes) {
    for (const Entry& entry : report.stored) {
      if (entry.key == change.key && change.after) change.after = entry.value;
    }
  }
  result->alsoStored = report.alsoStored;
  return kExitOk;
}

int Tool::StoreChanges(const TypedSettings& typed) {
  Converged converged;
  const int status = Converge(typed, {}, false, {}, &converged);
  if (status == kExitOk) PrintChanged(converged);
  return status;
}

void Tool::PrintChanged(const Converged& converged) {
  if (converged.changes.empty()) {
    out_ << "nothing to change: the station holds these values already\n";
    return;
  }
  for (const KeyChange& change : converged.changes) {
    if (!change.after) {
      out_ << "removed " << change.key << " (was " << ShownText(*change.before) << ")\n";
      continue;
    }
    out_ << change.key << " = " << ShownText(*change.after) << "\n";
    // Floats are stored with six decimals, so what the file keeps may differ from what was given.
    const catalogue::KeyValue after = catalogue::Get(change.key);
    if (after.value && !catalogue::SameValue(*after.value, *change.after)) {
      err_ << kToolName << ": note: " << change.key << " reads back as " << ShownText(*after.value)
           << "\n";
    }
  }
  for (const Entry& entry : converged.alsoStored) {
    out_ << "  also stored, as it was not stored before: " << entry.key << " = "
         << ShownText(*entry.value) << "\n";
  }
  std::vector<std::string> noted;
  for (const KeyChange& change : converged.changes) {
    const std::optional<std::string> unlisted = UnlistedModality(change.key);
    if (!change.after || !unlisted ||
        std::find(noted.begin(), noted.end(), *unlisted) != noted.end()) {
      continue;
    }
    noted.push_back(*unlisted);
    err_ << kToolName << ": note: the modality " << *unlisted
         << " is not among the added modalities (see show modalities); the viewer may not use "
            "its settings\n";
  }
}

}  // namespace viewersettings::cli
