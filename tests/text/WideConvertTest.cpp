#include "text/WideConvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "text/Utf8.h"

namespace {

using namespace viewersettings::text;

TEST(WideToInt32, ReadsLikeTheRuntime) {
  const struct {
    const char16_t* text;
    int32_t value;
  } cases[] = {
      {u"0", 0},
      {u"2048", 2048},
      {u"-12ab", -12},
      {u" \t\r\n+7x", 7},
      {u"abc", 0},
      {u"", 0},
      {u"-", 0},
      {u"- 5", 0},
      {u"007", 7},
      {u"1.9", 1},
      {u"2147483647", INT32_MAX},
      {u"-2147483648", INT32_MIN},
      {u"2147483648", INT32_MAX},
      {u"-99999999999999999999", INT32_MIN},
      {u"70000", 70000},
      {u"\x00A0"
       u"5",
       0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WideToInt32(c.text), c.value) << ToUtf8(c.text);
  }
  EXPECT_EQ(WideToInt32(nullptr), 0);
}

TEST(WideToDouble, ReadsLikeTheRuntime) {
  const struct {
    const char16_t* text;
    double value;
  } cases[] = {
      {u"0.080000", 0.08}, {u"2.5", 2.5},   {u"  -1.200000", -1.2}, {u"+3", 3.0},
      {u".5", 0.5},        {u"5.", 5.0},    {u"1e3", 1000.0},       {u"1E-2x", 0.01},
      {u"1e", 1.0},        {u"1e+", 1.0},   {u"abc", 0.0},          {u".", 0.0},
      {u"", 0.0},          {u"12,5", 12.0}, {u"0x10", 0.0},         {u"1e-400", 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(WideToDouble(c.text), c.value) << ToUtf8(c.text);
  }
  EXPECT_EQ(WideToDouble(u"1e400"), HUGE_VAL);
  EXPECT_EQ(WideToDouble(u"-1e400"), -HUGE_VAL);
  EXPECT_EQ(WideToDouble(u"inf"), HUGE_VAL);
  EXPECT_TRUE(std::isnan(WideToDouble(u"nan")));
}

TEST(Format, DecimalAndFixed) {
  EXPECT_EQ(FormatDecimal(0), u"0");
  EXPECT_EQ(FormatDecimal(-40), u"-40");
  EXPECT_EQ(FormatDecimal(INT32_MIN), u"-2147483648");
  EXPECT_EQ(FormatFixed(1.5), u"1.500000");
  EXPECT_EQ(FormatFixed(2.25), u"2.250000");
  EXPECT_EQ(FormatFixed(static_cast<float>(0.08)), u"0.080000");
  EXPECT_EQ(FormatFixed(static_cast<float>(1.2)), u"1.200000");
  EXPECT_EQ(FormatFixed(0.0000001), u"0.000000");
  EXPECT_EQ(FormatFixed(-0.5), u"-0.500000");
  EXPECT_EQ(FormatFixed(1e20), u"100000000000000000000.000000");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::max()).size(), 309u + 7u);
}

TEST(Utf8, RoundTripsAndReplacesUnpairedSurrogates) {
  const std::u16string text = u"a\u00e9\u4e2d\uFFFD\U0001F600\U0010FFFF";
  EXPECT_EQ(ToUtf8(text), "a\xC3\xA9\xE4\xB8\xAD\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8Exactly(text), ToUtf8(text));
  EXPECT_EQ(ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
  // A high surrogate at the end, a low one alone, a pair in the wrong order.
  for (const std::u16string unpaired : {u"z\xD83D", u"\xDE00z", u"\xDE00\xD83D"}) {
    EXPECT_EQ(ToUtf8Exactly(unpaired), std::nullopt) << ToUtf8(unpaired);
  }
}

TEST(Utf8, EachMalformedSequenceIsOneReplacementAndIsReported) {
  const struct {
    std::string bytes;
    std::u16string text;
    std::vector<std::pair<size_t, size_t>> malformed;  // offset and length of each
  } cases[] = {
      {"\x80z", u"\xFFFDz", {{0, 1}}},                        // a continuation byte alone
      {"\xC0\x80z", u"\xFFFD\xFFFDz", {{0, 1}, {1, 1}}},      // C0 never starts a sequence
      {"\xE4\xB8", u"\xFFFD", {{0, 2}}},                      // cut off at the end
      {"\xE4\xB8z\xE4\xB8\xAD", u"\xFFFDz\u4e2d", {{0, 2}}},  // cut off by the next one
      {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD", {{0, 1}, {1, 1}, {2, 1}}},  // overlong
      {"\xF0\x80\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD", {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD", {{0, 1}, {1, 1}, {2, 1}}},  // a surrogate
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD", {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
      {"\xF0\x9F\x98", u"\xFFFD", {{0, 3}}},
      {"Gr\xF6\xDFz", u"Gr\xFFFD\xFFFDz", {{2, 1}, {3, 1}}},  // Latin-1
      {"\xFF\xFE", u"\xFFFD\xFFFD", {{0, 1}, {1, 1}}},
      {std::string("z\0z", 3), std::u16string(u"z\0z", 3), {}},
  };
  for (const auto& c : cases) {
    size_t count = 0;
    std::vector<MalformedBytes> malformed;
    EXPECT_EQ(FromUtf8(c.bytes, count, &malformed), c.text) << c.bytes;
    EXPECT_EQ(count, c.malformed.size());
    std::vector<std::pair<size_t, size_t>> found;
    for (const MalformedBytes& run : malformed) found.emplace_back(run.offset, run.length);
    EXPECT_EQ(found, c.malformed) << c.bytes;
  }
}

}  // namespace
