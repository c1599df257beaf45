// The label settings of one modality on real files: the symbol, text and font accesses, their
// value forms, forward lookup of leaves and the composite results.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;

DICOMLabelInfo Sample() {
  DICOMLabelInfo info{};
  info.Point = {-1, 4};
  info.Line = {7, -2};
  info.Arrow = {300, 20};
  info.Text.Unit = 1;
  info.Text.Precision = 3;
  LOGFONTW& font = info.Text.Font;
  font.lfHeight = -12;
  font.lfWeight = 700;
  font.lfItalic = 1;
  font.lfCharSet = 134;
  font.lfQuality = '<';
  font.lfPitchAndFamily = 0xFF;
  const char16_t face[] = u"Arial";
  std::memcpy(font.lfFaceName, face, sizeof face);
  info.Text.Color = 0xFF0080FF;
  return info;
}

// A record that differs from Sample() in every field, so that kept fields show.
DICOMLabelInfo Former() {
  DICOMLabelInfo info;
  std::memset(&info, 0x5A, sizeof info);
  return info;
}

bool SameFont(const LOGFONTW& a, const LOGFONTW& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameLabel(const DICOMLabelInfo& a, const DICOMLabelInfo& b) {
  const auto sameSymbol = [](const DICOMLabelSymbol& x, const DICOMLabelSymbol& y) {
    return x.Style == y.Style && x.Size == y.Size;
  };
  return sameSymbol(a.Point, b.Point) && sameSymbol(a.Line, b.Line) &&
         sameSymbol(a.Arrow, b.Arrow) && a.Text.Unit == b.Text.Unit &&
         a.Text.Precision == b.Text.Precision && a.Text.Color == b.Text.Color &&
         SameFont(a.Text.Font, b.Text.Font);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The file as XMLSetDICOMLabelInfo stores Sample() for "CT" under an empty root.
std::string SampleFile() {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  const DICOMLabelInfo sample = Sample();
  EXPECT_EQ(XMLSetDICOMLabelInfo(u"CT", &sample), XMLR_SET_OK);
  return dir.Text();
}

TEST(LabelInfo, StoresEveryValueFormAndReadsItBack) {
  const std::string text = SampleFile();
  for (const char* leaf :
       {"<Point>\r\n<Style Value=\"-1\"/>\r\n<Size Value=\"4\"/>\r\n</Point>",
        "<Text>\r\n<Unit Value=\"1\"/>\r\n<Precision Value=\"3\"/>\r\n<Font>\r\n",
        "<Font>\r\n<Height Value=\"-12\"/>", "<Escapment Value=\"0\"/>",
        "<Italic Value=\"\x01\"/>\r\n<Underline Value=\"\"/>", "<CharSet Value=\"\u0086\"/>",
        "<Quality Value=\"&lt;\"/>",
        "<PitchAndFamily Value=\"\u00FF\"/>\r\n<Color Value=\"-16744193\"/>\r\n"
        "<FaceName Value=\"Arial\"/>\r\n</Font>\r\n</Text>"}) {
    EXPECT_NE(text.find(leaf), std::string::npos) << leaf;
  }
  SettingsDir dir;
  dir.Write(text);
  DICOMLabelInfo info = Former();
  const DICOMLabelInfo sample = Sample();
  EXPECT_EQ(XMLGetDICOMLabelInfo(u"CT", &info), XMLR_GET_OK);
  EXPECT_TRUE(SameLabel(info, sample));  // the face name is zero after "Arial"
}

TEST(LabelInfo, ReadsOddFilesLeafByLeaf) {
  const std::string stored = SampleFile();
  const DICOMLabelInfo sample = Sample();
  const DICOMLabelInfo former = Former();
  struct Case {
    const char* name;
    std::string file;
    int32_t code;
    std::function<void(const DICOMLabelInfo&)> check;
  };
  const Case cases[] = {
      {"StyleKeepsLow16Bits", Replaced(stored, "<Style Value=\"-1\"/>", "<Style Value=\"65537\"/>"),
       XMLR_GET_OK, [](const DICOMLabelInfo& r) { EXPECT_EQ(r.Point.Style, 1); }},
      {"ByteTakesLow8BitsOfFirstUnit",
       Replaced(stored, "<Italic Value=\"\x01\"/>", "<Italic Value=\"\u0101r\"/>"), XMLR_GET_OK,
       [](const DICOMLabelInfo& r) { EXPECT_EQ(r.Text.Font.lfItalic, 1); }},
      {"LongFaceNameIsCut", Replaced(stored, "Arial", std::string(40, 'F')), XMLR_GET_OK,
       [](const DICOMLabelInfo& r) {
         for (int i = 0; i < 31; ++i) EXPECT_EQ(r.Text.Font.lfFaceName[i], u'F');
         EXPECT_EQ(r.Text.Font.lfFaceName[31], 0);
       }},
      {"UnitMissing", Replaced(stored, "<Unit Value=\"1\"/>", ""), XMLR_GET_NOT_FOUND,
       [&](const DICOMLabelInfo& r) {
         EXPECT_EQ(r.Text.Unit, former.Text.Unit);
         EXPECT_EQ(r.Text.Precision, 3);
         EXPECT_TRUE(SameFont(r.Text.Font, sample.Text.Font));
         EXPECT_EQ(r.Text.Color, sample.Text.Color);
       }},
      {"FaceNameMissingKeepsFontAndColour", Replaced(stored, "<FaceName Value=\"Arial\"/>", ""),
       XMLR_GET_NOT_FOUND,
       [&](const DICOMLabelInfo& r) {
         EXPECT_EQ(r.Text.Unit, 1);
         EXPECT_EQ(r.Text.Precision, 3);
         EXPECT_TRUE(SameFont(r.Text.Font, former.Text.Font));
         EXPECT_EQ(r.Text.Color, former.Text.Color);
         EXPECT_EQ(r.Arrow.Size, 20);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsDir dir;
    dir.Write(c.file);
    DICOMLabelInfo info = Former();
    EXPECT_EQ(XMLGetDICOMLabelInfo(u"CT", &info), c.code);
    c.check(info);
  }
}

TEST(LabelInfo, OtherModalityOrNoFileLeavesTheRecord) {
  SettingsDir dir;
  dir.Write(SampleFile());
  const DICOMLabelInfo former = Former();
  DICOMLabelInfo info = former;
  EXPECT_EQ(XMLGetDICOMLabelInfo(u"MR", &info), XMLR_GET_NOT_FOUND);
  EXPECT_TRUE(SameLabel(info, former));

  std::filesystem::remove(dir.File());
  std::filesystem::create_directory(dir.File());
  EXPECT_EQ(XMLGetDICOMLabelInfo(u"CT", &info), XMLR_GET_NOT_FOUND);
  EXPECT_TRUE(SameLabel(info, former));
  const DICOMLabelInfo sample = Sample();
  EXPECT_EQ(XMLSetDICOMLabelInfo(u"CT", &sample), XMLR_SET_FAILED);
}

TEST(LabelInfo, SetterLooksLeavesUpForwardAndAddsAfterTheLastOne) {
  SettingsDir dir;
  dir.Write(
      "<SystemSetting><DICOMViewer><CT><Label><Symbol>"
      "<Point><Size Value='9'/><Style Value='9'/></Point>"
      "</Symbol></Label></CT></DICOMViewer></SystemSetting>");
  const DICOMLabelInfo sample = Sample();
  EXPECT_EQ(XMLSetDICOMLabelInfo(u"CT", &sample), XMLR_SET_OK);
  EXPECT_NE(dir.Text().find("<Point><Size Value='9'/><Style Value='-1'/><Size Value=\"4\"/>\r\n"
                            "</Point>"),
            std::string::npos);
  DICOMLabelInfo info = Former();
  EXPECT_EQ(XMLGetDICOMLabelInfo(u"CT", &info), XMLR_GET_OK);
  EXPECT_EQ(info.Point.Size, 4);
}

}  // namespace
