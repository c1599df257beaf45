#include "RatioReport.h"

#include <cstdio>
#include <optional>

namespace bench {
namespace {

std::string FormatSeconds(double seconds) {
  char text[32];
  if (seconds < 1e-6) {
    std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
  } else if (seconds < 1e-3) {
    std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  }
  return text;
}

std::string FormatBytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f MiB", bytes / (1024.0 * 1024.0));
  return text;
}

class RatioTable {
 public:
  explicit RatioTable(const std::map<std::string, double>& medians) : medians_(medians) {}

  // ours / (scale × reference + extra × extraReference), against `target` when there is one.
  void Time(const std::string& label, const std::string& ours, const std::string& reference,
            double scale, std::optional<double> target, const std::string& extraReference = {},
            double extra = 0) {
    const double* oursTime = Find(ours);
    const double* referenceTime = Find(reference);
    const double* extraTime = extraReference.empty() ? &kZero : Find(extraReference);
    if (oursTime == nullptr || referenceTime == nullptr || extraTime == nullptr) {
      std::printf("%-64s %s\n", label.c_str(), "not run");
      return;
    }
    const double held = scale * *referenceTime + extra * *extraTime;
    Print(label, FormatSeconds(*oursTime), FormatSeconds(held), *oursTime / held, target);
  }

  void Bytes(const std::string& label, double ours, double reference, double target) {
    Print(label, FormatBytes(ours), FormatBytes(reference), ours / reference, target);
  }

  int Missed() const { return missed_; }

 private:
  static constexpr double kZero = 0;

  const double* Find(const std::string& name) const {
    const auto found = medians_.find(name);
    return found == medians_.end() ? nullptr : &found->second;
  }

  void Print(const std::string& label, const std::string& ours, const std::string& reference,
             double ratio, std::optional<double> target) {
    std::printf("%-64s %12s %12s %7.2f", label.c_str(), ours.c_str(), reference.c_str(), ratio);
    if (!target) {
      std::printf("\n");
      return;
    }
    const bool met = ratio <= *target;
    if (!met) ++missed_;
    std::printf("  <= %4.2f  %s\n", *target, met ? "met" : "MISSED");
  }

  const std::map<std::string, double>& medians_;
  int missed_ = 0;
};

// The calls on `input`, held against their floors; `pugixmlParse` names the parse of its text.
void CallRows(RatioTable& table, const SettingsInput& input, const std::string& pugixmlParse) {
  const std::string callPrefix = "call " + input.label + ": ";
  const auto name = [&input](const char* call) { return BenchmarkName("call", input, call); };
  const auto against = [&name](const char* call, const char* reference) {
    return name(call) + "/" + reference;
  };
  table.Time(callPrefix + "XMLGetMinDiskSpace / (read floor + pugixml/2)",
             name("XMLGetMinDiskSpace"), against("XMLGetMinDiskSpace", kReadFloor), 1, 1.0,
             pugixmlParse, 0.5);
  table.Time(callPrefix + "journal look-up / XMLGetMinDiskSpace", name("journal_lookup"),
             name("XMLGetMinDiskSpace"), 1, std::nullopt);
  table.Time(callPrefix + "XMLSetMinDiskSpace / write floor", name("XMLSetMinDiskSpace"),
             against("XMLSetMinDiskSpace", kWriteFloor), 1, 1.1);
  table.Time(callPrefix + "unchanging XMLSetMinDiskSpace / getter",
             name("XMLSetMinDiskSpace_unchanged"), against("XMLSetMinDiskSpace_unchanged", kGetter),
             1, 3.0);
  table.Time(callPrefix + "XMLGetDICOMModalityInfo / 8 getters", name("XMLGetDICOMModalityInfo"),
             against("XMLGetDICOMModalityInfo", kEightSingleCalls), 1, 1.0);
  table.Time(callPrefix + "XMLSetDICOMModalityInfo / 8 setters", name("XMLSetDICOMModalityInfo"),
             against("XMLSetDICOMModalityInfo", kEightSingleCalls), 1, 1.0);
}

}  // namespace

void MedianCollector::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred) continue;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    if (median || single) {
      medians_[run.run_name.function_name] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      for (const auto& [counter, value] : run.counters) {
        medians_[run.run_name.function_name + "/" + counter] = value.value;
      }
    }
  }
  ConsoleReporter::ReportRuns(runs);
}

void PrintRatioReport(const std::map<std::string, double>& medians,
                      const std::vector<const SettingsInput*>& inputs, const SettingsInput& utf8,
                      const SetterPeak& peak) {
  RatioTable table(medians);
  std::printf("\nRatios of medians (ours / what it is held against)\n");
  std::printf("%-64s %12s %12s %7s  %7s  %s\n", "measure", "ours", "against", "ratio", "target",
              "");
  for (const SettingsInput* input : inputs) {
    const auto name = [input](const char* family, const char* subject) {
      return BenchmarkName(family, *input, subject);
    };
    const std::string& file = input->label;
    for (const char* family : {"parse", "walk"}) {
      const std::string prefix = std::string(family) + " " + file + ": ";
      table.Time(prefix + "engine / pugixml", name(family, "engine"), name(family, "pugixml"), 1,
                 0.5);
      table.Time(prefix + "engine / rapidxml", name(family, "engine"), name(family, "rapidxml"), 1,
                 1.0);
      table.Time(prefix + "engine / tinyxml2", name(family, "engine"), name(family, "tinyxml2"), 1,
                 std::nullopt);
      table.Time(prefix + "engine / expat", name(family, "engine"), name(family, "expat"), 1,
                 std::nullopt);
    }
    const std::string parsePrefix = "parse " + file + ": ";
    table.Time(parsePrefix + "engine copying the text / pugixml", name("parse", "engine_copying"),
               name("parse", "pugixml"), 1, 0.5);
    table.Time(parsePrefix + "engine copying the text / rapidxml", name("parse", "engine_copying"),
               name("parse", "rapidxml"), 1, 1.0);

    CallRows(table, *input, name("parse", "pugixml"));
  }
  // The same text as the first input: the same parse is what the getter is held against.
  CallRows(table, utf8, BenchmarkName("parse", *inputs.front(), "pugixml"));
  const double file = static_cast<double>(peak.fileBytes);
  table.Bytes("peak heap of XMLSetMinDiskSpace, 8MB, same length / file",
              static_cast<double>(peak.sameLength), file, 4.0);
  table.Bytes("peak heap of XMLSetMinDiskSpace, 8MB, longer value / file",
              static_cast<double>(peak.longer), file, 4.0);
  if (table.Missed() == 0) {
    std::printf("\nEvery target that ran was met.\n");
  } else {
    std::printf("\n%d target(s) missed.\n", table.Missed());
  }
}

}  // namespace bench
