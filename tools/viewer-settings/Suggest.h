// Help for a slip in a key, a group or a subcommand: the known names closest to what was typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace viewersettings::cli {

// Up to `most` of `known`: those that differ from `typed` only in case first, then those within a
// small edit distance (letters swapped, missing, added or changed), nearest first.
std::vector<std::string> CloseMatches(std::string_view typed, const std::vector<std::string>& known,
                                      size_t most = 3);

// "; did you mean `A`, `B` or `C`?", or nothing when there are no matches.
std::string DidYouMean(const std::vector<std::string>& matches);

}  // namespace viewersettings::cli
