// The forms people write and read values in: colours, font weights and character sets, the
// character form of one-byte font fields, and the close matches offered for a slip.
#include <gtest/gtest.h>

#include "tools/viewer-settings/Colour.h"
#include "tools/viewer-settings/FontText.h"
#include "tools/viewer-settings/Suggest.h"

namespace {

using namespace viewersettings::cli;

TEST(CliForms, ColoursInEveryAcceptedFormAndRefusalsThatNameTheForms) {
  const std::pair<const char*, uint32_t> accepted[] = {
      {"#FF0000", 0x0000FF},     {"#00ff80", 0x80FF00},  {"255,0,0", 0x0000FF},
      {"0, 128 ,255", 0xFF8000}, {"64250", 64250},       {"0x00FF0000", 0xFF0000},
      {"0xFF0000", 0xFF0000},    {"16777215", 0xFFFFFF}, {"0", 0},
  };
  for (const auto& [text, value] : accepted) {
    const ParsedColour parsed = ParseColour(text);
    ASSERT_TRUE(parsed.value) << text << ": " << parsed.error;
    EXPECT_EQ(*parsed.value, value) << text;
  }
  const char* refused[] = {"0xFF00FF00", "16777216", "-1", "#FF00", "#GG0000", "256,0,0", "1,2",
                           "1,2,3,4",    "red",      "",   "0x",    " 255",    "1,,2"};
  for (const char* text : refused) {
    const ParsedColour parsed = ParseColour(text);
    EXPECT_FALSE(parsed.value) << text;
    EXPECT_NE(parsed.error.find(kColourForms), std::string::npos) << text << ": " << parsed.error;
  }
  EXPECT_NE(ParseColour("0xFF00FF00").error.find("above 0x00FFFFFF"), std::string::npos);

  EXPECT_EQ(HexColour(64250), "#FAFA00");
  EXPECT_EQ(HexColour(255), "#FF0000");
  EXPECT_EQ(HexColour(0x12345678), "#785634") << "the high byte is no part of the colour";
  EXPECT_EQ(HexColour(1, 171, 255), "#01ABFF");
}

TEST(CliForms, FontNamesAndHandTypedOneByteFields) {
  EXPECT_EQ(WeightName(400), "normal");
  EXPECT_EQ(WeightName(700), "bold");
  EXPECT_EQ(WeightName(450), "");
  EXPECT_EQ(CharSetName(134), "GB2312");
  EXPECT_EQ(CharSetName(0), "ANSI");
  EXPECT_EQ(CharSetName(3), "");

  const struct {
    const char16_t* element;
    const char16_t* text;
    const char* readAs;  // nullptr: in character form
  } rows[] = {
      {u"Italic", u"1", "reads as 49"},    {u"Underline", u"0", "reads as 48"},
      {u"CharSet", u"134", "reads as 49"}, {u"Quality", u"ab", "reads as 97"},
      {u"Italic", u"\x01", nullptr},       {u"CharSet", u"\x86", nullptr},
      {u"CharSet", u"1", nullptr},         {u"Italic", u"", nullptr},
      {u"Weight", u"700", nullptr},        {u"FaceName", u"Arial", nullptr},
  };
  for (const auto& row : rows) {
    const std::optional<std::string> found = HandTypedFontField(row.element, row.text);
    if (!row.readAs) {
      EXPECT_FALSE(found) << *found;
      continue;
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(found->rfind(row.readAs, 0), 0u) << *found;
  }
}

TEST(CliForms, CloseMatchesPutCaseFirstThenSmallSlipsAtMostThree) {
  const std::vector<std::string> known = {
      "MinDiskSpace",  "LockStationTime",
      "minDiskSpaces", "Modality.General.Label.Text.Font.Escapment",
      "show",          "set",
      "get",           "reset"};
  const struct {
    const char* typed;
    std::vector<std::string> expected;
  } rows[] = {
      {"mindiskspace", {"MinDiskSpace", "minDiskSpaces"}},
      {"MinDiskSpac", {"MinDiskSpace", "minDiskSpaces"}},
      {"Modality.General.Label.Text.Font.Escapement",
       {"Modality.General.Label.Text.Font.Escapment"}},
      {"sets", {"set"}},
      {"shwo", {"show"}},
      {"frobnicate", {}},
      {"x", {}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CloseMatches(row.typed, known), row.expected) << row.typed;
  }
  EXPECT_EQ(DidYouMean({"a", "b", "c"}), "; did you mean `a`, `b` or `c`?");
  EXPECT_EQ(DidYouMean({}), "");
}

}  // namespace
