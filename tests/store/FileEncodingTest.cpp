// Settings files in UTF-8 (with and without a byte-order mark) and UTF-16BE: every getter reads
// them as it reads the UTF-16LE file, every setter writes them back in their own encoding with
// nothing changed but its values, and a file whose bytes are not valid UTF-8 is never written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewerSettings.h"
#include "support/ExportedCalls.h"
#include "support/FaultEnv.h"
#include "support/SetterOutcomes.h"
#include "support/SettingsDir.h"
#include "support/TemporariesInMemory.h"
#include "text/Utf8.h"

namespace {

using testing_support::FaultEnv;
using testing_support::GetterCall;
using testing_support::GetterCalls;
using testing_support::SameBytes;
using testing_support::SetterCall;
using testing_support::SetterCalls;
using testing_support::SettingsDir;
using testing_support::StationSettingsBytes;
using viewersettings::text::ToUtf8;

enum class Encoding { kUtf8, kUtf8WithMark, kUtf16Be };

std::string NameOf(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8:
      return "Utf8";
    case Encoding::kUtf8WithMark:
      return "Utf8WithMark";
    case Encoding::kUtf16Be:
      return "Utf16Be";
  }
  return "";
}

// `text` in `encoding`; for UTF-8 without a mark, a leading one is left out.
std::string Encoded(std::u16string text, Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8:
      if (!text.empty() && text[0] == u'\uFEFF') text.erase(0, 1);
      return ToUtf8(text);
    case Encoding::kUtf8WithMark:
      return ToUtf8(text);
    case Encoding::kUtf16Be: {
      std::string bytes;
      for (const char16_t unit : text) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
      }
      return bytes;
    }
  }
  return "";
}

// UTF-16LE bytes, as the library writes them, as units.
std::u16string Units(const std::string& utf16Le) {
  std::u16string text;
  for (size_t i = 0; i + 1 < utf16Le.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(utf16Le[i]) |
                                  static_cast<unsigned char>(utf16Le[i + 1]) << 8);
  }
  return text;
}

std::string Reencoded(const std::string& utf16Le, Encoding encoding) {
  return Encoded(Units(utf16Le), encoding);
}

// The first-run file of a fresh directory, as UTF-16LE bytes.
std::string FirstRunBytes() {
  SettingsDir dir;
  int32_t value = 0;
  XMLGetMinDiskSpace(&value);
  return dir.Bytes();
}

// Many write-backs: without waiting for stable storage, in memory where the system has it.
class QuickFiles {
 public:
  QuickFiles() { files_.SyncToStableStorage(false); }

 private:
  testing_support::TemporariesInMemory temporaries_;
  FaultEnv files_;
};

class InEveryEncoding : public testing::TestWithParam<Encoding> {};

TEST_P(InEveryEncoding, GettersReadTheStationsFileAsInUtf16Le) {
  QuickFiles quick;
  const std::string station = StationSettingsBytes();
  SettingsDir dir;
  for (const GetterCall& getter : GetterCalls()) {
    dir.WriteBytes(station);
    const int32_t asUtf16Le = getter.call();
    dir.WriteBytes(Reencoded(station, GetParam()));
    EXPECT_EQ(getter.call(), asUtf16Le) << getter.name;
  }
  // And the values themselves, from three groups.
  std::vector<std::u16string> modalities;
  EXPECT_EQ(XMLGetDICOMAddedModality(&modalities), XMLR_GET_OK);
  EXPECT_EQ(modalities, (std::vector<std::u16string>{u"General", u"CT"}));
  DICOMModalityInfo ct;
  EXPECT_EQ(XMLGetDICOMModalityInfo(u"CT", &ct), XMLR_GET_OK);
  EXPECT_EQ(ct.PatientInfo.LeftTop, u"Name & ID");
  EXPECT_EQ(ct.PatientInfo.RightBottom, u"\"Zoom\"");
  ECGSettingInfo ecg{};
  EXPECT_EQ(XMLGetECGSettingInfo(&ecg), XMLR_GET_OK);
  EXPECT_EQ(ecg.ZoomRatio, 2.5f);
  EXPECT_EQ(ecg.SmoothFilters.size(), 4u);
  EXPECT_TRUE(dir.Bytes() == Reencoded(station, GetParam()));
}

// What each setter leaves in the file is what it leaves in the UTF-16LE file, in the file's
// encoding: the file is byte for byte the old one outside the values the setter changed.
TEST_P(InEveryEncoding, EverySetterChangesOnlyItsValuesAndKeepsTheEncoding) {
  QuickFiles quick;
  const std::string station = StationSettingsBytes();
  SettingsDir dir;
  for (const SetterCall& setter : SetterCalls()) {
    dir.WriteBytes(station);
    ASSERT_EQ(setter.call(), setter.success) << setter.name;
    const std::string expected = Reencoded(dir.Bytes(), GetParam());
    dir.WriteBytes(Reencoded(station, GetParam()));
    EXPECT_EQ(setter.call(), setter.success) << setter.name;
    EXPECT_TRUE(SameBytes(dir.Bytes(), expected)) << setter.name;
  }
}

TEST_P(InEveryEncoding, ASetterChangesItsValueAndNoOtherByte) {
  const Encoding encoding = GetParam();
  SettingsDir dir;
  std::string bytes = Reencoded(FirstRunBytes(), encoding);
  dir.WriteBytes(bytes);
  ASSERT_EQ(XMLSetMinDiskSpace(2048), XMLR_SET_OK);
  const std::string old = Encoded(u"<MinDiskSpace Value=\"1000\"/>", encoding);
  ASSERT_NE(bytes.find(old), std::string::npos);
  bytes.replace(bytes.find(old), old.size(), Encoded(u"<MinDiskSpace Value=\"2048\"/>", encoding));
  EXPECT_TRUE(SameBytes(dir.Bytes(), bytes));
  int32_t value = 0;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
  EXPECT_EQ(value, 2048);
}

TEST_P(InEveryEncoding, TextOutsideAsciiIsStoredInTheFilesEncodingAndReadsBack) {
  const Encoding encoding = GetParam();
  SettingsDir dir;
  dir.WriteBytes(Reencoded(FirstRunBytes(), encoding));
  const std::u16string name = u"Gr\u00f6\u00dfe \u2713 \u65e5\u672c \U0001F600.exe";
  ASSERT_EQ(XMLSetDUZOProcessName(&name), XMLR_SET_OK);
  DICOMLocalInfo node;
  ASSERT_EQ(XMLGetDICOMLocalInfo(&node), XMLR_GET_OK);
  node.LocalImageDir = u"D:\\Bilder\\R\u00f6ntgen\\";
  ASSERT_EQ(XMLSetDICOMLocalInfo(&node), XMLR_SET_OK);

  EXPECT_EQ(XMLGetDUZOProcessName(), name);
  std::u16string imageDir;
  EXPECT_EQ(XMLGetDICOMImagePath(&imageDir), XMLR_GET_OK);
  EXPECT_EQ(imageDir, node.LocalImageDir);
  const std::string bytes = dir.Bytes();
  EXPECT_NE(bytes.find(Encoded(u"<DUZOProcessName Value=\"" + name + u"\"/>", encoding)),
            std::string::npos);
  const std::string start = Encoded(u"\uFEFF<?xml", encoding);  // the mark kept, or its absence
  EXPECT_EQ(bytes.substr(0, start.size()), start);
  if (encoding != Encoding::kUtf16Be) {
    // Written out by hand: UTF-8, each character in its own bytes.
    EXPECT_NE(bytes.find("\"Gr\xC3\xB6\xC3\x9F"
                         "e \xE2\x9C\x93 \xE6\x97\xA5\xE6\x9C\xAC "
                         "\xF0\x9F\x98\x80.exe\""),
              std::string::npos);
    EXPECT_NE(bytes.find("R\xC3\xB6ntgen"), std::string::npos);
  }
}

// A value that UTF-8 cannot hold (an unpaired surrogate) is refused there and stored in UTF-16.
TEST_P(InEveryEncoding, AnUnpairedSurrogateIsStoredOnlyWhereTheEncodingHoldsIt) {
  const Encoding encoding = GetParam();
  SettingsDir dir;
  dir.WriteBytes(Reencoded(FirstRunBytes(), encoding));
  const std::string before = dir.Bytes();
  const std::u16string name = u"DUZO\xD800.exe";
  if (encoding == Encoding::kUtf16Be) {
    EXPECT_EQ(XMLSetDUZOProcessName(&name), XMLR_SET_OK);
    EXPECT_EQ(XMLGetDUZOProcessName(), name);
  } else {
    EXPECT_EQ(XMLSetDUZOProcessName(&name), XMLR_SET_FAILED);
    EXPECT_EQ(dir.Bytes(), before);
    EXPECT_EQ(XMLGetDUZOProcessName(), u"DUZO.exe");
  }
}

INSTANTIATE_TEST_SUITE_P(Files, InEveryEncoding,
                         testing::Values(Encoding::kUtf8, Encoding::kUtf8WithMark,
                                         Encoding::kUtf16Be),
                         [](const testing::TestParamInfo<Encoding>& info) {
                           return NameOf(info.param);
                         });

// Bytes that are not UTF-8 in a UTF-8 file, as an editor saving in another code page leaves
// them: getters read what is valid (U+FFFD for each bad sequence), setters never write the file.
TEST(InvalidUtf8, IsReadWithReplacementsAndNeverWritten) {
  QuickFiles quick;
  const std::string utf8 = Reencoded(FirstRunBytes(), Encoding::kUtf8);
  const std::string dirValue = "Ormask\\SCUTemplate\\\"";
  const size_t at = utf8.find(dirValue);
  ASSERT_NE(at, std::string::npos);
  std::string latin1 = utf8;
  latin1.insert(at, "R\xF6ntgen\\");
  const std::string corruptions[] = {
      latin1,
      utf8 + "\xE2\x9C",           // a sequence cut off at the end
      utf8 + "<!-- \xC0\xAF -->",  // an overlong "/"
      "\xEF\xBB\xBF" + utf8.substr(0, at) + "\xED\xA0\x80" + utf8.substr(at),  // a surrogate
  };
  for (const std::string& bytes : corruptions) {
    SettingsDir dir;
    dir.WriteBytes(bytes);
    for (const SetterCall& setter : SetterCalls()) {
      EXPECT_EQ(setter.call(), XMLR_SET_FAILED) << setter.name;
      ASSERT_EQ(dir.Bytes(), bytes) << setter.name;
    }
    int32_t minDisk = 0;
    EXPECT_EQ(XMLGetMinDiskSpace(&minDisk), XMLR_GET_OK);
    EXPECT_EQ(minDisk, 1000);
    DICOMLocalInfo node;
    EXPECT_EQ(XMLGetDICOMLocalInfo(&node), XMLR_GET_OK);
    EXPECT_EQ(node.LocalDelayTime, 60);
    EXPECT_EQ(XMLGetDUZOProcessName(), u"DUZO.exe");
    for (const GetterCall& getter : GetterCalls()) getter.call();
    EXPECT_EQ(dir.Bytes(), bytes);
  }
  SettingsDir dir;
  dir.WriteBytes(latin1);
  DICOMLocalInfo node;
  ASSERT_EQ(XMLGetDICOMLocalInfo(&node), XMLR_GET_OK);
  const std::u16string ending = u"R\uFFFDntgen\\Ormask\\SCUTemplate\\";
  EXPECT_EQ(node.LocalSCPDir.substr(node.LocalSCPDir.size() - ending.size()), ending);
}

}  // namespace
