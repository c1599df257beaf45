#include "tools/viewer-settings/NewModalities.h"

#include <algorithm>

#include "store/SettingsFile.h"
#include "text/Utf8.h"

namespace viewersettings::cli {
namespace {

using text::ToUtf8;

constexpr char kListKey[] = "DICOM.Modality<n>";

bool IsListEntry(const std::string& key) {
  const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(key);
  return match && catalogue::Settings()[match->setting].key == kListKey;
}

// What the first run stores on this station, read from its text in memory.
std::vector<catalogue::Entry> FirstRunEntries() {
  const std::u16string path = store::GetSettingsFilePath();
  std::vector<catalogue::Entry> entries;
  store::InMemorySettingsFile file(path, store::FirstRunText(path));
  catalogue::ReadAll(&entries);
  return entries;
}

// The per-modality settings that the first run stores for its modality, by the rest of their key.
std::vector<std::pair<std::string, std::u16string>> FirstRunDisplaySettings() {
  const std::vector<catalogue::Entry> entries = FirstRunEntries();
  std::string prefix;
  for (const catalogue::Entry& entry : entries) {
    if (entry.value && IsListEntry(entry.key)) {
      prefix = "Modality." + ToUtf8(std::get<std::u16string>(*entry.value)) + ".";
      break;
    }
  }
  std::vector<std::pair<std::string, std::u16string>> settings;
  for (const catalogue::Entry& entry : entries) {
    if (prefix.empty() || !entry.value || entry.key.rfind(prefix, 0) != 0) continue;
    settings.emplace_back(entry.key.substr(prefix.size()), catalogue::TextOf(*entry.value));
  }
  return settings;
}

}  // namespace

NewModalitySettings DisplaySettingsOfNewModalities(const std::vector<catalogue::Change>& changes,
                                                   const std::vector<std::u16string>& listed,
                                                   bool fileExists) {
  NewModalitySettings added;
  for (const catalogue::Change& change : changes) {
    if (!IsListEntry(change.key)) continue;
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

std::vector<std::u16string> FirstRunModalities() {
  std::vector<std::u16string> modalities;
  for (const catalogue::Entry& entry : FirstRunEntries()) {
    if (entry.value && IsListEntry(entry.key)) {
      modalities.push_back(std::get<std::u16string>(*entry.value));
    }
  }
  return modalities;
}

}  // namespace viewersettings::cli
