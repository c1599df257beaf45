#include "tools/viewer-settings/NewModalities.h"

#include <algorithm>

#include "store/SettingsFile.h"
#include "text/Utf8.h"

namespace viewersettings::cli {
namespace {

using text::ToUtf8;

constexpr char kListKey[] = "DICOM.Modality<n>";
constexpr char kFirstRunModality[] = "Modality.General.";

// The per-modality settings that the first run stores for its modality, by the rest of their key.
std::vector<std::pair<std::string, std::u16string>> FirstRunDisplaySettings() {
  const std::u16string path = store::GetSettingsFilePath();
  std::vector<catalogue::Entry> entries;
  {
    store::InMemorySettingsFile file(path, store::FirstRunText(path));
    catalogue::ReadAll(&entries);
  }
  std::vector<std::pair<std::string, std::u16string>> settings;
  for (const catalogue::Entry& entry : entries) {
    if (!entry.value || entry.key.rfind(kFirstRunModality, 0) != 0) continue;
    settings.emplace_back(entry.key.substr(sizeof kFirstRunModality - 1),
                          catalogue::TextOf(*entry.value));
  }
  return settings;
}

}  // namespace

NewModalitySettings DisplaySettingsOfNewModalities(const std::vector<catalogue::Change>& changes,
                                                   const std::vector<std::u16string>& listed,
                                                   bool fileExists) {
  NewModalitySettings added;
  for (const catalogue::Change& change : changes) {
    const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(change.key);
    if (!match || catalogue::Settings()[match->setting].key != kListKey) continue;
    if (std::find(listed.begin(), listed.end(), change.text) != listed.end() ||
        std::find(added.modalities.begin(), added.modalities.end(), change.text) !=
            added.modalities.end()) {
      continue;
    }
    added.modalities.push_back(change.text);
  }
  if (added.modalities.empty()) return added;
  const auto settings = FirstRunDisplaySettings();
  const auto collect = [&] {
    for (const std::u16string& modality : added.modalities) {
      const std::string prefix = "Modality." + ToUtf8(modality) + ".";
      for (const auto& [rest, text] : settings) {
        const std::string key = prefix + rest;
        const bool changed = std::any_of(changes.begin(), changes.end(),
                                         [&](const auto& each) { return each.key == key; });
        if (changed || (fileExists && catalogue::Get(key).value)) continue;
        added.changes.push_back({key, text});
      }
    }
  };
  if (fileExists) {
    catalogue::WithOneReading(collect);
  } else {
    collect();
  }
  return added;
}

}  // namespace viewersettings::cli
