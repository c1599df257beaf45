// Settings left out of an export, a diff or an import: those that belong to one station and
// not to the fleet it is kept alike with (its folders, its window position).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace viewersettings::cli {

// The name that stands for the settings every station keeps for itself: the three local DICOM
// folders and the last window position.
inline constexpr char kStationSpecific[] = "station";

class Exclusions {
 public:
  // A key (see get --help), a group of show, or kStationSpecific. False, with what is wrong in
  // `error`, for a name that is none of these.
  bool Add(const std::string& name, std::string* error);
  bool Excludes(const std::string& key) const;

 private:
  struct Group {
    std::vector<size_t> groups;  // in catalogue::Groups()
    std::u16string modality;     // of the display settings of one modality
  };
  std::vector<std::string> keys_;
  std::vector<Group> groups_;
};

}  // namespace viewersettings::cli
