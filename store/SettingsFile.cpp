#include "store/SettingsFile.h"

#include <limits>
#include <string_view>

#include "platform/Env.h"
#include "store/Journal.h"
#include "store/Wait.h"

namespace viewersettings::store {
namespace {

using platform::CurrentEnv;
using platform::OpenMode;
using platform::Status;

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
    if (replaced) return;
    try {
      CurrentEnv().Remove(path);
    } catch (...) {
      // Out of memory: the next write-back removes it before it makes its own.
    }
  }
  const std::u16string path;
  std::unique_ptr<platform::File> file;
  bool replaced = false;
};

// Puts a new file holding `bytes` in the place of `file`, or says why not: kDenied where the
// directory refuses the new file or the replacement could not keep the file what it was.
Status ReplaceWith(const std::u16string& file, std::string_view bytes) {
  TemporaryFile temporary(TemporaryPathOf(file));
  CurrentEnv().Remove(temporary.path);
  Status status;
  temporary.file = CurrentEnv().Open(temporary.path, OpenMode::kCreateNew, &status);
  if (!temporary.file) return status;
  if (!WriteWhole(*temporary.file, bytes)) return Status::kFailed;
  status = RetryWhileBusy([&] { return CurrentEnv().Replace(temporary.path, file); });
  if (status != Status::kOk) return status;
  temporary.replaced = true;
  return CurrentEnv().SyncDirectory(DirectoryOf(file)) ? Status::kOk : Status::kFailed;
}

// The file's whole content, decoded; `file` stays open.
std::optional<text::DecodedText> ReadOpenFile(platform::File& file) {
  uint64_t bytes = 0;
  if (!file.Length(&bytes) || bytes == 0) return std::nullopt;
  // The engine addresses the text with 32-bit positions.
  constexpr size_t kMaxUnits = std::numeric_limits<int32_t>::max() / 2;
  if (bytes / 2 >= kMaxUnits) return std::nullopt;
  // An odd length leaves a last code unit with a zero byte; the string's own terminator follows
  // it, so nothing is read past the buffer.
  std::u16string units(static_cast<size_t>((bytes + 1) / 2), u'\0');
  if (!file.Read(units.data(), static_cast<size_t>(bytes))) return std::nullopt;
  text::DecodedText decoded = text::DecodeFileText(std::move(units), static_cast<size_t>(bytes));
  // UTF-8 gives up to one unit a byte, twice as many as UTF-16.
  if (decoded.text.size() > kMaxUnits) return std::nullopt;
  return decoded;
}

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

std::u16string DirectoryOf(const std::u16string& path) {
  return path.substr(0, path.find_last_of(platform::kPathSeparator) + 1);
}

std::u16string WritersDirectoryOf(const std::u16string& path) {
  return DirectoryOf(CurrentEnv().ResolveLinks(path));
}

std::optional<text::DecodedText> ReadSettingsText(const std::u16string& path) {
  if (const InMemorySettingsFile* inMemory = InMemorySettingsFile::For(path)) {
    return text::DecodedText{inMemory->text_, text::TextForm{}};
  }
  Status status;
  auto file = OpenWhenFree(path, OpenMode::kReadExisting, &status);
  // A file that is only busy is never created over; anything else may be a missing file.
  if (!file && status != Status::kBusy && CreateDefaultSettingsFile(path)) {
    file = OpenWhenFree(path, OpenMode::kReadExisting, &status);
  }
  if (!file) return std::nullopt;
  std::optional<text::DecodedText> text = ReadOpenFile(*file);
  // While the file is held, no rewrite in place can begin or end: a journal seen now is that of
  // one that was interrupted, and what was read may be torn.
  if (!JournalMayExist(path)) return text;
  file.reset();
  RecoverInterruptedRewrite(path);
  file = OpenWhenFree(path, OpenMode::kReadExisting, &status);
  return file ? ReadOpenFile(*file) : std::nullopt;
}

bool WriteSettingsText(const std::u16string& path, const std::u16string& text,
                       text::TextForm form) {
  // Below, only these bytes are written.
  const std::optional<text::FileBytes> encoded = text::EncodeFileText(text, form);
  if (!encoded) return false;
  const std::string_view bytes = encoded->View();
  if (InMemorySettingsFile* inMemory = InMemorySettingsFile::For(path)) {
    inMemory->text_ = text;
    return true;
  }
  // While an interrupted rewrite's journal stays, whatever is written would be rolled back.
  if (JournalMayExist(path)) return false;
  const std::u16string file = CurrentEnv().ResolveLinks(path);
  Status status;
  // A file that cannot be written is left as it is, whatever its directory allows.
  if (!OpenWhenFree(file, OpenMode::kWriteExisting, &status) && status != Status::kNotFound) {
    return false;
  }
  const bool exists = status == Status::kOk;
  const Status replaced = ReplaceWith(file, bytes);
  if (replaced == Status::kDenied && exists) return RewriteInPlace(path, file, bytes);
  return replaced == Status::kOk;
}

}  // namespace viewersettings::store
