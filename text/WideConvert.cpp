#include "text/WideConvert.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace viewersettings::text {
namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}
bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
char16_t Lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

// True when `text` begins with `word`, ignoring ASCII case.
bool StartsWithWord(const char16_t* text, const char* word) {
  for (; *word; ++word, ++text) {
    if (Lower(*text) != static_cast<char16_t>(*word)) return false;
  }
  return true;
}

std::u16string Widen(const char* first, const char* last) {
  return std::u16string(first, last);
}

}  // namespace

int32_t WideToInt32(const char16_t* text) {
  if (!text) return 0;
  while (IsSpace(*text)) ++text;
  const bool negative = *text == u'-';
  if (*text == u'-' || *text == u'+') ++text;
  // Accumulate as a negative number so that INT32_MIN is reachable.
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  int64_t magnitude = 0;
  for (; IsDigit(*text); ++text) {
    magnitude = magnitude * 10 + (*text - u'0');
    if (magnitude > kLimit) magnitude = kLimit + 1;  // saturated; keep consuming digits
  }
  if (negative)
    return magnitude >= kLimit ? std::numeric_limits<int32_t>::min()
                               : static_cast<int32_t>(-magnitude);
  return magnitude >= kLimit ? std::numeric_limits<int32_t>::max()
                             : static_cast<int32_t>(magnitude);
}

double WideToDouble(const char16_t* text) {
  if (!text) return 0.0;
  while (IsSpace(*text)) ++text;
  const bool negative = *text == u'-';
  if (*text == u'-' || *text == u'+') ++text;
  const double sign = negative ? -1.0 : 1.0;
  if (StartsWithWord(text, "inf")) return sign * std::numeric_limits<double>::infinity();
  if (StartsWithWord(text, "nan")) return std::numeric_limits<double>::quiet_NaN();

  // Copy the longest prefix of the form digits [. digits] [e [sign] digits] as ASCII.
  std::string number;
  int integerDigits = 0;
  bool seenNonZero = false;
  const char16_t* p = text;
  for (; IsDigit(*p); ++p) {
    number += static_cast<char>(*p);
    if (*p != u'0') seenNonZero = true;
    if (seenNonZero) ++integerDigits;
  }
  int fractionDigits = 0;
  if (*p == u'.') {
    number += '.';
    for (++p; IsDigit(*p); ++p, ++fractionDigits) number += static_cast<char>(*p);
  }
  if (number.empty() || number == ".") return 0.0;
  long exponent = 0;
  if ((*p == u'e' || *p == u'E') &&
      (IsDigit(p[1]) || ((p[1] == u'+' || p[1] == u'-') && IsDigit(p[2])))) {
    number += 'e';
    ++p;
    const bool negativeExponent = *p == u'-';
    if (*p == u'+' || *p == u'-') number += static_cast<char>(*p++);
    for (; IsDigit(*p); ++p) {
      number += static_cast<char>(*p);
      if (exponent < 100000) exponent = exponent * 10 + (*p - u'0');
    }
    if (negativeExponent) exponent = -exponent;
  }

  double value = 0.0;
  const std::errc error = std::from_chars(number.data(), number.data() + number.size(), value).ec;
  if (error == std::errc::result_out_of_range) {
    // Decide between overflow and underflow from the decimal magnitude.
    const bool overflow = seenNonZero ? integerDigits + exponent > 0 : exponent > 0;
    return overflow ? sign * HUGE_VAL : sign * 0.0;
  }
  if (error != std::errc()) return 0.0;
  return sign * value;
}

std::u16string FormatDecimal(int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Widen(buffer, result.ptr);
}

std::u16string FormatFixed(double value) {
  // The largest double needs 309 integer digits, a sign, a point and six decimals.
  char buffer[330];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return Widen(buffer, result.ptr);
}

}  // namespace viewersettings::text
