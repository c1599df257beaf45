// The settings file: where it is, reading it whole, writing it back, creating it on first run.
#pragma once

#include <optional>
#include <string>

namespace viewersettings::store {

inline constexpr char16_t kSettingsFileName[] = u"VorelViewerSysSetting.xml";

// The executable root with every trailing separator removed and one appended; the settings file
// and the writers' lock live there.
std::u16string GetExeRoot();
// The executable root followed by the settings file name.
std::u16string GetSettingsFilePath();

// The whole file as UTF-16LE code units (a byte-order mark stays as the first character).
// A missing file is created with the first-run defaults first. Nothing when the file can be
// neither read nor created, is empty, or stays busy for longer than a call waits.
std::optional<std::u16string> ReadSettingsText(const std::u16string& path);

// Replaces the file by one holding `text` (no terminating NUL): the new text is written to a
// temporary file beside it, flushed to stable storage and put in the file's place in one step,
// so that the file is always either wholly the old or wholly the new text. A file that exists
// but cannot be written (read-only) is left as it is. The caller holds the WriterLock of the
// directory.
bool WriteSettingsText(const std::u16string& path, const std::u16string& text);

// Creates a missing settings file with the first-run defaults. Entered from ReadSettingsText
// when the file is not there.
bool CreateDefaultSettingsFile(const std::u16string& path);

}  // namespace viewersettings::store
