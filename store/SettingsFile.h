// The settings file: where it is, reading it whole, writing it back, creating it on first run.
#pragma once

#include <optional>
#include <string>

namespace viewersettings::store {

inline constexpr char16_t kSettingsFileName[] = u"VorelViewerSysSetting.xml";

// The executable root with every trailing separator removed and one appended.
std::u16string GetExeRoot();
// The executable root followed by the settings file name.
std::u16string GetSettingsFilePath();

// The whole file as UTF-16LE code units (a byte-order mark stays as the first character).
// Nothing when the file can be neither opened nor created, is empty, or cannot be read.
std::optional<std::u16string> ReadSettingsText(const std::u16string& path);

// Replaces the file's content by `text`, without a terminating NUL. False when the file can be
// neither opened nor created, or the write fails.
bool WriteSettingsText(const std::u16string& path, const std::u16string& text);

// Creates a missing settings file with the first-run defaults. Entered from ReadSettingsText and
// WriteSettingsText when their open fails.
bool CreateDefaultSettingsFile(const std::u16string& path);

}  // namespace viewersettings::store
