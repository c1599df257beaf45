// Help for a mistyped key or group: the known ones closest to what was typed, with the modality
// name or list number the typed text holds put into the keys that take one.
#pragma once

#include <string>
#include <vector>

namespace viewersettings::cli {

// "; did you mean `MinDiskSpace`?" for a key that names no setting, or nothing.
std::string KeyHint(const std::string& typed);
// The same for a group of `show` and `reset`, among `groups`.
std::string GroupHint(const std::string& typed, const std::vector<std::string>& groups);

}  // namespace viewersettings::cli
