#include "store/SettingsFile.h"

#include <cstring>
#include <limits>

#include "platform/Env.h"

namespace viewersettings::store {
namespace {

using platform::CurrentEnv;
using platform::File;
using platform::OpenMode;

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the settings file is UTF-16LE and is copied to and from memory as it is");

// Opens the file; on failure lets the first-run routine create it and tries once more.
std::unique_ptr<File> OpenOrCreate(const std::u16string& path, OpenMode mode) {
  auto file = CurrentEnv().Open(path, mode);
  if (!file && CreateDefaultSettingsFile(path)) file = CurrentEnv().Open(path, mode);
  return file;
}

}  // namespace

std::u16string GetExeRoot() {
  std::u16string root = platform::GetExeRootPath();
  while (!root.empty() && root.back() == platform::kPathSeparator) root.pop_back();
  root += platform::kPathSeparator;
  return root;
}

std::u16string GetSettingsFilePath() {
  return GetExeRoot() + kSettingsFileName;
}

std::optional<std::u16string> ReadSettingsText(const std::u16string& path) {
  auto file = OpenOrCreate(path, OpenMode::kReadExisting);
  if (!file) return std::nullopt;
  uint64_t bytes = 0;
  if (!file->Length(&bytes) || bytes == 0) return std::nullopt;
  // The engine addresses the text with 32-bit positions.
  if (bytes / 2 >= static_cast<uint64_t>(std::numeric_limits<int32_t>::max() / 2)) {
    return std::nullopt;
  }
  // An odd length leaves a last code unit whose high byte is zero; the string's own terminator
  // follows it, so nothing is read past the buffer.
  std::u16string text((bytes + 1) / 2, u'\0');
  if (!file->SeekToStart() || !file->Read(text.data(), bytes)) return std::nullopt;
  file->Close();
  return text;
}

bool WriteSettingsText(const std::u16string& path, const std::u16string& text) {
  auto file = OpenOrCreate(path, OpenMode::kCreateWrite);
  if (!file) return false;
  return file->SeekToStart() && file->Write(text.data(), text.size() * sizeof(char16_t)) &&
         file->Close();
}

}  // namespace viewersettings::store
