// The exported calls against the floors of the same machine: what reading the file whole
// costs (open, read, close), and what replacing it safely costs (write a temporary file, flush
// it, rename it over the old one, flush the directory). A getter must stay close to the first,
// a setter to the second; aggregates of several accesses to the sum of single calls. Each call
// is measured together with what it is held against (see Paired). The getter's look for a
// rollback journal is measured on its own too.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "Benchmarks.h"
#include "HeapCounter.h"
#include "ViewerSettings.h"
#include "store/Journal.h"
#include "store/SettingsFile.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

bool ReadWhole(int fd, char* buffer, size_t bytes) {
  while (bytes > 0) {
    const ssize_t got = read(fd, buffer, bytes);
    if (got <= 0) return false;
    buffer += got;
    bytes -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteWhole(int fd, const char* data, size_t bytes) {
  while (bytes > 0) {
    const ssize_t put = write(fd, data, bytes);
    if (put <= 0) return false;
    data += put;
    bytes -= static_cast<size_t>(put);
  }
  return true;
}

// Open, read whole into a buffer of its own, close: what any reader of the file pays.
bool ReadFloor(const SettingsInput& input) {
  const int fd = open(input.filePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool complete = fstat(fd, &info) == 0;
  if (complete) {
    const size_t bytes = static_cast<size_t>(info.st_size);
    std::unique_ptr<char[]> buffer(new char[bytes]);
    complete = ReadWhole(fd, buffer.get(), bytes);
    benchmark::DoNotOptimize(buffer.get());
  }
  close(fd);
  return complete;
}

// The file's bytes put in place as safely as the store does it, in a file of its own beside the
// settings file: write a temporary file, flush it, rename it over the old one, flush the
// directory.
bool WriteFloor(const SettingsInput& input) {
  const std::string temporary = input.floorPath + ".tmp";
  const std::string directory = input.filePath.substr(0, input.filePath.rfind('/'));
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = WriteWhole(fd, input.bytes.data(), input.bytes.size()) && fsync(fd) == 0;
  close(fd);
  if (!written || rename(temporary.c_str(), input.floorPath.c_str()) != 0) return false;
  const int dir = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const bool synced = fsync(dir) == 0;
  close(dir);
  return synced;
}

bool GetMinDiskSpace() {
  int32_t value = 0;
  return XMLGetMinDiskSpace(&value) == XMLR_GET_OK;
}

// Stores the station's value and its successor in turn (2048 and 2049 on the inputs): as many
// digits, so the file keeps its size.
class MinDiskSpaceSetter {
 public:
  MinDiskSpaceSetter() { XMLGetMinDiskSpace(&stored_); }
  ~MinDiskSpaceSetter() { XMLSetMinDiskSpace(stored_); }
  MinDiskSpaceSetter(const MinDiskSpaceSetter&) = delete;
  MinDiskSpaceSetter& operator=(const MinDiskSpaceSetter&) = delete;

  bool operator()() {
    next_ = next_ == stored_ ? stored_ + 1 : stored_;
    return XMLSetMinDiskSpace(next_) == XMLR_SET_OK;
  }

 private:
  int32_t stored_ = 0;
  int32_t next_ = 0;
};

// Runs `reference` and then `measured` in every iteration, so that both meet the same state of
// the machine, the disk above all: timed apart, figures taken minutes apart on a shared disk
// differ by more than the call's own cost. The benchmark's time is the measured call's; the
// counter `referenceName` holds the reference's time per iteration.
template <class Reference, class Measured>
void Paired(benchmark::State& state, const char* referenceName, Reference&& reference,
            Measured&& measured) {
  double referenceSeconds = 0;
  for (auto _ : state) {
    const Clock::time_point referenceStart = Clock::now();
    const bool referenceDone = reference();
    const Clock::time_point start = Clock::now();
    const bool measuredDone = measured();
    const Clock::time_point end = Clock::now();
    if (!referenceDone || !measuredDone) {
      state.SkipWithError(referenceDone ? "the measured call failed" : "the reference failed");
      break;
    }
    referenceSeconds += Seconds(start - referenceStart);
    state.SetIterationTime(Seconds(end - start));
  }
  state.counters[referenceName] =
      benchmark::Counter(referenceSeconds, benchmark::Counter::kAvgIterations);
}

// The aggregates make eight accesses each; they are held against eight single calls.
template <class Call>
bool EightTimes(Call&& call) {
  bool done = true;
  for (int access = 0; access < 8; ++access) done = call() && done;
  return done;
}

void GetterAgainstFloor(benchmark::State& state, const SettingsInput& input) {
  UseSettingsOf(input);
  Paired(
      state, kReadFloor, [&] { return ReadFloor(input); }, GetMinDiskSpace);
}

void SetterAgainstFloor(benchmark::State& state, const SettingsInput& input) {
  UseSettingsOf(input);
  MinDiskSpaceSetter setter;
  Paired(
      state, kWriteFloor, [&] { return WriteFloor(input); }, setter);
}

// What a getter adds to its read for the rollback journal: one look at a name that does not
// exist.
void JournalLookup(benchmark::State& state, const SettingsInput& input) {
  UseSettingsOf(input);
  const std::u16string path = viewersettings::store::GetSettingsFilePath();
  Paired(
      state, kReadFloor, [&] { return ReadFloor(input); },
      [&] { return !viewersettings::store::JournalMayExist(path); });
}

void GetterAggregate(benchmark::State& state, const SettingsInput& input) {
  UseSettingsOf(input);
  Paired(
      state, kEightSingleCalls, [] { return EightTimes(GetMinDiskSpace); },
      [] {
        DICOMModalityInfo info;
        return XMLGetDICOMModalityInfo(u"CT", &info) == XMLR_GET_OK;
      });
}

// A setter that stores what is stored already writes nothing: against the getter, it adds the
// writers' lock and a comparison of the texts.
void UnchangingSetter(benchmark::State& state, const SettingsInput& input) {
  UseSettingsOf(input);
  int32_t stored = 0;
  XMLGetMinDiskSpace(&stored);
  Paired(state, kGetter, GetMinDiskSpace,
         [stored] { return XMLSetMinDiskSpace(stored) == XMLR_SET_OK; });
}

// Stores the station's CT settings and a variant in turn, so that each of the eight accesses
// writes (one value of each group changed, as many digits): a store that changes nothing would
// not write at all.
void SetterAggregate(benchmark::State& state, const SettingsInput& input) {
  UseSettingsOf(input);
  DICOMModalityInfo infos[2];
  XMLGetDICOMModalityInfo(u"CT", &infos[0]);
  infos[1] = infos[0];
  DICOMModalityInfo& variant = infos[1];
  variant.DisplayKIN ^= 1;
  variant.PatientInfo.Height ^= 1;
  variant.PatientInfo.DisplayInfo.ZoomRatio ^= 1;
  variant.Label.Point.Size ^= 1;
  variant.Label.Line.Size ^= 1;
  variant.Label.Arrow.Size ^= 1;
  variant.Label.Text.Unit ^= 1;
  variant.Label.Text.Font.lfHeight ^= 1;
  size_t next = 0;
  MinDiskSpaceSetter setter;
  Paired(
      state, kEightSingleCalls, [&] { return EightTimes(setter); },
      [&] {
        next ^= 1;
        return XMLSetDICOMModalityInfo(u"CT", &infos[next]) == XMLR_SET_OK;
      });
  XMLSetDICOMModalityInfo(u"CT", &infos[0]);
}

using CallFunction = void (*)(benchmark::State&, const SettingsInput&);

void Register(const SettingsInput& input, const char* subject, CallFunction function) {
  benchmark::RegisterBenchmark(
      BenchmarkName("call", input, subject).c_str(),
      [function, &input](benchmark::State& state) { function(state, input); })
      ->Unit(benchmark::kMicrosecond)
      ->UseManualTime();
}

// Live heap bytes that one XMLSetMinDiskSpace(value) adds at its highest.
size_t PeakOfSetter(int32_t value) {
  const size_t before = LiveHeapBytes();
  ResetHeapPeak();
  XMLSetMinDiskSpace(value);
  return PeakHeapBytes() - before;
}

}  // namespace

void RegisterCallBenchmarks(const SettingsInput& input) {
  Register(input, "XMLGetMinDiskSpace", GetterAgainstFloor);
  Register(input, "journal_lookup", JournalLookup);
  Register(input, "XMLSetMinDiskSpace", SetterAgainstFloor);
  Register(input, "XMLSetMinDiskSpace_unchanged", UnchangingSetter);
  Register(input, "XMLGetDICOMModalityInfo", GetterAggregate);
  Register(input, "XMLSetDICOMModalityInfo", SetterAggregate);
}

SetterPeak MeasureSetterPeak(const SettingsInput& input) {
  UseSettingsOf(input);
  int32_t stored = 0;
  XMLGetMinDiskSpace(&stored);
  SetterPeak peak;
  peak.fileBytes = input.bytes.size();
  peak.sameLength = PeakOfSetter(stored + 1);
  peak.longer = PeakOfSetter(1234567890);
  XMLSetMinDiskSpace(stored);
  return peak;
}

}  // namespace bench
