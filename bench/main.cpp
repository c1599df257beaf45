// `make bench`: builds the inputs, runs every benchmark (the Google Benchmark flags apply, for
// instance --benchmark_filter=parse), then prints the ratios the targets are stated in.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "Benchmarks.h"
#include "RatioReport.h"
#include "SettingsInputs.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::string root = (std::filesystem::temp_directory_path() / "viewersettings-bench-XXXXXX");
  if (mkdtemp(root.data()) == nullptr) {
    std::perror("bench: cannot create a temporary directory");
    return 1;
  }
  const bench::SettingsInput station = bench::MakeStationInput(root);
  const bench::SettingsInput large = bench::MakeLargeInput(root, station);
  const bench::SettingsInput utf8 = bench::MakeUtf8Input(root, station);
  std::printf(
      "Inputs: %s (%zu bytes) and %s (%zu bytes), UTF-16LE with byte-order mark, and %s "
      "(%zu bytes), in %s\n",
      station.label.c_str(), station.bytes.size(), large.label.c_str(), large.bytes.size(),
      utf8.label.c_str(), utf8.bytes.size(), root.c_str());

  for (const bench::SettingsInput* input : {&station, &large}) {
    if (!bench::PeersReadTheSameValue(*input)) {
      std::filesystem::remove_all(root);
      return 1;
    }
    bench::RegisterParseBenchmarks(*input);
    bench::RegisterCallBenchmarks(*input);
  }
  bench::RegisterCallBenchmarks(utf8);
  bench::MedianCollector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bench::SetterPeak peak = bench::MeasureSetterPeak(large);
  bench::PrintRatioReport(reporter.Medians(), {&station, &large}, utf8, peak);

  benchmark::Shutdown();
  std::filesystem::remove_all(root);
  return 0;
}
