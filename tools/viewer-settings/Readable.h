// Whether the library can read a settings file as settings at all, so that an export of a file it
// cannot read fails instead of printing a default or empty export.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace viewersettings::cli {

// Why the library cannot read the existing file as settings: it cannot be read, is empty, holds
// bytes that are not valid in its encoding, cannot be parsed (cut off, not XML) or has no root
// SystemSetting. Nothing when it can, or when there is no file.
std::optional<std::string> WhyNotSettings(const std::filesystem::path& file);

}  // namespace viewersettings::cli
