// Looks through a settings file, without changing it, for what would surprise the library: text
// the engine cannot parse, a root of another name, a missing byte-order mark, elements of which
// only the first is read, and leaves that stand before a sibling after which they are looked for.
// Bytes that are not valid in the file's encoding are reported by line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace viewersettings::cli {

struct Finding {
  int line = 0;  // 1-based; 0 when the finding concerns the whole file
  std::string message;
};

struct CheckReport {
  bool exists = false;
  std::string readError;  // not empty: the file exists but could not be read
  std::string encoding;   // as found, e.g. "UTF-8 without a byte-order mark"; empty for no bytes
  std::vector<Finding> findings;
};

CheckReport CheckSettingsFile(const std::filesystem::path& file);

}  // namespace viewersettings::cli
