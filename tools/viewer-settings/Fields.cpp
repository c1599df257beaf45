#include "tools/viewer-settings/Fields.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/Utf8.h"
#include "tools/viewer-settings/Json.h"

namespace viewersettings::cli {
namespace {

using platform::FromUtf8;
using platform::ToUtf8;

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Decimal, or hexadecimal after "0x"; an optional minus sign first. Nothing else, not even
// blanks, so that a typing slip is refused rather than half read.
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

template <class Int>
std::string DescribeInteger() {
  return "an integer from " + std::to_string(std::numeric_limits<Int>::min()) + " to " +
         std::to_string(std::numeric_limits<Int>::max());
}

std::string FaceNameText(const FaceNameRef& name) {
  std::u16string units;
  for (size_t i = 0; i < name.size && name.units[i] != 0; ++i) {
    units += static_cast<char16_t>(name.units[i]);
  }
  return ToUtf8(units);
}

// Text from the command line, refused when it is not UTF-8 (it would come back altered).
std::optional<std::u16string> ParseText(std::string_view text) {
  std::u16string units = FromUtf8(text);
  if (ToUtf8(units) != text) return std::nullopt;
  return units;
}

}  // namespace

std::optional<Value> ValueOf(const FieldRef& ref) {
  return std::visit(
      Overloaded{
          [](std::monostate) -> std::optional<Value> { return std::nullopt; },
          [](float* field) -> std::optional<Value> { return Value(*field); },
          [](std::u16string* field) -> std::optional<Value> { return Value(ToUtf8(*field)); },
          [](FaceNameRef field) -> std::optional<Value> { return Value(FaceNameText(field)); },
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

void FillSentinel(const FieldRef& ref, int which) {
  std::visit(Overloaded{[](std::monostate) {},
                        [which](float* field) { *field = which == 0 ? -1.25f : 2.5f; },
                        [which](std::u16string* field) { *field = which == 0 ? u"\x1" : u"\x2"; },
                        [which](FaceNameRef field) {
                          for (size_t i = 0; i < field.size; ++i) field.units[i] = 0;
                          field.units[0] = which == 0 ? 1 : 2;
                        },
                        [which](auto* field) {
                          using Int = std::remove_pointer_t<decltype(field)>;
                          *field = which == 0 ? std::numeric_limits<Int>::min()
                                              : std::numeric_limits<Int>::max();
                        }},
             ref);
}

std::string Describe(const FieldRef& ref) {
  return std::visit(
      Overloaded{
          [](std::monostate) -> std::string { return "an entry of a list"; },
          [](float*) -> std::string { return "a decimal number (stored with six decimals)"; },
          [](std::u16string*) -> std::string { return "text"; },
          [](FaceNameRef field) -> std::string {
            return "text of at most " + std::to_string(field.size - 1) + " UTF-16 units";
          },
          [](uint32_t*) -> std::string {
            return "a colour 0x00BBGGRR, " + DescribeInteger<uint32_t>();
          },
          [](auto* field) -> std::string {
            return DescribeInteger<std::remove_pointer_t<decltype(field)>>();
          }},
      ref);
}

std::string Assign(const FieldRef& ref, std::string_view text) {
  const bool stored = std::visit(
      Overloaded{[](std::monostate) { return false; },
                 [text](float* field) {
                   float value = 0;
                   const auto [end, error] =
                       std::from_chars(text.data(), text.data() + text.size(), value);
                   if (error != std::errc() || end != text.data() + text.size() ||
                       !std::isfinite(value)) {
                     return false;
                   }
                   *field = value;
                   return true;
                 },
                 [text](std::u16string* field) {
                   auto units = ParseText(text);
                   if (units) *field = std::move(*units);
                   return units.has_value();
                 },
                 [text](FaceNameRef field) {
                   auto units = ParseText(text);
                   if (!units || units->size() >= field.size) return false;
                   for (size_t i = 0; i < field.size; ++i) {
                     field.units[i] = i < units->size() ? static_cast<FontChar>((*units)[i]) : 0;
                   }
                   return true;
                 },
                 [text](auto* field) {
                   using Int = std::remove_pointer_t<decltype(field)>;
                   const auto value = ParseInteger(text);
                   if (!value || *value < std::numeric_limits<Int>::min() ||
                       *value > static_cast<int64_t>(std::numeric_limits<Int>::max())) {
                     return false;
                   }
                   *field = static_cast<Int>(*value);
                   return true;
                 }},
      ref);
  return stored ? std::string() : Describe(ref);
}

std::string PlainText(const Value& value) {
  return std::visit(Overloaded{[](int64_t number) { return std::to_string(number); },
                               [](float number) {
                                 char digits[32];
                                 const auto end =
                                     std::to_chars(digits, digits + sizeof digits, number).ptr;
                                 return std::string(digits, end);
                               },
                               [](const std::string& text) { return text; }},
                    value);
}

std::string ShownText(const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return JsonQuoted(*text);
  return PlainText(value);
}

void AppendPrefixed(std::vector<Field>& to, const std::string& prefix, std::vector<Field> fields) {
  for (Field& field : fields) {
    field.key = prefix + field.key;
    to.push_back(std::move(field));
  }
}

}  // namespace viewersettings::cli
