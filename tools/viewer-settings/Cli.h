// The command line of viewer-settings, apart from main so that tests can run it in-process.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace viewersettings::cli {

inline constexpr char kToolName[] = "viewer-settings";

constexpr int kExitOk = 0;
constexpr int kExitNotFound = 1;  // a setting is not stored, or check found something
constexpr int kExitError = 2;     // bad arguments, a refused value, a file that fails

// Runs the tool on `args` (without the program name) and returns its exit status. `import -`
// reads `in` (else the standard input); output goes to `out`, messages to `err`.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace viewersettings::cli
