// The C interface of ViewerSettingsC.h, over the catalogue. Nothing escapes as an exception: out
// of memory, a getter answers XMLR_FILE_ERROR and a setter XMLR_SET_FAILED, as the exported
// functions do.
#include <algorithm>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "ViewerSettings.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Field.h"
#include "text/Utf8.h"

namespace {

using namespace viewersettings::catalogue;
using viewersettings::text::FromUtf8;
using viewersettings::text::ToUtf8Exactly;

std::u16string Units(const VSChar* text) {
  std::u16string units;
  for (; *text != 0; ++text) units += static_cast<char16_t>(*text);
  return units;
}

// Keys are compared as UTF-8; a key that is not valid UTF-16 names no setting.
std::optional<std::string> KeyOf(const VSChar* key) {
  if (!key) return std::nullopt;
  return ToUtf8Exactly(Units(key));
}

int32_t LengthOf(size_t units) {
  return static_cast<int32_t>(
      std::min<size_t>(units, static_cast<size_t>(std::numeric_limits<int32_t>::max())));
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

// As much of the text as fits with its terminator, never half of a surrogate pair.
void CopyText(const std::u16string& text, VSChar* buffer, int32_t capacity, int32_t* length) {
  if (length) *length = LengthOf(text.size());
  if (!buffer || capacity <= 0) return;
  size_t fits = std::min(text.size(), static_cast<size_t>(capacity) - 1);
  if (fits < text.size() && fits > 0 && IsHighSurrogate(text[fits - 1])) --fits;
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(fits), buffer);
  buffer[fits] = 0;
}

// The result that refuses the pair on its own, by the checks that come before any reading.
std::optional<int32_t> RefusalOf(const Change& change) {
  const std::optional<KeyMatch> match = MatchKey(change.key);
  if (!match) return XMLR_UNKNOWN_KEY;
  const Setting& setting = Settings()[match->setting];
  if (!setting.settable) return XMLR_SET_FAILED;
  if (!Parse(setting.kind, change.text)) return XMLR_BAD_VALUE;
  return std::nullopt;
}

// The index of the first pair that a refused store refused. Refusals of the checks all come
// before any list entry is tried, so where one pair fails them, the first that does is the one;
// otherwise it is the first whose list entry could not be added.
int32_t FirstRefused(const std::vector<Change>& changes, const StoreReport& report) {
  if (report.refusals.empty()) return -1;
  for (size_t i = 0; i < changes.size(); ++i) {
    if (RefusalOf(changes[i])) return static_cast<int32_t>(i);
  }
  for (size_t i = 0; i < changes.size(); ++i) {
    for (const Refusal& refusal : report.refusals) {
      if (refusal.key == changes[i].key) return static_cast<int32_t>(i);
    }
  }
  return -1;
}

}  // namespace

int32_t XMLGetSetting(const VSChar* key, VSChar* buffer, int32_t capacity, int32_t* length) {
  try {
    const std::optional<std::string> name = KeyOf(key);
    if (!name) return XMLR_UNKNOWN_KEY;
    const KeyValue reading = Get(*name);
    if (reading.code == XMLR_GET_OK) CopyText(TextOf(*reading.value), buffer, capacity, length);
    return reading.code;
  } catch (...) {
    return XMLR_FILE_ERROR;
  }
}

int32_t XMLSetSettings(int32_t count, const VSChar* const* keys, const VSChar* const* values,
                       int32_t* refused) {
  int32_t unused = -1;
  int32_t& index = refused ? *refused : unused;
  index = -1;
  try {
    if (count < 0 || (count > 0 && (!keys || !values))) return XMLR_BAD_VALUE;
    std::vector<Change> changes;
    for (int32_t i = 0; i < count; ++i) {
      const std::optional<std::string> name = KeyOf(keys[i]);
      if (!name || !values[i]) {
        // A pair before it may be refused as well: the first one counts.
        for (size_t before = 0; before < changes.size(); ++before) {
          if (const std::optional<int32_t> code = RefusalOf(changes[before])) {
            index = static_cast<int32_t>(before);
            return *code;
          }
        }
        index = i;
        return name ? XMLR_BAD_VALUE : XMLR_UNKNOWN_KEY;
      }
      changes.push_back({*name, Units(values[i])});
    }
    const StoreReport report = Store(changes);
    index = FirstRefused(changes, report);
    return report.code;
  } catch (...) {
    index = -1;
    return XMLR_SET_FAILED;
  }
}

int32_t XMLSetSetting(const VSChar* key, const VSChar* value) {
  return XMLSetSettings(1, &key, &value, nullptr);
}

int32_t XMLListSettings(VSChar* buffer, int32_t capacity, int32_t* length) {
  try {
    std::vector<Entry> entries;
    if (ReadAll(&entries) != XMLR_GET_OK) return XMLR_FILE_ERROR;
    // The whole keys that fit, each with its terminator, then the empty key that ends the list.
    std::u16string list;
    size_t whole = 0;
    for (const Entry& entry : entries) {
      list += FromUtf8(entry.key);
      list += u'\0';
      if (capacity > 0 && list.size() < static_cast<size_t>(capacity)) whole = list.size();
    }
    if (length) *length = LengthOf(list.size());
    if (buffer && capacity > 0) {
      std::copy(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(whole), buffer);
      buffer[whole] = 0;
    }
    return XMLR_GET_OK;
  } catch (...) {
    return XMLR_FILE_ERROR;
  }
}

void XMLSetExeRootPath(const VSChar* dir) {
  try {
    SetExeRootPathOverride(dir ? Units(dir) : std::u16string());
  } catch (...) {
    // Out of memory: the directory stays as it was.
  }
}

int32_t XMLGetLibraryVersion() {
  return VIEWERSETTINGS_VERSION_NUMBER;
}
