// The settings file: where it is, reading it whole, writing it back, creating it on first run.
#pragma once

#include <optional>
#include <string>

#include "text/TextEncoding.h"

namespace viewersettings::store {

inline constexpr char16_t kSettingsFileName[] = u"VorelViewerSysSetting.xml";

// The executable root with every trailing separator removed and one appended; the settings file
// and the writers' lock live there.
std::u16string GetExeRoot();
// The executable root followed by the settings file name.
std::u16string GetSettingsFilePath();
// `path` up to and including its last separator.
std::u16string DirectoryOf(const std::u16string& path);
// The directory whose writers' lock guards the settings file at `path`: that of the file itself,
// links followed, so that every folder whose settings file leads there takes the same lock.
std::u16string WritersDirectoryOf(const std::u16string& path);

// The whole file as UTF-16 text, decoded from the encoding it is in (a byte-order mark stays as
// the first character), and the form to write it back in. A missing file is created with the
// first-run defaults first; the old text of an interrupted rewrite in place is put back first.
// Nothing when the file can be neither read nor created, is empty, or stays busy for longer than
// a call waits.
std::optional<text::DecodedText> ReadSettingsText(const std::u16string& path);

// Stores `text` (no terminating NUL) in the file in `form`, the form the file was read in, so
// that the file is always either wholly the old or wholly the new text, and stays the file it was
// (links, owner, permissions, access lists). The new bytes are written to a temporary file beside
// the file (links followed), flushed to stable storage and put in the file's place in one step.
// Where that is refused (the directory takes no new file, the file's owner or other names could
// not be kept) but the file itself can be written, it is rewritten in place under a rollback
// journal (store/Journal.h). A file that exists but cannot be written (read-only) is left as it
// is, and so is one whose text cannot be written in its form. The caller holds the WriterLock of
// WritersDirectoryOf(path).
bool WriteSettingsText(const std::u16string& path, const std::u16string& text, text::TextForm form);

// Creates a missing settings file with the first-run defaults. Entered from ReadSettingsText
// when the file is not there.
bool CreateDefaultSettingsFile(const std::u16string& path);
// Stores the first-run values through the settings' setters, into the file being created: the
// settings' policy (settings/FirstRunSettings.cpp), which the store calls but does not decide.
void StoreFirstRunSettings();

// The text that the first run stores in the settings file at `path` on this station, seeded in
// memory; nothing is written.
std::u16string FirstRunText(const std::u16string& path);

// While one lives on a thread, ReadSettingsText and WriteSettingsText of `path` on that thread
// read and write this text in memory instead of the file, in the form of the files the library
// creates. The first-run defaults are seeded so and reach the disk in one replacement: an
// interrupted first run leaves no half-seeded file.
class InMemorySettingsFile {
 public:
  InMemorySettingsFile(const std::u16string& path, std::u16string text);
  ~InMemorySettingsFile();
  InMemorySettingsFile(const InMemorySettingsFile&) = delete;
  InMemorySettingsFile& operator=(const InMemorySettingsFile&) = delete;
  const std::u16string& Text() const { return text_; }

 private:
  friend std::optional<text::DecodedText> ReadSettingsText(const std::u16string& path);
  friend bool WriteSettingsText(const std::u16string& path, const std::u16string& text,
                                text::TextForm form);
  static InMemorySettingsFile* For(const std::u16string& path);

  const std::u16string& path_;
  std::u16string text_;
  InMemorySettingsFile* outer_;
};

}  // namespace viewersettings::store
