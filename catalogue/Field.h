// One setting's place in a caller-owned record, and its values: what a value must be, how text
// becomes a value and a value text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "ViewerSettings.h"

namespace viewersettings::catalogue {

// The font record's own types: LONG and WCHAR on Windows, int32_t and char16_t elsewhere.
using FontLong = decltype(LOGFONTW::lfHeight);
using FontChar = std::remove_extent_t<decltype(LOGFONTW::lfFaceName)>;

// A fixed array of UTF-16 units holding a NUL-terminated name (a font's face name).
struct FaceNameRef {
  FontChar* units;
  size_t size;
};

// Text that names a modality, and so must be usable as an element name.
struct ModalityNameRef {
  std::u16string* name;
};

// The field's place in its record. std::monostate stands for an entry of a list that the record
// does not hold. A FieldRef whose pointer is null stands for the kind of field alone.
#if defined(_WIN32)
using FieldRef = std::variant<std::monostate, int16_t*, int32_t*, FontLong*, uint32_t*, uint8_t*,
                              float*, std::u16string*, FaceNameRef, ModalityNameRef>;
#else
using FieldRef = std::variant<std::monostate, int16_t*, int32_t*, uint32_t*, uint8_t*, float*,
                              std::u16string*, FaceNameRef, ModalityNameRef>;
#endif

// A setting's value: an integer, a float, or text.
using Value = std::variant<int64_t, float, std::u16string>;

// The same kind of field with a null pointer.
FieldRef KindOf(const FieldRef& ref);

// Nothing for std::monostate.
std::optional<Value> ValueOf(const FieldRef& ref);
// Floats compare by their bits, so a stored NaN equals itself.
bool SameValue(const Value& a, const Value& b);

// One of two values (which = 0 or 1) that differ from each other for every kind of field. A
// getter leaves the fields whose elements are missing as they were, so a field that differs
// between two reads into records filled with these was not stored.
Value Sentinel(const FieldRef& kind, int which);

// Checks `text` against the kind of field: the value it stands for, or nothing when it does not
// fit. Integers are decimal, or hexadecimal after "0x", with an optional minus sign and nothing
// else (not even blanks), so that a typing slip is refused rather than half read.
std::optional<Value> Parse(const FieldRef& kind, std::u16string_view text);

// Stores a value that fits the field (from Parse or ValueOf of the same kind).
void Assign(const FieldRef& ref, const Value& value);

// What the kind of field takes ("an integer from -32768 to 32767").
std::string Describe(const FieldRef& kind);

// The value as the file keeps it: numbers in decimal, floats with six decimals, text as it is.
std::u16string TextOf(const Value& value);

}  // namespace viewersettings::catalogue
