// Runs the viewer-settings tool in-process on a settings folder, as the tool's tests do.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "support/SettingsDir.h"
#include "tools/viewer-settings/Cli.h"

namespace testing_support {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// The tool with `--dir` naming `dir`, `input` as its standard input.
inline Outcome RunIn(const SettingsDir& dir, std::vector<std::string> args,
                     const std::string& input = "") {
  args.insert(args.begin(), {"--dir", dir.Path().string()});
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  const int status = viewersettings::cli::Run(args, in, out, err);
  return {status, out.str(), err.str()};
}

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace testing_support
