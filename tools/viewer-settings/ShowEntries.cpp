// How show prints the entries of a group: one line a setting, but one line for what belongs
// together, an ECG colour's three components and the fields people read a label font by.
#include <algorithm>
#include <iterator>
#include <map>

#include "tools/viewer-settings/Colour.h"
#include "tools/viewer-settings/FontText.h"
#include "tools/viewer-settings/Tool.h"
#include "tools/viewer-settings/ValueText.h"

namespace viewersettings::cli {
namespace {

using catalogue::Entry;

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

int64_t Number(const Entry& entry) {
  const auto* number = entry.value ? std::get_if<int64_t>(&*entry.value) : nullptr;
  return number ? *number : 0;
}

constexpr std::string_view kFontLeaves = ".Label.Text.Font.";

// The fields of a label font that its one line shows, by their last segment.
constexpr std::string_view kFontLineFields[] = {"FaceName",  "Height",    "Weight", "Italic",
                                                "Underline", "StrikeOut", "CharSet"};

std::string FontLine(const std::map<std::string, const Entry*>& fields) {
  const auto number = [&](const char* name) { return Number(*fields.at(name)); };
  std::string line = "\"" + PlainText(*fields.at("FaceName")->value) + "\", height " +
                     std::to_string(number("Height")) + ", weight " +
                     std::to_string(number("Weight"));
  const std::string weight = WeightName(number("Weight"));
  if (!weight.empty()) line += " (" + weight + ")";
  const std::pair<const char*, const char*> flags[] = {
      {"Italic", "italic"}, {"Underline", "underline"}, {"StrikeOut", "strike-out"}};
  for (const auto& [field, shown] : flags) {
    if (number(field) == 0) continue;
    line += std::string(", ") + shown;
    // Any value but 0 turns the flag on; one other than 1 is shown, as check reports it.
    if (number(field) != 1) line += " (" + std::to_string(number(field)) + ")";
  }
  line += ", character set " + std::to_string(number("CharSet"));
  const std::string charSet = CharSetName(number("CharSet"));
  if (!charSet.empty()) line += " (" + charSet + ")";
  return line;
}

}  // namespace

size_t Tool::PrintEntries(const std::vector<Entry>& entries, size_t first) {
  const Entry& entry = entries[first];
  const auto stored = [&](size_t at, std::string_view suffix) {
    return at < entries.size() && entries[at].value && EndsWith(entries[at].key, suffix);
  };
  // An ECG colour's three components, as one colour.
  if (stored(first, ".Red") && stored(first + 1, ".Green") && stored(first + 2, ".Blue")) {
    const std::string prefix = entry.key.substr(0, entry.key.size() - 4);
    const int64_t red = Number(entry);
    const int64_t green = Number(entries[first + 1]);
    const int64_t blue = Number(entries[first + 2]);
    out_ << "  " << prefix << " = " << HexColour(red, green, blue)
         << (swatches_ ? " " + Swatch(red, green, blue) : "") << " (.Red " << red << ", .Green "
         << green << ", .Blue " << blue << ")\n";
    return 3;
  }
  // A label font: one line for what people read a font by, then its other fields.
  const size_t fontAt = entry.key.find(kFontLeaves);
  if (fontAt != std::string::npos && EndsWith(entry.key, ".Height")) {
    const std::string prefix = entry.key.substr(0, fontAt + kFontLeaves.size());
    size_t end = first;
    std::map<std::string, const Entry*> fields;
    for (; end < entries.size() && entries[end].key.rfind(prefix, 0) == 0; ++end) {
      if (entries[end].value) fields.emplace(entries[end].key.substr(prefix.size()), &entries[end]);
    }
    const bool whole =
        std::all_of(std::begin(kFontLineFields), std::end(kFontLineFields),
                    [&](std::string_view field) { return fields.count(std::string(field)) != 0; });
    if (whole) {
      out_ << "  " << prefix.substr(0, prefix.size() - 1) << " = " << FontLine(fields) << "\n";
      for (size_t at = first; at < end; ++at) {
        const std::string field = entries[at].key.substr(prefix.size());
        if (std::find(std::begin(kFontLineFields), std::end(kFontLineFields), field) ==
            std::end(kFontLineFields)) {
          PrintEntries(entries, at);
        }
      }
      return end - first;
    }
  }
  if (entry.value) {
    out_ << "  " << entry.key << " = " << ShownValue(entry.key, *entry.value, swatches_) << "\n";
  } else {
    out_ << "  " << entry.key << ": not stored\n";
  }
  return 1;
}

}  // namespace viewersettings::cli
