// The values of a setting: what a value must be, how text
// becomes a value and a value text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "settings/dicom/ModalityName.h"
#include "store/FieldRef.h"

namespace viewersettings::catalogue {

using dicom::kModalityNameRefuses;
using store::FaceNameRef;
using store::FieldRef;
using store::FontChar;
using store::ModalityNameRef;

// A setting's value: an integer, a float, or text.
using Value = std::variant<int64_t, float, std::u16string>;

// Nothing for std::monostate.
std::optional<Value> ValueOf(const FieldRef& ref);
// Floats compare by their bits, so a stored NaN equals itself.
bool SameValue(const Value& a, const Value& b);

// Checks `text` against the kind of field: the value it stands for, or nothing when it does not
// fit. Integers are decimal, or hexadecimal after "0x", with an optional minus sign and nothing
// else (not even blanks), so that a typing slip is refused rather than half read.
std::optional<Value> Parse(const FieldRef& kind, std::u16string_view text);

// Stores a value that fits the field (from Parse or ValueOf of the same kind).
void Assign(const FieldRef& ref, const Value& value);

// What the kind of field takes ("an integer from -32768 to 32767").
std::string WhatItTakes(const FieldRef& kind);

// The value as the file keeps it: numbers in decimal, floats with six decimals, text as it is.
std::u16string TextOf(const Value& value);

}  // namespace viewersettings::catalogue
