// The settings files the benchmarks run on, generated at start-up in a temporary directory of
// their own and removed at exit: a station's realistic file of about 17 KB, written by the
// library's own setters, the same file in UTF-8, and a file of about 8 MB holding thousands of
// modalities.
#pragma once

#include <string>

namespace bench {

struct SettingsInput {
  std::string label;         // "17KB", "17KB-UTF-8" or "8MB", part of the benchmark names
  std::u16string directory;  // what SetExeRootPathOverride gets for this file
  std::string filePath;      // the settings file
  std::string floorPath;     // a file beside it that the floors write
  std::string bytes;         // the file: UTF-16LE (or UTF-8) with byte-order mark
  std::u16string text;       // the same as code units, byte-order mark first
  std::string utf8;          // its UTF-8 conversion, for the parsers that read UTF-8
};

// Builds the inputs under `root`, which must exist and be empty.
SettingsInput MakeStationInput(const std::string& root);
SettingsInput MakeLargeInput(const std::string& root, const SettingsInput& station);
// The station's file as an editor saves it in UTF-8, byte-order mark included.
SettingsInput MakeUtf8Input(const std::string& root, const SettingsInput& station);

// Makes `input` the settings file that the exported functions use.
void UseSettingsOf(const SettingsInput& input);

}  // namespace bench
