// Settings calls from several real processes on one settings file, and a writer killed at random
// moments: no update is lost, no call fails because another one held the file, and what is read
// is always whole settings that were written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <random>
#include <thread>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "processes/ChildProcess.h"
#include "store/SettingsFile.h"
#include "support/SettingsDir.h"
#include "support/Unprivileged.h"
#include "worker/WorkerSettings.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using testing_support::SettingsDir;
using testing_support::WorkerPath;
using namespace worker_settings;
using namespace std::chrono_literals;

constexpr int kWriters = 8;
constexpr int kCallsPerWriter = 200;
constexpr int kReaders = 2;
constexpr auto kWorkerPatience = 120s;
constexpr int kTurns = 20;

#if defined(_WIN32)
// A process start and a file access cost several times more under wine.
constexpr int kKills = 100;
#else
constexpr int kKills = 200;
#endif
// Where the folder refuses new files: a few dozen.
constexpr int kKillsInPlace = 40;
// Spread over a few calls, so that kills land anywhere in them.
constexpr int kLongestKillDelayMs = 25;

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Waits for a worker's end, which must be a success.
void ExpectSucceeds(ChildProcess& worker, const std::string& name) {
  EXPECT_TRUE(worker.Started()) << name;
  EXPECT_EQ(worker.WaitFor(kWorkerPatience), 0) << name;
}

// Runs `readers` reader processes and `writers` writer processes of `calls` calls each side by
// side in the settings directory, then checks that every writer's last values are stored, once.
// Returns the readers' getter calls.
int64_t RunWritersAndReaders(const SettingsDir& dir, int writers, int calls, int readers) {
  const std::u16string path = dir.Path().u16string();
  const auto report = [&](int reader) { return dir.Path() / ("reads-" + std::to_string(reader)); };
  const fs::path stop = dir.Path() / "stop";
  std::vector<std::unique_ptr<ChildProcess>> readerProcesses;
  for (int reader = 0; reader < readers; ++reader) {
    readerProcesses.push_back(std::make_unique<ChildProcess>(
        WorkerPath(), std::vector<std::u16string>{u"read", path, Decimal(writers), Decimal(calls),
                                                  report(reader).u16string(), stop.u16string()}));
  }
  std::vector<std::unique_ptr<ChildProcess>> writerProcesses;
  for (int id = 0; id < writers; ++id) {
    writerProcesses.push_back(std::make_unique<ChildProcess>(
        WorkerPath(), std::vector<std::u16string>{u"write", path, Decimal(id), Decimal(calls)}));
  }
  for (int id = 0; id < writers; ++id) {
    ExpectSucceeds(*writerProcesses[id], "writer " + std::to_string(id));
  }
  std::ofstream(stop).put('\n');
  for (int reader = 0; reader < readers; ++reader) {
    ExpectSucceeds(*readerProcesses[reader], "reader " + std::to_string(reader));
  }

  const int64_t lastOdd = calls % 2 != 0 ? calls : calls - 1;
  const int64_t lastEven = calls % 2 == 0 ? calls : calls - 1;
  const std::string text = dir.Text();
  for (int id = 0; id < writers; ++id) {
    SCOPED_TRACE("writer " + std::to_string(id));
    WriterValues values;
    EXPECT_TRUE(ReadWriterValues(id, &values));
    EXPECT_EQ(values.keyImage, lastOdd);
    EXPECT_EQ(values.cornerText, lastEven);
    EXPECT_EQ(values.zoomRatio, lastEven);
    EXPECT_EQ(Occurrences(text, "<M" + std::to_string(id) + ">"), 1u);
  }
  // One modality element per writer besides the first run's "General", one of each leaf, and
  // the first run's values once and whole.
  EXPECT_EQ(Occurrences(text, "<DisplayKIN "), writers + 1u);
  EXPECT_EQ(Occurrences(text, "<LeftTop "), writers + 1u);
  EXPECT_EQ(Occurrences(text, "<ZoomRatio "), writers + 1u);
  EXPECT_EQ(Occurrences(text, "<SystemSetting>"), 1u);
  EXPECT_EQ(Occurrences(text, "<MinDiskSpace Value=\"1000\"/>"), 1u);
  EXPECT_EQ(Occurrences(text, "<DUZOProcessName Value=\"DUZO.exe\"/>"), 1u);

  int64_t reads = 0;
  for (int reader = 0; reader < readers; ++reader) {
    int64_t count = 0;
    std::ifstream(report(reader)) >> count;
    reads += count;
  }
  return reads;
}

// The number of the call the killed writer started last: nothing was started when it left no
// number.
int32_t LastStartedCall(const fs::path& progress, int32_t first) {
  int32_t started = 0;
  return std::ifstream(progress) >> started ? started : first - 1;
}

// Whether `happened` comes true while the child runs, within the patience given to workers.
template <class Condition>
bool HappensWhileRunning(ChildProcess& child, Condition happened) {
  const auto deadline = std::chrono::steady_clock::now() + kWorkerPatience;
  while (!happened()) {
    if (child.WaitFor(1ms) || std::chrono::steady_clock::now() > deadline) return false;
  }
  return true;
}

TEST(Processes, ConcurrentWritersLoseNoUpdateAndReadersSeeOnlyWrittenValues) {
  SettingsDir dir;
  EXPECT_EQ(XMLIsRealData(), 1);  // the first run, before the processes start
  const int64_t reads = RunWritersAndReaders(dir, kWriters, kCallsPerWriter, kReaders);
  std::cout << "[ figures  ] " << kWriters << " writers x " << kCallsPerWriter << " setter calls, "
            << kReaders << " readers with " << reads << " getter calls" << std::endl;
}

// With no settings file yet, the first calls of all processes race to create it: it is created
// and seeded once, and no call meets it half seeded. More readers make it likelier that one of
// them arrives while another process seeds.
TEST(Processes, ConcurrentFirstCallsSeeTheFileCreatedOnceAndWhole) {
  SettingsDir dir;
  RunWritersAndReaders(dir, kWriters, 4, 2 * kReaders);
}

// A process that calls setters back to back never keeps another one from its turn: a waiting
// call waits for the call in progress, not for the other process to stop.
TEST(Processes, SetterGetsItsTurnWhileAnotherProcessStoresWithoutPause) {
  SettingsDir dir;
  EXPECT_EQ(XMLIsRealData(), 1);  // the first run
  ChildProcess busy(WorkerPath(), {u"write", dir.Path().u16string(), Decimal(0),
                                   Decimal(std::numeric_limits<int32_t>::max())});
  ASSERT_TRUE(busy.Started());
  ASSERT_TRUE(HappensWhileRunning(busy, [] {
    int32_t keyImage = 0;
    return XMLGetDICOMDisplayKINImage(WriterModality(0), &keyImage) == XMLR_GET_OK;
  })) << "the busy writer stored nothing";
  for (int turn = 0; turn < kTurns; ++turn) {
    // Each turn begins with the other process storing again.
    std::this_thread::sleep_for(5ms);
    ASSERT_EQ(XMLSetAutoLoopPlay(turn % 2), XMLR_SET_OK) << "turn " << turn;
    ASSERT_EQ(XMLIsAutoLoopPlay(), turn % 2) << "turn " << turn;
  }
  EXPECT_FALSE(busy.WaitFor(0ms)) << "the busy writer ended by itself: one of its calls failed";
}

// Kills a writer (the program `worker`) in `settings` (which holds every setting the writer
// touches) `kills` times at random moments; after each kill, every setting holds a value that was
// written and the next setter works. `progressFolder` is a writable folder for the writer's
// progress file.
void KillWriterRepeatedly(const std::u16string& worker, const fs::path& settings,
                          const fs::path& progressFolder, int kills) {
  SetExeRootPathOverride(settings.u16string());
  const fs::path progress = progressFolder / "progress";
  fs::path leftover = settings / "VorelViewerSysSetting.xml.tmp";
  std::vector<StoredValue> before = ReadCrashValues();
  for (const StoredValue& stored : before) ASSERT_EQ(stored.value, stored.kind) << stored.field;

  const unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayMs(0, kLongestKillDelayMs);
  int32_t first = kCrashKinds;
  int leftovers = 0;
  int journals = 0;
  const fs::path journal(viewersettings::platform::CurrentEnv().JournalPath(
      viewersettings::store::GetSettingsFilePath()));
  int killed = 0;
  for (; killed < kills && !testing::Test::HasFailure(); ++killed) {
    fs::remove(progress);
    ChildProcess child(worker,
                       {u"crash", settings.u16string(), Decimal(first), progress.u16string()});
    ASSERT_TRUE(child.Started());
    // Killed at a random moment once it has begun to store.
    ASSERT_TRUE(HappensWhileRunning(child, [&] { return fs::exists(progress); }))
        << "the writer did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
    ASSERT_FALSE(child.WaitFor(0ms)) << "the writer ended by itself: one of its calls failed";
    child.Kill();

    const int32_t started = LastStartedCall(progress, first);
    SCOPED_TRACE("kill " + std::to_string(killed) + ", calls " + std::to_string(first) + ".." +
                 std::to_string(started));
    if (fs::exists(journal)) ++journals;
    const std::vector<StoredValue> after = ReadCrashValues();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
      // Untouched since the last kill, or stored by a call that this writer started.
      const int64_t value = after[i].value;
      const bool stored =
          value >= first && value <= started && value % kCrashKinds == after[i].kind;
      EXPECT_TRUE(value == before[i].value || stored)
          << after[i].field << " holds " << value << ", before the kill " << before[i].value;
    }
    // Whatever the kill left behind, the next setter works.
    if (fs::exists(leftover)) ++leftovers;
    EXPECT_EQ(XMLSetAutoLoopPlay(killed % 2), XMLR_SET_OK);
    EXPECT_EQ(XMLIsAutoLoopPlay(), killed % 2);
    before = after;
    first = started + 1;
  }
  std::cout << "[ figures  ] " << killed << " kills survived, " << first - kCrashKinds
            << " setter calls started, " << leftovers << " temporary files and " << journals
            << " rollback journals left by a kill" << std::endl;
}

// Every setting the killed writer touches holds a value before the first kill.
void StoreEveryCrashKind() {
  for (int32_t c = 0; c < kCrashKinds; ++c) ASSERT_EQ(StoreCrashCall(c), XMLR_SET_OK);
}

TEST(Processes, WriterKilledAtRandomMomentsLeavesWholeSettings) {
  SettingsDir dir;
  StoreEveryCrashKind();
  KillWriterRepeatedly(WorkerPath(), dir.Path(), dir.Path(), kKills);
}

#if !defined(_WIN32)
// The viewer's folder refuses new files to its user, so each save rewrites the file in place:
// a kill may tear it, and the next call, the user's own, puts the old text back.
TEST(Processes, WriterKilledWhereOnlyTheFileIsWritableLeavesWholeSettings) {
  SettingsDir dir;
  const fs::path install = dir.Path() / "install";
  fs::create_directory(install);
  SetExeRootPathOverride(install.u16string());
  StoreEveryCrashKind();
  fs::permissions(install / "VorelViewerSysSetting.xml",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                      fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
  fs::permissions(install, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec);
  fs::permissions(dir.Path(), fs::perms::all);  // for the writer's progress file
  // A copy of the writer where the ordinary user may run it, wherever the build lies.
  const fs::path worker = dir.Path() / "settings_worker";
  fs::copy_file(fs::path(WorkerPath()), worker);
  testing_support::RunAsOrdinaryUser(
      [&] { KillWriterRepeatedly(worker.u16string(), install, dir.Path(), kKillsInPlace); });
  fs::permissions(install, fs::perms::owner_all, fs::perm_options::add);
  SetExeRootPathOverride(dir.Path().u16string());
}
#endif

}  // namespace
