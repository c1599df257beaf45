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
  // Keys and values are checked before the file is read, so that a refusal creates no file; the
  // catalogue's refusals are told as set tells them, by storing, which then writes nothing.
  if (!PlanChanges(wanted, {}, options).refusals.empty()) return StoreChanges(wanted);
  // Checking never creates a missing file: every setting wanted is then a change. A damaged
  // file is refused as set refuses it; checking, only one from which nothing can be read.
  std::error_code error;
  const bool absent = !fs::exists(FilePath(), error) && !error;
  if (!(check && absent)) {
    if (const std::optional<int> status = check ? GuardRead() : GuardWrite()) return *status;
  }
  StoredSettings stored;
  if (!(check && absent) && ReadStored(excluded, &stored) != XMLR_GET_OK) {
    return FileFailure(catalogue::Groups().front().getter, XMLR_FILE_ERROR);
  }
  const Plan plan = PlanChanges(wanted, stored, options);
  result->changes = plan.changes;
  if (check || plan.changes.empty()) return kExitOk;

  TypedSettings sets;
  std::vector<std::string> removals;
  for (const KeyChange& change : plan.changes) {
    if (change.after) {
      // As typed, so that a note can tell when the file keeps less than was given.
      sets.emplace_back(change.key, TypedText(wanted, change.key));
    } else {
      removals.push_back(change.key);
    }
  }
  return StoreChanges(sets, removals);
}

int Tool::StoreIfChanged(const TypedSettings& typed) {
  Converged converged;
  const int status = Converge(typed, {}, false, {}, &converged);
  if (status == kExitOk && converged.changes.empty()) {
    out_ << "nothing to change: the station holds these values already\n";
  }
  return status;
}

}  // namespace viewersettings::cli
