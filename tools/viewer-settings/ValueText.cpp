#include "tools/viewer-settings/ValueText.h"

#include <charconv>

#include "catalogue/Catalogue.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/Colour.h"
#include "tools/viewer-settings/Json.h"

namespace viewersettings::cli {

std::string PlainText(const catalogue::Value& value) {
  if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<float>(&value)) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, *real).ptr;
    return std::string(digits, end);
  }
  return text::ToUtf8(std::get<std::u16string>(value));
}

bool IsColour(const std::string& key) {
  const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(key);
  return match && std::holds_alternative<uint32_t*>(catalogue::Settings()[match->setting].kind);
}

std::string ShownValue(const std::string& key, const catalogue::Value& value, bool swatch) {
  std::string shown = PlainText(value);
  const auto* number = std::get_if<int64_t>(&value);
  if (number && IsColour(key)) {
    const auto bgr = static_cast<uint32_t>(*number);
    shown += "  " + HexColour(bgr);
    if (swatch) shown += " " + Swatch(bgr & 0xFF, bgr >> 8 & 0xFF, bgr >> 16 & 0xFF);
  }
  return shown;
}

void WriteValue(JsonWriter& json, const catalogue::Value& value) {
  if (const auto* number = std::get_if<int64_t>(&value)) {
    json.Integer(*number);
  } else if (const auto* real = std::get_if<float>(&value)) {
    json.Number(*real);
  } else {
    json.String(PlainText(value));
  }
}

std::optional<std::u16string> FromUtf8Exactly(std::string_view text) {
  std::u16string units = text::FromUtf8(text);
  if (text::ToUtf8(units) != text) return std::nullopt;
  return units;
}

}  // namespace viewersettings::cli
