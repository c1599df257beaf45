#include "support/SettingsDir.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "ViewerSettings.h"
#include "text/Utf8.h"

namespace testing_support {

namespace fs = std::filesystem;

uintmax_t HardLinkCount(const fs::path& file) {
#if defined(_WIN32)
  const HANDLE handle =
      CreateFileW(file.wstring().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  return known ? info.nNumberOfLinks : 0;
#else
  return fs::hard_link_count(file);
#endif
}

std::u16string U(const std::string& utf8) {
  return viewersettings::text::FromUtf8(utf8);
}
std::string Utf8(const std::u16string& text) {
  return viewersettings::text::ToUtf8(text);
}

namespace {

// Directories can nest (a helper builds a file in a directory of its own while a test holds
// another); the innermost one is the executable's directory, and leaving it returns to the next.
std::vector<std::u16string>& OpenDirectories() {
  static std::vector<std::u16string> dirs;
  return dirs;
}

}  // namespace

SettingsDir::SettingsDir() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("vs-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) dir_ = candidate;
  }
  if (dir_.empty()) throw std::runtime_error("cannot create a temporary directory");
  OpenDirectories().push_back(dir_.u16string());
  SetExeRootPathOverride(dir_.u16string());
}

SettingsDir::~SettingsDir() {
  auto& dirs = OpenDirectories();
  dirs.erase(std::find(dirs.begin(), dirs.end(), dir_.u16string()));
  SetExeRootPathOverride(dirs.empty() ? u"" : dirs.back());
  std::error_code ignored;
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(dir_, ignored);
}

void SettingsDir::Write(const std::string& utf8, bool byteOrderMark) const {
  std::u16string text = U(utf8);
  if (byteOrderMark) text.insert(text.begin(), u'\xFEFF');
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  WriteBytes(bytes);
}

void SettingsDir::WriteBytes(const std::string& bytes) const {
  std::ofstream out(File(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write the settings file");
}

std::string SettingsDir::Bytes() const {
  std::ifstream in(File(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string SettingsDir::Text() const {
  const std::string bytes = Bytes();
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  if (!text.empty() && text[0] == u'\xFEFF') text.erase(0, 1);
  return Utf8(text);
}

}  // namespace testing_support
