// Test support: a temporary directory that the library takes for the executable's directory,
// and helpers to put text into its settings file and take it out again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace testing_support {

// UTF-8 literal text as UTF-16, and back, for readable assertions.
std::u16string U(const std::string& utf8);
std::string Utf8(const std::u16string& text);

class SettingsDir {
 public:
  SettingsDir();
  ~SettingsDir();
  SettingsDir(const SettingsDir&) = delete;
  SettingsDir& operator=(const SettingsDir&) = delete;

  const std::filesystem::path& Path() const { return dir_; }
  std::filesystem::path File() const { return dir_ / "VorelViewerSysSetting.xml"; }
  bool Exists() const { return std::filesystem::exists(File()); }

  // Writes UTF-16LE text (UTF-8 source), with a byte-order mark unless told otherwise.
  void Write(const std::string& utf8, bool byteOrderMark = true) const;
  void WriteBytes(const std::string& bytes) const;
  std::string Bytes() const;
  // The file's code units as UTF-8, without the byte-order mark.
  std::string Text() const;

 private:
  std::filesystem::path dir_;
};

// How many names a file has (std::filesystem answers 1 for every file on some Windows builds).
uintmax_t HardLinkCount(const std::filesystem::path& file);

// The declaration line the library writes.
inline const std::string kDecl = "<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n";

// A settings file holding only the declaration and an empty root, as the library creates it.
inline constexpr const char* kEmptyRoot =
    "<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n<SystemSetting/>\r\n";

}  // namespace testing_support
