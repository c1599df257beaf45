// Values on the command line: as every command prints them outside JSON, and text typed in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/Field.h"

namespace viewersettings::cli {

// Numbers in decimal (floats in their shortest form), text as it is, in UTF-8.
std::string PlainText(const catalogue::Value& value);

// Whether the setting of `key` is a colour 0x00BBGGRR.
bool IsColour(const std::string& key);
// A value as show and set print it: as PlainText, and a colour with its #RRGGBB beside the stored
// number (and, with `swatch`, a swatch of it for a terminal that shows colour).
std::string ShownValue(const std::string& key, const catalogue::Value& value, bool swatch);

class JsonWriter;
// Integers and floats as JSON numbers, text as a JSON string.
void WriteValue(JsonWriter& json, const catalogue::Value& value);

// Text from the command line or a file as UTF-16; nothing when it is not UTF-8 (it would come
// back altered).
std::optional<std::u16string> FromUtf8Exactly(std::string_view text);

}  // namespace viewersettings::cli
