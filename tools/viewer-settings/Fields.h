// One setting inside a caller-owned record: where it lives, how its value is shown, and how a
// value typed on the command line is checked against the field before it goes into the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "ViewerSettings.h"

namespace viewersettings::cli {

// The font record's own types: LONG and WCHAR on Windows, int32_t and char16_t elsewhere.
using FontLong = decltype(LOGFONTW::lfHeight);
using FontChar = std::remove_extent_t<decltype(LOGFONTW::lfFaceName)>;

// A fixed array of UTF-16 units holding a NUL-terminated name (a font's face name).
struct FaceNameRef {
  FontChar* units;
  size_t size;
};

// The field's place in its record. std::monostate stands for an entry of a list that the getter
// did not return, so that it can be named and shown as not stored.
#if defined(_WIN32)
using FieldRef = std::variant<std::monostate, int16_t*, int32_t*, FontLong*, uint32_t*, uint8_t*,
                              float*, std::u16string*, FaceNameRef>;
#else
using FieldRef = std::variant<std::monostate, int16_t*, int32_t*, uint32_t*, uint8_t*, float*,
                              std::u16string*, FaceNameRef>;
#endif

struct Field {
  std::string key;  // as typed for get and set, e.g. "DICOM.LocalImageDir"
  FieldRef ref;
  bool settable = true;  // false for entries of lists, which only show and get read
};

// A setting's value: an integer, a float, or text in UTF-8.
using Value = std::variant<int64_t, float, std::string>;

// Nothing for std::monostate.
std::optional<Value> ValueOf(const FieldRef& ref);
// Floats compare by their bits, so a stored NaN equals itself.
bool SameValue(const Value& a, const Value& b);

// Gives the field one of two different values (which = 0 or 1). A getter leaves the fields whose
// elements are missing as they were, so a field that differs after two reads into differently
// filled records was not stored.
void FillSentinel(const FieldRef& ref, int which);

// Checks `text` against the field and stores it there. Empty on success, else what the field
// takes ("an integer from -32768 to 32767"); the field is unchanged then.
std::string Assign(const FieldRef& ref, std::string_view text);

// What the field takes, for the help text and refusals.
std::string Describe(const FieldRef& ref);

// The value as `get` prints it: numbers in decimal, text as it is.
std::string PlainText(const Value& value);
// The value as `show` prints it: text in double quotes with escapes, so that empty text and
// control characters are visible.
std::string ShownText(const Value& value);

// Prefixes every key of `fields` with `prefix` and appends them to `to`.
void AppendPrefixed(std::vector<Field>& to, const std::string& prefix, std::vector<Field> fields);

}  // namespace viewersettings::cli
