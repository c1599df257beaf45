#include "store/SettingsFile.h"

#include <limits>
#include <string_view>

#include "platform/Env.h"
#include "store/Wait.h"

namespace viewersettings::store {
namespace {

using platform::CurrentEnv;
using platform::OpenMode;
using platform::Status;

std::u16string DirectoryOf(const std::u16string& path) {
  return path.substr(0, path.find_last_of(platform::kPathSeparator) + 1);
}

// Writers hold the directory's lock, so a temporary file found here is the leftover of a writer
// that was interrupted; its name is fixed so that such leftovers never pile up.
std::u16string TemporaryPathOf(const std::u16string& path) {
  return path + u".tmp";
}

bool WriteWhole(platform::File& file, std::string_view bytes) {
  return file.Write(bytes.data(), bytes.size()) && file.Flush() && file.Close();
}

// The temporary file of a write-back, removed unless it took the settings file's place, however
// the write-back ends (out of memory included).
struct TemporaryFile {
  explicit TemporaryFile(std::u16string name) : path(std::move(name)) {}
  ~TemporaryFile() {
    file.reset();
    if (!replaced) CurrentEnv().Remove(path);
  }
  const std::u16string path;
  std::unique_ptr<platform::File> file;
  bool replaced = false;
};

thread_local InMemorySettingsFile* t_inMemory = nullptr;

}  // namespace

InMemorySettingsFile::InMemorySettingsFile(const std::u16string& path, std::u16string text)
    : path_(path), text_(std::move(text)), outer_(t_inMemory) {
  t_inMemory = this;
}

InMemorySettingsFile::~InMemorySettingsFile() {
  t_inMemory = outer_;
}

InMemorySettingsFile* InMemorySettingsFile::For(const std::u16string& path) {
  for (InMemorySettingsFile* file = t_inMemory; file; file = file->outer_) {
    if (file->path_ == path) return file;
  }
  return nullptr;
}

std::u16string GetExeRoot() {
  std::u16string root = platform::GetExeRootPath();
  while (!root.empty() && root.back() == platform::kPathSeparator) root.pop_back();
  root += platform::kPathSeparator;
  return root;
}

std::u16string GetSettingsFilePath() {
  return GetExeRoot() + kSettingsFileName;
}

std::optional<DecodedText> ReadSettingsText(const std::u16string& path) {
  if (const InMemorySettingsFile* inMemory = InMemorySettingsFile::For(path)) {
    return DecodedText{inMemory->text_, TextForm{}};
  }
  Status status;
  auto file = OpenWhenFree(path, OpenMode::kReadExisting, &status);
  // A file that is only busy is never created over; anything else may be a missing file.
  if (!file && status != Status::kBusy && CreateDefaultSettingsFile(path)) {
    file = OpenWhenFree(path, OpenMode::kReadExisting, &status);
  }
  if (!file) return std::nullopt;
  uint64_t bytes = 0;
  if (!file->Length(&bytes) || bytes == 0) return std::nullopt;
  // The engine addresses the text with 32-bit positions.
  constexpr size_t kMaxUnits = std::numeric_limits<int32_t>::max() / 2;
  if (bytes / 2 >= kMaxUnits) return std::nullopt;
  // An odd length leaves a last code unit with a zero byte; the string's own terminator follows
  // it, so nothing is read past the buffer.
  std::u16string units(static_cast<size_t>((bytes + 1) / 2), u'\0');
  if (!file->Read(units.data(), static_cast<size_t>(bytes))) return std::nullopt;
  file->Close();
  DecodedText decoded = DecodeFileText(std::move(units), static_cast<size_t>(bytes));
  // UTF-8 gives up to one unit a byte, twice as many as UTF-16.
  if (decoded.text.size() > kMaxUnits) return std::nullopt;
  return decoded;
}

bool WriteSettingsText(const std::u16string& path, const std::u16string& text, TextForm form) {
  // Below, only these bytes are written.
  const std::optional<FileBytes> encoded = EncodeFileText(text, form);
  if (!encoded) return false;
  const std::string_view bytes = encoded->View();
  if (InMemorySettingsFile* inMemory = InMemorySettingsFile::For(path)) {
    inMemory->text_ = text;
    return true;
  }
  Status status;
  if (!OpenWhenFree(path, OpenMode::kWriteExisting, &status) && status != Status::kNotFound) {
    return false;
  }
  const std::u16string directory = DirectoryOf(path);
  TemporaryFile temporary(TemporaryPathOf(path));
  CurrentEnv().Remove(temporary.path);
  temporary.file = CurrentEnv().Open(temporary.path, OpenMode::kCreateNew, &status);
  if (!temporary.file) return false;
  temporary.replaced =
      WriteWhole(*temporary.file, bytes) &&
      RetryWhileBusy([&] { return CurrentEnv().Replace(temporary.path, path); }) == Status::kOk;
  return temporary.replaced && CurrentEnv().SyncDirectory(directory);
}

}  // namespace viewersettings::store
