// The groups of the catalogue: each exported getter with its setter, the record they share, and
// how the keys of its leaves are formed. Internal to the catalogue.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/LeafTable.h"

namespace viewersettings::catalogue {

// One group's record, read and stored through the group's exported functions.
class Group {
 public:
  virtual ~Group() = default;
  // Back to the record's initial values: those the caller's record starts from.
  virtual void Reset() = 0;
  virtual int32_t Get() = 0;
  // XMLR_SET_OK when stored.
  virtual int32_t Set() const = 0;
  virtual LeafTable Describe(LeafTable::Purpose purpose) = 0;
};

struct GroupDef {
  std::string getter;  // the exported functions, by name
  std::string setter;  // empty when the library has none
  bool perModality;
  // Keys are the prefix ("<name>" standing for the modality's name), the levels of the access
  // path below the first `baseDepth`, and the leaf: its entry's name within a list, else its
  // element (or what `renamed` gives for it; nothing for an empty segment), then the attribute
  // unless it is "Value".
  std::string keyPrefix;
  size_t baseDepth;
  std::vector<std::pair<std::u16string, std::string>> renamed;
  std::unique_ptr<Group> (*make)(const std::u16string& modality);
  bool listsModalities = false;  // its values are the names of the added modalities
};

// In order of precedence: a key that several groups reach belongs to the first (MinDiskSpace to
// the narrowest getter and setter rather than to all of LocalSetting), and in the order of the
// file, the per-modality groups following the list of added modalities.
const std::vector<GroupDef>& GroupDefs();

}  // namespace viewersettings::catalogue
