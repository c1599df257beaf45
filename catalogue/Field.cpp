#include "catalogue/Field.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "settings/dicom/ModalityName.h"
#include "text/WideConvert.h"

namespace viewersettings::catalogue {
namespace {

using store::Overloaded;

// Numbers are ASCII; any other unit makes the text no number.
std::optional<std::string> Ascii(std::u16string_view text) {
  std::string ascii;
  for (const char16_t unit : text) {
    if (unit >= 0x80) return std::nullopt;
    ascii += static_cast<char>(unit);
  }
  return ascii;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (magnitude > kLimit) return std::nullopt;
  const auto value = static_cast<int64_t>(magnitude);
  return negative ? -value : value;
}

std::optional<float> ParseFloat(std::string_view text) {
  float value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

template <class Int>
std::string DescribeInteger() {
  return "an integer from " + std::to_string(std::numeric_limits<Int>::min()) + " to " +
         std::to_string(std::numeric_limits<Int>::max());
}

std::u16string FaceNameText(const FaceNameRef& name) {
  std::u16string units;
  for (size_t i = 0; i < name.size && name.units[i] != 0; ++i) {
    units += static_cast<char16_t>(name.units[i]);
  }
  return units;
}

}  // namespace

std::optional<Value> ValueOf(const FieldRef& ref) {
  return std::visit(
      Overloaded{
          [](std::monostate) -> std::optional<Value> { return std::nullopt; },
          [](float* field) -> std::optional<Value> { return Value(*field); },
          [](std::u16string* field) -> std::optional<Value> { return Value(*field); },
          [](FaceNameRef field) -> std::optional<Value> { return Value(FaceNameText(field)); },
          [](ModalityNameRef field) -> std::optional<Value> { return Value(*field.name); },
          [](auto* field) -> std::optional<Value> { return Value(static_cast<int64_t>(*field)); }},
      ref);
}

bool SameValue(const Value& a, const Value& b) {
  if (std::holds_alternative<float>(a) && std::holds_alternative<float>(b)) {
    const float x = std::get<float>(a);
    const float y = std::get<float>(b);
    return std::memcmp(&x, &y, sizeof x) == 0;
  }
  return a == b;
}

std::optional<Value> Parse(const FieldRef& kind, std::u16string_view text) {
  return std::visit(
      Overloaded{
          [](std::monostate) -> std::optional<Value> { return std::nullopt; },
          [text](float*) -> std::optional<Value> {
            const auto ascii = Ascii(text);
            const auto value = ascii ? ParseFloat(*ascii) : std::nullopt;
            if (!value) return std::nullopt;
            return Value(*value);
          },
          [text](std::u16string*) -> std::optional<Value> { return Value(std::u16string(text)); },
          [text](FaceNameRef field) -> std::optional<Value> {
            if (text.size() >= field.size) return std::nullopt;
            return Value(std::u16string(text));
          },
          [text](ModalityNameRef) -> std::optional<Value> {
            std::u16string name(text);
            if (!dicom::IsUsableModalityName(name)) return std::nullopt;
            return Value(std::move(name));
          },
          [text](auto* field) -> std::optional<Value> {
            using Int = std::remove_pointer_t<decltype(field)>;
            const auto ascii = Ascii(text);
            const auto value = ascii ? ParseInteger(*ascii) : std::nullopt;
            if (!value || *value < std::numeric_limits<Int>::min() ||
                *value > static_cast<int64_t>(std::numeric_limits<Int>::max())) {
              return std::nullopt;
            }
            return Value(*value);
          }},
      kind);
}

void Assign(const FieldRef& ref, const Value& value) {
  std::visit(
      Overloaded{[](std::monostate) {}, [&value](float* field) { *field = std::get<float>(value); },
                 [&value](std::u16string* field) { *field = std::get<std::u16string>(value); },
                 [&value](FaceNameRef field) {
                   const auto& units = std::get<std::u16string>(value);
                   for (size_t i = 0; i < field.size; ++i) {
                     field.units[i] =
                         i < units.size() ? static_cast<FontChar>(units[i]) : FontChar(0);
                   }
                 },
                 [&value](ModalityNameRef field) { *field.name = std::get<std::u16string>(value); },
                 [&value](auto* field) {
                   using Int = std::remove_pointer_t<decltype(field)>;
                   *field = static_cast<Int>(std::get<int64_t>(value));
                 }},
      ref);
}

std::string WhatItTakes(const FieldRef& kind) {
  return std::visit(
      Overloaded{
          [](std::monostate) -> std::string { return "an entry of a list"; },
          [](float*) -> std::string { return "a decimal number (stored with six decimals)"; },
          [](std::u16string*) -> std::string { return "text"; },
          [](FaceNameRef field) -> std::string {
            return "text of at most " + std::to_string(field.size - 1) + " UTF-16 units";
          },
          [](ModalityNameRef) -> std::string {
            return std::string("a modality name, without ") + dicom::kModalityNameRefuses;
          },
          [](uint32_t*) -> std::string {
            return "a colour 0x00BBGGRR, " + DescribeInteger<uint32_t>();
          },
          [](auto* field) -> std::string {
            return DescribeInteger<std::remove_pointer_t<decltype(field)>>();
          }},
      kind);
}

std::u16string TextOf(const Value& value) {
  return std::visit(Overloaded{[](int64_t number) { return text::FormatDecimal(number); },
                               [](float number) { return text::FormatFixed(number); },
                               [](const std::u16string& text) { return text; }},
                    value);
}

}  // namespace viewersettings::catalogue
