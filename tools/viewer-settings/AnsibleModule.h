// viewer-settings as an Ansible binary module: installed or copied under the name
// viewer_settings (viewer_settings.exe on Windows), it is called with one argument, the path of
// the file of arguments that Ansible writes, and prints exactly one JSON object.
#pragma once

#include <ostream>
#include <string>

namespace viewersettings::cli {

// True for a call by the module's name (or the name of the copy Ansible runs) with one argument.
bool IsAnsibleModuleCall(const std::string& programPath, size_t argumentCount);

// Makes the station in `dir` hold `settings`, as import does (with `replace`, as import
// --replace), honouring Ansible's check and diff modes. Prints {changed, msg, diff} or, on any
// error, {failed: true, msg} with nothing written. 0, or 1 when the module failed.
int RunAnsibleModule(const std::string& argumentsFile, std::ostream& out);

}  // namespace viewersettings::cli
