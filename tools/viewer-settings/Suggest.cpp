#include "tools/viewer-settings/Suggest.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace viewersettings::cli {
namespace {

char Folded(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Edits that turn one text into the other, case ignored; a swap of two neighbours is one edit.
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t change = Folded(a[i - 1]) == Folded(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && Folded(a[i - 1]) == Folded(b[j - 2]) &&
          Folded(a[i - 2]) == Folded(b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// More slips are allowed in longer names, never so many that unrelated short names match.
size_t Allowed(size_t length) {
  return length <= 4 ? 1 : length <= 10 ? 2 : 3;
}

}  // namespace

std::vector<std::string> CloseMatches(std::string_view typed, const std::vector<std::string>& known,
                                      size_t most) {
  // Long texts are no slips of a known name, and would cost a table of their size squared.
  constexpr size_t kLongest = 200;
  if (typed.size() > kLongest) return {};
  std::vector<std::tuple<size_t, size_t, std::string>> ranked;  // distance, order, name
  for (size_t order = 0; order < known.size(); ++order) {
    const std::string& name = known[order];
    if (name == typed || name.size() > kLongest) continue;
    const size_t distance = EditDistance(typed, name);
    // Distance 0 is a difference in case alone.
    if (distance > Allowed(std::max(typed.size(), name.size()))) continue;
    if (std::none_of(ranked.begin(), ranked.end(),
                     [&](const auto& each) { return std::get<2>(each) == name; })) {
      ranked.emplace_back(distance, order, name);
    }
  }
  std::sort(ranked.begin(), ranked.end());
  std::vector<std::string> matches;
  for (size_t i = 0; i < ranked.size() && i < most; ++i) matches.push_back(std::get<2>(ranked[i]));
  return matches;
}

std::string DidYouMean(const std::vector<std::string>& matches) {
  if (matches.empty()) return {};
  std::string text = "; did you mean ";
  for (size_t i = 0; i < matches.size(); ++i) {
    if (i > 0) text += i + 1 == matches.size() ? " or " : ", ";
    text += "`" + matches[i] + "`";
  }
  return text + "?";
}

}  // namespace viewersettings::cli
