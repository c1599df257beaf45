#include "tools/viewer-settings/Exclusions.h"

#include <algorithm>

#include "catalogue/Catalogue.h"
#include "tools/viewer-settings/Sections.h"

namespace viewersettings::cli {

bool Exclusions::Add(const std::string& name, std::string* error) {
  if (name == kStationSpecific) {
    for (const char* key : {"DICOM.LocalImageDir", "DICOM.LocalSCUDir", "DICOM.LocalSCPDir"}) {
      keys_.push_back(key);
    }
    return Add("window", error);
  }
  if (catalogue::MatchKey(name)) {
    keys_.push_back(name);
    return true;
  }
  if (const std::optional<Section> section = FindSection(name)) {
    groups_.push_back({section->groups, section->modality});
    return true;
  }
  *error = "\"" + name + "\" is neither a key (see get --help), a group (" + KnownSections() +
           ") nor \"" + kStationSpecific + "\" (the local folders and the window position)";
  return false;
}

bool Exclusions::Excludes(const std::string& key) const {
  if (std::find(keys_.begin(), keys_.end(), key) != keys_.end()) return true;
  const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(key);
  if (!match) return false;
  const size_t group = catalogue::Settings()[match->setting].group;
  const bool perModality = catalogue::Groups()[group].perModality;
  return std::any_of(groups_.begin(), groups_.end(), [&](const Group& excluded) {
    return std::find(excluded.groups.begin(), excluded.groups.end(), group) !=
               excluded.groups.end() &&
           (!perModality || excluded.modality == match->modality);
  });
}

}  // namespace viewersettings::cli
