// The groups of settings as `show` prints them and `reset` takes them: each a section of the
// file read through the catalogue's groups of that section.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Catalogue.h"

namespace viewersettings::cli {

struct Section {
  std::string id;                // as `show GROUP` and `reset GROUP` take it
  std::string title;             // for people
  std::string note;              // what a reading of this section cannot tell
  std::vector<size_t> groups;    // in catalogue::Groups()
  std::u16string modality = {};  // for the display settings of one modality
  bool listsModalities = false;  // the display settings of each modality it names follow it
};

inline constexpr std::string_view kModalityPrefix = "Modality.";

// In the order of show, before the display settings of the modalities.
std::vector<Section> FixedSections();
// All display settings of one modality; its id is "Modality.<name>".
Section ModalitySection(const std::u16string& name);
// The section that `id` names, or nothing.
std::optional<Section> FindSection(const std::string& id);
// The ids, for messages.
std::string KnownSections();

// The readings of the section's groups: the first result other than XMLR_GET_OK (else that), and
// every entry in order.
catalogue::GroupValues ReadSection(const Section& section);

}  // namespace viewersettings::cli
