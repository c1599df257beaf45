// settings_worker: a process of its own that stores or reads settings in a given directory, for
// the tests that run several at once or kill one at a random moment.
//
//   settings_worker write <dir> <id> <calls>
//       stores the calls 1..<calls> of writer <id> (see WorkerSettings.h); every call must succeed.
//   settings_worker read <dir> <writers> <calls> <report file> <stop file>
//       reads the writers' values until the stop file exists; every value must be one its writer
//       stored, never older than one read before. Writes the number of getter calls to the
//       report file.
//   settings_worker crash <dir> <first call> <progress file>
//       stores the crash calls from <first call> on until it is killed; before each call the
//       progress file is overwritten with the call's number.
//
// Exit code 0 when all went well, 1 after a failure (described on the error output), 2 for a
// wrong command line.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "ViewerSettings.h"
#include "text/Utf8.h"
#include "worker/WorkerSettings.h"

namespace {

using namespace worker_settings;

constexpr int kFailed = 1;
constexpr int kUsage = 2;
// Readers leave the processor to the writers between reads, on machines with few cores.
constexpr std::chrono::milliseconds kReaderPause{1};

std::string Utf8(const std::u16string& text) {
  return viewersettings::text::ToUtf8(text);
}

int Fail(const std::string& what) {
  std::cerr << "settings_worker: " << what << std::endl;
  return kFailed;
}

int Write(int id, int calls) {
  for (int k = 1; k <= calls; ++k) {
    const int32_t result = StoreWriterCall(id, k);
    if (result != XMLR_SET_OK) {
      return Fail("writer " + std::to_string(id) + ", call " + std::to_string(k) + ": result " +
                  std::to_string(result));
    }
  }
  return 0;
}

// Whether `value` is one that writer calls 1..calls store in a field that takes the calls of
// `parity`, or 0 (nothing stored yet).
bool Stored(int64_t value, int parity, int calls) {
  return value == 0 || (value > 0 && value <= calls && value % 2 == parity);
}

int Read(int writers, int calls, const std::filesystem::path& report,
         const std::filesystem::path& stop) {
  std::vector<WriterValues> seen(static_cast<size_t>(writers));
  int64_t reads = 0;
  for (int id = 0; !std::filesystem::exists(stop); id = (id + 1) % writers) {
    // Values seeded on first run and never changed: a getter that gave up on a busy file would
    // answer a default or nothing.
    int32_t minDiskSpace = 0;
    const int32_t minDiskResult = XMLGetMinDiskSpace(&minDiskSpace);
    const std::u16string processName = XMLGetDUZOProcessName();
    if (minDiskResult != XMLR_GET_OK || minDiskSpace != 1000 || processName != u"DUZO.exe") {
      return Fail("reader: first-run values read as " + std::to_string(minDiskResult) + "/" +
                  std::to_string(minDiskSpace) + "/'" + Utf8(processName) + "'");
    }
    WriterValues now;
    const bool answered = ReadWriterValues(id, &now);
    reads += 4;
    WriterValues& before = seen[static_cast<size_t>(id)];
    const std::string values = "writer " + std::to_string(id) + ": key image " +
                               std::to_string(now.keyImage) + ", corner text " +
                               std::to_string(now.cornerText) + ", zoom " +
                               std::to_string(now.zoomRatio);
    if (!answered) return Fail("reader: a getter failed; " + values);
    if (!Stored(now.keyImage, 1, calls) || !Stored(now.cornerText, 0, calls) ||
        !Stored(now.zoomRatio, 0, calls)) {
      return Fail("reader: a value no writer stored; " + values);
    }
    if (now.keyImage < before.keyImage || now.cornerText < before.cornerText ||
        now.zoomRatio < before.zoomRatio) {
      return Fail("reader: older than a value read before; " + values);
    }
    before = now;
    std::this_thread::sleep_for(kReaderPause);
  }
  std::ofstream(report) << reads << "\n";
  return 0;
}

int Crash(int32_t first, const std::filesystem::path& progressPath) {
  std::ofstream progress(progressPath, std::ios::binary | std::ios::trunc);
  for (int32_t c = first;; ++c) {
    // Fixed width, so that each number overwrites the last one whole. A kill leaves what was
    // flushed to the system, though not to disk.
    progress.seekp(0);
    progress << std::string(12 - std::to_string(c).size(), '0') << c << std::flush;
    if (!progress) return Fail("crash writer: cannot record progress");
    const int32_t result = StoreCrashCall(c);
    if (result != XMLR_SET_OK) {
      return Fail("crash writer, call " + std::to_string(c) + ": result " + std::to_string(result));
    }
  }
}

int Run(const std::vector<std::u16string>& args) {
  const auto number = [&](size_t i) { return static_cast<int>(ParseDecimal(args[i])); };
  if (args.size() < 2) return kUsage;
  SetExeRootPathOverride(args[1]);
  const std::u16string& mode = args[0];
  if (mode == u"write" && args.size() == 4 && number(2) >= 0 && number(3) >= 0) {
    return Write(number(2), number(3));
  }
  if (mode == u"read" && args.size() == 6 && number(2) > 0 && number(3) > 0) {
    return Read(number(2), number(3), std::filesystem::path(args[4]),
                std::filesystem::path(args[5]));
  }
  if (mode == u"crash" && args.size() == 4 && number(2) >= 0) {
    return Crash(number(2), std::filesystem::path(args[3]));
  }
  std::cerr << "settings_worker: unknown command line" << std::endl;
  return kUsage;
}

}  // namespace

#if defined(_WIN32)
// Wide arguments: the directory may hold characters outside the ANSI code page.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(viewersettings::text::FromUtf8(argv[i]));
  return Run(args);
}
#endif
