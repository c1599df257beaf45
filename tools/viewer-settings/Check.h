// Looks through a settings file, without changing it, for what would surprise the library: the
// damage that keeps it from reading the file as settings (Damage.h), a missing byte-order mark,
// elements of which only the first is read, leaves that stand before a sibling after which they
// are looked for, and one-byte font fields that hold a number typed by hand.
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
  bool damaged = false;   // the library cannot read it as settings, or setters cannot store
  std::vector<Finding> findings;
};

CheckReport CheckSettingsFile(const std::filesystem::path& file);

}  // namespace viewersettings::cli
