// Registration of the benchmark families. Names are "<family>/<input>/<subject>", for instance
// "parse/17KB/pugixml"; the ratio report looks them up by these names.
#pragma once

#include <cstddef>
#include <string>

#include "SettingsInputs.h"

namespace bench {

// Parse alone, and parse + walk to SystemSetting/LocalSetting/MinDiskSpace + reading its Value,
// for the engine and each peer parser.
void RegisterParseBenchmarks(const SettingsInput& input);
// Whether every peer parses the file and reads the same Value as the engine; names the ones
// that do not on stderr.
bool PeersReadTheSameValue(const SettingsInput& input);

// Exported calls on the file, each timed together with what it is held against, which a counter
// of the same name reports: the floors of a getter and a setter, eight single calls for an
// aggregate.
void RegisterCallBenchmarks(const SettingsInput& input);
inline constexpr char kReadFloor[] = "read_floor";
inline constexpr char kWriteFloor[] = "write_floor";
inline constexpr char kEightSingleCalls[] = "eight_single_calls";
inline constexpr char kGetter[] = "getter";

// Heap bytes that one XMLSetMinDiskSpace on the file holds at its peak, over what was live
// before the call: storing a value of the same length, and one that makes the file grow.
struct SetterPeak {
  size_t fileBytes = 0;
  size_t sameLength = 0;
  size_t longer = 0;
};
SetterPeak MeasureSetterPeak(const SettingsInput& input);

inline std::string BenchmarkName(const char* family, const SettingsInput& input,
                                 const char* subject) {
  return std::string(family) + "/" + input.label + "/" + subject;
}

}  // namespace bench
