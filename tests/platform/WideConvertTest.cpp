#include "platform/WideConvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/Utf8.h"

namespace {

using namespace viewersettings::platform;

TEST(WideToInt32, ReadsLikeTheRuntime) {
  const struct {
    const char16_t* text;
    int32_t value;
  } cases[] = {
      {u"0", 0},           {u"2048", 2048},         {u"-12ab", -12},
      {u" \t\r\n+7x", 7},  {u"abc", 0},             {u"", 0},
      {u"-", 0},           {u"- 5", 0},             {u"007", 7},
      {u"1.9", 1},         {u"2147483647", INT32_MAX}, {u"-2147483648", INT32_MIN},
      {u"2147483648", INT32_MAX}, {u"-99999999999999999999", INT32_MIN},
      {u"70000", 70000},   {u"\x00A0" u"5", 0},
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
      {u"0.080000", 0.08}, {u"2.5", 2.5},     {u"  -1.200000", -1.2}, {u"+3", 3.0},
      {u".5", 0.5},        {u"5.", 5.0},      {u"1e3", 1000.0},       {u"1E-2x", 0.01},
      {u"1e", 1.0},        {u"1e+", 1.0},     {u"abc", 0.0},          {u".", 0.0},
      {u"", 0.0},          {u"12,5", 12.0},   {u"0x10", 0.0},         {u"1e-400", 0.0},
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

TEST(Utf8, RoundTripsAndReplacesMalformedInput) {
  const std::u16string text = u"a\u00e9\u4e2d\U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(FromUtf8("\xC0\x80" "a"), u"\xFFFD\xFFFD" u"a");
  EXPECT_EQ(FromUtf8("\xE4\xB8"), u"\xFFFD\xFFFD");
}

}  // namespace
