// What keeps the library from reading a settings file as settings, or setters from storing into
// it: no SystemSetting root where the library looks, text the engine cannot parse, text before or
// after the root, bytes that are not valid in the file's encoding. `check` lists each of them;
// the commands that read or store settings look here first and say what is wrong, and `repair`
// starts from here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "text/TextEncoding.h"
#include "text/Utf8.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::cli {

enum class DamageKind {
  kNoSettingsRoot,   // the file is empty, or its text parses but its root is not SystemSetting
  kUnparsable,       // the engine cannot parse the text: no root at all
  kTextOutsideRoot,  // text, a second element or a NUL before or after the root
  kInvalidBytes,     // bytes not valid in the encoding: read as U+FFFD, never written back
};

struct Damage {
  DamageKind kind;
  int line;             // 1-based; 0 for the whole file
  std::string message;  // as check reports it
  std::string brief;    // for one line on the error output, e.g. "it holds text after its root"
};

// A settings file as the library would read it, and what is wrong with it.
struct SettingsFileState {
  bool exists = false;
  std::string readError;  // not empty: the file exists but could not be read
  std::string bytes;
  text::DecodedText decoded;  // as the library decodes it
  std::vector<text::MalformedBytes> malformed;
  CXmlDocument doc;     // the decoded text, parsed by the engine
  bool parsed = false;  // the engine found a root element
  std::vector<Damage> damage;

  // Whether the library can read settings from the file at all.
  bool HasSettingsRoot() const;
  bool Damaged() const { return !damage.empty(); }
};

SettingsFileState ExamineSettingsFile(const std::filesystem::path& file);

// The damage in one line: the first kind found, with its line, and how many more; then what
// follows from it for reading.
std::string DamageSummary(const SettingsFileState& state);

// The line of an offset into the decoded text.
int LineOfOffset(const std::u16string& text, size_t offset);

}  // namespace viewersettings::cli
