// A modality added to the list through the tool gets the display settings that the first run
// stores for its modality, as the viewer expects every listed modality to have them.
#pragma once

#include <string>
#include <vector>

#include "catalogue/Catalogue.h"

namespace viewersettings::cli {

struct NewModalitySettings {
  std::vector<std::u16string> modalities;  // added by the changes, in their order
  std::vector<catalogue::Change> changes;  // their first-run display settings
};

// For each modality that `changes` add to `listed` (the added modalities before them): the
// first-run display settings that neither the settings file (when `fileExists`) nor `changes`
// hold.
NewModalitySettings DisplaySettingsOfNewModalities(const std::vector<catalogue::Change>& changes,
                                                   const std::vector<std::u16string>& listed,
                                                   bool fileExists);

// The modalities that the first run lists.
std::vector<std::u16string> FirstRunModalities();

}  // namespace viewersettings::cli
