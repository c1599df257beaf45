// The figures that matter, side by side: every benchmark's median and the ratios that the
// performance targets are stated in.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "Benchmarks.h"
#include "SettingsInputs.h"

namespace bench {

// Prints as the console reporter does and keeps each benchmark's median real time (the single
// run's time when there are no repetitions), in seconds, by the name it was registered under,
// and the median of each of its counters under that name, "/" and the counter's.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  const std::map<std::string, double>& Medians() const { return medians_; }

 private:
  std::map<std::string, double> medians_;
};

// Prints the ratio table and how many targets were missed. Rows whose benchmarks did not run
// (a filter left them out) are shown as such and count as neither met nor missed. `utf8` is the
// first input in UTF-8, of which only the calls are measured.
void PrintRatioReport(const std::map<std::string, double>& medians,
                      const std::vector<const SettingsInput*>& inputs, const SettingsInput& utf8,
                      const SetterPeak& peak);

}  // namespace bench
