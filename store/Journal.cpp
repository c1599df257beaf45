#include "store/Journal.h"

#include <cstring>
#include <memory>
#include <optional>

#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"
#include "store/WriterLock.h"

namespace viewersettings::store {
namespace {

using platform::CurrentEnv;
using platform::File;
using platform::OpenMode;
using platform::Status;

// The journal: a header that names the settings file and describes the old and the new bytes,
// a check of the header, then the old bytes. Numbers are 64-bit, in the machine's order: a
// journal is only ever read where it was written.
constexpr char kMagic[8] = {'V', 'S', 'J', 'O', 'U', 'R', 'N', '1'};

// A 64-bit check of some bytes, eight at a time: it tells whole bytes from torn ones.
uint64_t Checksum(std::string_view bytes) {
  uint64_t hash = 0x9E3779B97F4A7C15ull ^ bytes.size();
  size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 32;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
  hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
  return hash ^ (hash >> 29);
}

void Append(std::string& out, uint64_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool Take(std::string_view& in, uint64_t* value) {
  if (in.size() < sizeof *value) return false;
  std::memcpy(value, in.data(), sizeof *value);
  in.remove_prefix(sizeof *value);
  return true;
}

std::string HeaderOf(const std::u16string& path, std::string_view old, std::string_view fresh) {
  std::string header(kMagic, sizeof kMagic);
  Append(header, path.size());
  header.append(reinterpret_cast<const char*>(path.data()), path.size() * sizeof(char16_t));
  Append(header, old.size());
  Append(header, Checksum(old));
  Append(header, fresh.size());
  Append(header, Checksum(fresh));
  Append(header, Checksum(header));
  return header;
}

struct Journal {
  std::u16string path;
  std::string_view old;
  uint64_t newLength = 0;
  uint64_t newChecksum = 0;

  bool HoldsTheNewBytes(std::string_view bytes) const {
    return bytes.size() == newLength && Checksum(bytes) == newChecksum;
  }
};

// Nothing unless the journal is whole: one that was cut short was being written when its writer
// stopped, before it touched the settings file.
std::optional<Journal> Parse(std::string_view bytes) {
  std::string_view in = bytes;
  if (in.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic)) return std::nullopt;
  in.remove_prefix(sizeof kMagic);
  Journal journal;
  uint64_t pathUnits = 0;
  if (!Take(in, &pathUnits) || pathUnits > in.size() / sizeof(char16_t)) return std::nullopt;
  journal.path.resize(static_cast<size_t>(pathUnits));
  std::memcpy(&journal.path[0], in.data(), journal.path.size() * sizeof(char16_t));
  in.remove_prefix(journal.path.size() * sizeof(char16_t));
  uint64_t oldLength = 0;
  uint64_t oldChecksum = 0;
  uint64_t headerChecksum = 0;
  if (!Take(in, &oldLength) || !Take(in, &oldChecksum) || !Take(in, &journal.newLength) ||
      !Take(in, &journal.newChecksum)) {
    return std::nullopt;
  }
  const std::string_view header = bytes.substr(0, bytes.size() - in.size());
  if (!Take(in, &headerChecksum) || headerChecksum != Checksum(header) || in.size() != oldLength ||
      Checksum(in) != oldChecksum) {
    return std::nullopt;
  }
  journal.old = in;
  return journal;
}

bool ReadAll(File& file, std::string* bytes) {
  uint64_t length = 0;
  if (!file.Length(&length) || length > bytes->max_size()) return false;
  bytes->resize(static_cast<size_t>(length));
  return file.Read(&(*bytes)[0], bytes->size());
}

// Writes `bytes` over the file's whole content and waits until they are on stable storage.
bool Overwrite(File& file, std::string_view bytes) {
  return file.Seek(0) && file.Write(bytes.data(), bytes.size()) && file.Truncate() && file.Flush();
}

bool DropJournal(const std::u16string& journalPath) {
  // Once removed, a journal that a power cut brings back holds the new bytes, which the file
  // then holds too: nothing is rolled back.
  if (!CurrentEnv().Remove(journalPath)) return false;
  CurrentEnv().SyncDirectory(DirectoryOf(journalPath));
  return true;
}

// The journal is complete and on stable storage, its name included, before the file is touched.
bool WriteJournal(const std::u16string& journalPath, const std::u16string& path,
                  std::string_view old, std::string_view fresh) {
  const std::string header = HeaderOf(path, old, fresh);
  Status status;
  std::unique_ptr<File> journal = CurrentEnv().Open(journalPath, OpenMode::kCreatePrivate, &status);
  if (!journal) return false;
  const bool written = journal->Write(header.data(), header.size()) &&
                       journal->Write(old.data(), old.size()) && journal->Flush() &&
                       journal->Close() && CurrentEnv().SyncDirectory(DirectoryOf(journalPath));
  if (!written) {
    journal.reset();
    CurrentEnv().Remove(journalPath);
  }
  return written;
}

}  // namespace

bool RewriteInPlace(const std::u16string& path, const std::u16string& file,
                    std::string_view bytes) {
  Status status;
  std::unique_ptr<File> target = OpenWhenFree(file, OpenMode::kUpdateExisting, &status);
  if (!target) return false;
  std::string old;
  if (!ReadAll(*target, &old)) return false;
  if (old == bytes) return true;
  const std::u16string journalPath = CurrentEnv().JournalPath(path);
  if (!WriteJournal(journalPath, path, old, bytes)) return false;
  if (!Overwrite(*target, bytes)) {
    // The old bytes go back at once; where even that fails, the journal stays for the next call.
    if (Overwrite(*target, old)) {
      target.reset();
      DropJournal(journalPath);
    }
    return false;
  }
  target.reset();
  // A journal that stays is found with the new bytes in the file, and dropped then.
  DropJournal(journalPath);
  return true;
}

bool JournalMayExist(const std::u16string& path) {
  // A file of that name that another user owns is not this user's journal.
  const Status status = CurrentEnv().FindJournal(path);
  return status != Status::kNotFound && status != Status::kDenied;
}

bool RecoverInterruptedRewrite(const std::u16string& path) {
  WriterLock lock(WritersDirectoryOf(path));
  if (!lock.Held()) return false;
  const std::u16string journalPath = CurrentEnv().JournalPath(path);
  std::string bytes;
  Status status;
  {
    std::unique_ptr<File> journal = OpenWhenFree(journalPath, OpenMode::kReadPrivate, &status);
    if (!journal) return status == Status::kNotFound || status == Status::kDenied;
    if (!ReadAll(*journal, &bytes)) return false;
  }
  const std::optional<Journal> journal = Parse(bytes);
  if (!journal) return DropJournal(journalPath);
  if (journal->path != path) return true;  // another file's, under a name that hashes alike
  std::unique_ptr<File> target =
      OpenWhenFree(CurrentEnv().ResolveLinks(path), OpenMode::kUpdateExisting, &status);
  // A file that was removed since has nothing to put back into.
  if (!target) return status == Status::kNotFound && DropJournal(journalPath);
  std::string current;
  if (!ReadAll(*target, &current)) return false;
  if (current != journal->old && !journal->HoldsTheNewBytes(current) &&
      !Overwrite(*target, journal->old)) {
    return false;
  }
  target.reset();
  return DropJournal(journalPath);
}

}  // namespace viewersettings::store
