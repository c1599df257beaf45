#include "tools/viewer-settings/Hints.h"

#include <algorithm>
#include <cctype>

#include "catalogue/Catalogue.h"
#include "tools/viewer-settings/Suggest.h"

namespace viewersettings::cli {
namespace {

using catalogue::kNamePlaceholder;
using catalogue::kNumberPlaceholder;

std::vector<std::string> Segments(const std::string& key) {
  std::vector<std::string> segments;
  for (size_t from = 0;;) {
    const size_t dot = key.find('.', from);
    segments.push_back(key.substr(from, dot - from));
    if (dot == std::string::npos) return segments;
    from = dot + 1;
  }
}

std::string Replaced(std::string key, std::string_view placeholder, const std::string& by) {
  const size_t at = key.find(placeholder);
  if (at != std::string::npos) key.replace(at, placeholder.size(), by);
  return key;
}

bool StartsWithFolded(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// The keys of the table as the typed key would have them: a modality's name (which may hold
// dots) taken from each place it could end, an entry's number from the segment that holds it.
std::vector<std::string> ConcreteKeys(const std::string& typed) {
  const std::vector<std::string> typedSegments = Segments(typed);
  std::vector<std::string> keys;
  for (const catalogue::Setting& setting : catalogue::Settings()) {
    std::string key = setting.key;
    const size_t numberAt = key.find(kNumberPlaceholder);
    if (numberAt != std::string::npos) {
      const size_t segment =
          static_cast<size_t>(std::count(key.begin(), key.begin() + numberAt, '.'));
      const bool numbered =
          segment < typedSegments.size() && !typedSegments[segment].empty() &&
          std::all_of(typedSegments[segment].begin(), typedSegments[segment].end(),
                      [](char c) { return c >= '0' && c <= '9'; });
      key = Replaced(key, kNumberPlaceholder, numbered ? typedSegments[segment] : "0");
    }
    const size_t nameAt = key.find(kNamePlaceholder);
    if (nameAt == std::string::npos) {
      keys.push_back(key);
      continue;
    }
    const std::string prefix = key.substr(0, nameAt);
    if (!StartsWithFolded(typed, prefix)) continue;
    for (size_t dot = typed.find('.', nameAt); dot != std::string::npos;
         dot = typed.find('.', dot + 1)) {
      keys.push_back(Replaced(key, kNamePlaceholder, typed.substr(nameAt, dot - nameAt)));
    }
  }
  return keys;
}

}  // namespace

std::string KeyHint(const std::string& typed) {
  std::vector<std::string> matches = CloseMatches(typed, ConcreteKeys(typed));
  if (!matches.empty()) return DidYouMean(matches);
  // The last segments alone, as in "Font.Escapement".
  const size_t count = Segments(typed).size();
  std::vector<std::string> keys;
  std::vector<std::string> tails;
  for (const catalogue::Setting& setting : catalogue::Settings()) {
    const std::vector<std::string> segments = Segments(setting.key);
    if (segments.size() <= count) continue;
    std::string tail;
    for (size_t i = segments.size() - count; i < segments.size(); ++i) {
      tail += (tail.empty() ? "" : ".") + segments[i];
    }
    keys.push_back(setting.key);
    tails.push_back(tail);
  }
  for (const std::string& tail : CloseMatches(typed, tails)) {
    matches.push_back(
        keys[static_cast<size_t>(std::find(tails.begin(), tails.end(), tail) - tails.begin())]);
  }
  return DidYouMean(matches);
}

std::string GroupHint(const std::string& typed, const std::vector<std::string>& groups) {
  return DidYouMean(CloseMatches(typed, groups));
}

}  // namespace viewersettings::cli
