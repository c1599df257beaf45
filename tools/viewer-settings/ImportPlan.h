// What storing a set of settings would change on a station: per key, the value before and the
// value after, for import, set and reset alike, so that a station that already holds them is
// left untouched and a drift check can tell "changed" from "already so".
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/Catalogue.h"
#include "tools/viewer-settings/Exclusions.h"

namespace viewersettings::cli {

// Settings by key in their order.
struct StoredSettings {
  std::vector<std::string> keys;
  std::map<std::string, catalogue::Value> values;

  void Add(const std::string& key, catalogue::Value value);
  const catalogue::Value* Find(const std::string& key) const;
};

// Every setting that the file stores and a setter can store again, less the excluded ones: what
// export writes. XMLR_GET_OK, or XMLR_FILE_ERROR when the file cannot be read whole.
int32_t ReadStored(const Exclusions& excluded, StoredSettings* settings);

// Keys and values as typed (UTF-8), in their order.
using TypedSettings = std::vector<std::pair<std::string, std::string>>;

struct KeyChange {
  std::string key;
  std::optional<catalogue::Value> before;  // nothing: not stored
  std::optional<catalogue::Value> after;   // nothing: removed
};

struct PlanOptions {
  // A list that the settings give as an export holds it (patient-list columns and added
  // modalities from entry 0 on, ECG colours and smoothing filters) is taken whole: the
  // station's entries that they do not mention go.
  bool listsWhole = false;
  // Every stored setting that they do not hold goes.
  bool replace = false;
};

struct Plan {
  std::vector<catalogue::Refusal> refusals;  // not empty: nothing may be written
  std::vector<KeyChange> changes;            // the values set, in their order, then removals
};

// Compares as the file keeps values (floats with six decimals), so that a value read back never
// counts as a change. A key given twice takes its last value.
Plan PlanChanges(const TypedSettings& wanted, const StoredSettings& stored,
                 const PlanOptions& options);

}  // namespace viewersettings::cli
