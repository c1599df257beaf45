// Test support: a disk in memory in place of the platform, which loses power on demand.
//
// Files are inodes whose content is volatile until Flush makes it durable. Each directory maps
// names to inodes twice: the names as they are now, and the names a restart would find, which
// SyncDirectory brings up to date; creating, replacing and removing change only the former.
// CutPowerAt makes one operation and every one after it fail without effect; PowerCycle then
// drops what was volatile (or tears it), as a restart after the cut finds the disk. Opens are
// exclusive, and a file that is open can be neither replaced nor removed, as on Windows.
//
// It puts itself in place of the platform for its lifetime. The executable's directory is the one
// it is made with; journals go to a directory "journals" of their own; nothing but the library
// takes the writers' lock.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace testing_support {

class SimulatedDisk final : public viewersettings::platform::Env {
 public:
  // What a power cut does to the name changes that were not yet made durable.
  enum class Renames { kUndone, kKept };
  // What a power cut does to content that was written but not flushed: it is lost, or the disk
  // wrote the first half of it over the old content (a torn write).
  enum class Writes { kLost, kTorn };
  // What the disk does when the library opens, renames or removes a file it holds open, uses a
  // file it has closed or takes the writers' lock it holds: with one thread running, nobody else
  // can hold them, so each is a fault of the library's.
  enum class Misuse {
    kFails,   // the operation fails as the real platform's would
    kAborts,  // the run ends with a message, at the stack that shows where
  };

  explicit SimulatedDisk(std::u16string executableDirectory, Misuse misuse = Misuse::kFails);
  ~SimulatedDisk() override;
  SimulatedDisk(const SimulatedDisk&) = delete;
  SimulatedDisk& operator=(const SimulatedDisk&) = delete;

  // Puts a file with this content on the disk, durably.
  void Put(const std::u16string& path, const std::string& bytes);
  // The file's content as a reader would find it now.
  std::optional<std::string> Content(const std::u16string& path) const;
  bool Exists(const std::u16string& path) const { return Content(path).has_value(); }

  // The `nth` operation from now on (1-based) and every one after it fail without effect.
  void CutPowerAt(int nth);
  bool PowerIsCut() const { return cutAt_ > 0 && operations_ >= cutAt_; }
  // Restarts after a cut: names revert to their durable state (or keep their present one, with
  // Renames::kKept) and every file's content to its durable content (or a torn mixture, with
  // Writes::kTorn). The power is on again.
  void PowerCycle(Renames renames, Writes writes = Writes::kLost);
  // From now on `dir` refuses new files, as a folder does that its user may not write.
  void RefuseNewFilesIn(const std::u16string& dir);
  // Disk operations so far: Open, Length, Read, Write, Seek, Truncate, Flush, Close, Replace,
  // Remove, SyncDirectory and FindJournal.
  int Operations() const { return operations_; }

  int OpenFiles() const;
  bool WritersLocked() const { return writersLocked_; }
  // The names in `dir` as they are now, in order.
  std::vector<std::u16string> NamesIn(const std::u16string& dir) const;

  std::u16string ExecutableDirectory() override { return executableDirectory_; }
  std::unique_ptr<viewersettings::platform::File> Open(
      const std::u16string& path, viewersettings::platform::OpenMode mode,
      viewersettings::platform::Status* status) override;
  std::u16string ResolveLinks(const std::u16string& path) override { return path; }
  viewersettings::platform::Status Replace(const std::u16string& from,
                                           const std::u16string& to) override;
  bool Remove(const std::u16string& path) override;
  bool SyncDirectory(const std::u16string& dir) override;
  std::u16string JournalPath(const std::u16string& file) override;
  viewersettings::platform::Status FindJournal(const std::u16string& file) override;
  std::unique_ptr<viewersettings::platform::Lock> LockWriters(
      const std::u16string& dir, std::chrono::steady_clock::time_point deadline,
      viewersettings::platform::Status* status) override;

 private:
  class OpenFile;
  class WritersLock;
  struct Inode {
    std::string content;
    std::string durable;
    int openers = 0;
  };
  using Names = std::map<std::u16string, std::shared_ptr<Inode>>;
  struct Directory {
    Names names;
    Names durableNames;
    bool refusesNewFiles = false;
  };
  struct Location {
    Directory* directory;  // null when there is no such directory
    std::u16string name;
  };
  Location Locate(const std::u16string& path);
  // Counts an operation; false when the power is cut.
  bool Operate();
  // Ends the run under Misuse::kAborts; otherwise the caller fails the operation.
  void ReportMisuse(const char* what, const std::u16string& path) const;

  std::u16string executableDirectory_;
  Misuse misuse_;
  bool writersLocked_ = false;
  std::map<std::u16string, Directory> directories_;
  int operations_ = 0;
  int cutAt_ = 0;
};

}  // namespace testing_support
