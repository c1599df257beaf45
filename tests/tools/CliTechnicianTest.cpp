// viewer-settings as a technician types and reads it: colours, label fonts, slips, modalities,
// and values shown the same way by every command.
#include <gtest/gtest.h>

#include <sstream>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"
#include "support/ToolRun.h"
#include "tools/viewer-settings/Cli.h"

namespace {

using testing_support::SettingsDir;

using testing_support::Has;
using testing_support::Outcome;
using testing_support::RunIn;

const char kColour[] = "Modality.General.PatientInfo.Color";

TEST(CliColours, SetTakesTheFormsPeopleWriteAndShowPutsTheHexBesideTheNumber) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const std::pair<const char*, const char*> forms[] = {
      {"#FF8000", "33023"}, {"255,128,0", "33023"}, {"33023", "33023"}, {"0x00008000", "32768"}};
  for (const auto& [typed, stored] : forms) {
    const Outcome set = RunIn(dir, {"set", kColour, typed});
    EXPECT_EQ(set.status, 0) << typed << set.err;
    EXPECT_EQ(RunIn(dir, {"get", kColour}).out, std::string(stored) + "\n") << typed;
  }
  EXPECT_TRUE(Has(RunIn(dir, {"set", kColour, "0xFF0000"}).err,
                  "0xFF0000 is read in the file's order 0x00BBGGRR, as #0000FF"));
  ASSERT_EQ(RunIn(dir, {"set", kColour, "0x00008000"}).status, 0);
  EXPECT_TRUE(Has(RunIn(dir, {"show", "Modality.General"}).out,
                  std::string("  ") + kColour + " = 32768  #008000\n"));

  const std::string before = dir.Bytes();
  const Outcome refused = RunIn(dir, {"set", kColour, "0xFF00FF00"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Has(refused.err, "above 0x00FFFFFF; a colour is #RRGGBB, R,G,B (each 0-255)"))
      << refused.err;
  // The shell drops an unquoted #RRGGBB as a comment.
  EXPECT_TRUE(Has(RunIn(dir, {"set", kColour}).err, "must be quoted in the shell"));
  EXPECT_EQ(dir.Bytes(), before);

  ASSERT_EQ(RunIn(dir, {"import", "-"},
                  R"({"ECG.ColorSetting.Grid.Red": 1, "ECG.ColorSetting.Grid.Green": 171,
                      "ECG.ColorSetting.Grid.Blue": 255})")
                .status,
            0);
  EXPECT_TRUE(Has(RunIn(dir, {"show", "ecg"}).out,
                  "  ECG.ColorSetting.Grid = #01ABFF (.Red 1, .Green 171, .Blue 255)\n"));
}

TEST(CliFonts, ShowPrintsALabelFontOnOneLineAndCheckFlagsNumbersTypedByHand) {
  SettingsDir dir;
  dir.Write(
      "<?xml version=\"1.0\" encoding=\"unicode\"?>\n"                             // 1
      "<SystemSetting><DICOMViewer><ModalityCount Value=\"1\"/>\n"                 // 2
      "<Modality0 Value=\"CT\"/><CT><Label><Text><Font><Height Value=\"-12\"/>\n"  // 3
      "<Width Value=\"0\"/><Escapment Value=\"0\"/><Orientation Value=\"0\"/>\n"
      "<Weight Value=\"700\"/><Italic Value=\"1\"/><Underline Value=\"\x01\"/>\n"  // 5
      "<StrikeOut Value=\"\"/><CharSet Value=\"134\"/><OutPrecision Value=\"\"/>\n"
      "<ClipPrecision Value=\"\"/><Quality Value=\"\"/><PitchAndFamily Value=\"\"/>\n"
      "<Color Value=\"0\"/><FaceName Value=\"Arial\"/>\n"
      "</Font></Text></Label></CT></DICOMViewer></SystemSetting>\n");
  EXPECT_TRUE(Has(RunIn(dir, {"show", "Modality.CT"}).out,
                  "  Modality.CT.Label.Text.Font = \"Arial\", height -12, weight 700 (bold), "
                  "italic (49), underline, character set 49\n"));
  const Outcome check = RunIn(dir, {"check"});
  EXPECT_EQ(check.status, 1);
  EXPECT_TRUE(
      Has(check.out, ":5: <Italic Value=\"1\"> in the label font of modality CT reads as 49"))
      << check.out;
  EXPECT_TRUE(Has(check.out,
                  ":6: <CharSet Value=\"134\"> in the label font of modality CT reads as 49, the "
                  "code of its first character \"1\": the library keeps this field as one "
                  "character whose code is the value (`set Modality.CT.Label.Text.Font.CharSet "
                  "134` stores the number)"))
      << check.out;
  EXPECT_FALSE(Has(check.out, "<Underline")) << "one character is the field's own form";
}

TEST(CliMistakes, SlipsGetCloseMatchesAndRefusalsSayWhereToGo) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"get", "mindiskspace"}, "unknown key \"mindiskspace\"; did you mean `MinDiskSpace`?"},
      {{"set", "Modality.General.Label.Text.Font.Escapement", "0"},
       "did you mean `Modality.General.Label.Text.Font.Escapment`?"},
      {{"get", "ECG.ColorSetting.Information.Red"},
       "did you mean `ECG.ColorSetting.Infomation.Red`?"},
      {{"get", "Font.Escapement"}, "did you mean `Modality.<name>.Label.Text.Font.Escapment`?"},
      {{"show", "lcoal"}, "unknown group \"lcoal\" (the groups are local, "},
      {{"reset", "Minidiskspace"}, "did you mean `MinDiskSpace`?"},
      {{"frobnicate"},
       "unknown subcommand \"frobnicate\" (the subcommands are show, get, set, init, check, "
       "export, import, reset, diff, repair, schema)\n"},
      {{"shwo"}, "(the subcommands are show, "},
      {{"shwo"}, "did you mean `show`?"},
      {{"set", "DICOM.ImagePath", "D:\\"}, "set DICOM.LocalImageDir, which it is read from"},
      {{"set", "PatListHeader.7.ColumnName", "x"},
       "the patient list holds at most 7 columns, numbered 0 to 6"},
  };
  const std::string before = dir.Bytes();
  for (const auto& [args, message] : rows) {
    const Outcome outcome = RunIn(dir, args);
    EXPECT_EQ(outcome.status, 2) << args[0];
    EXPECT_TRUE(Has(outcome.err, message)) << outcome.err;
  }
  EXPECT_EQ(dir.Bytes(), before);
}

TEST(CliModalities, PerModalityKeysNeedTheModalityAddedAndANameInAnotherCaseGetsAHint) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const std::string before = dir.Bytes();
  const Outcome unlisted = RunIn(dir, {"set", "Modality.MR.DisplayKIN", "1"});
  EXPECT_EQ(unlisted.status, 2);
  EXPECT_TRUE(Has(unlisted.err,
                  "the modality MR is not among the added modalities; add it "
                  "first: set DICOM.Modality1 MR"))
      << unlisted.err;
  const Outcome otherCase = RunIn(dir, {"set", "Modality.general.DisplayKIN", "1"});
  EXPECT_EQ(otherCase.status, 2);
  EXPECT_TRUE(Has(otherCase.err, "did you mean `Modality.General.DisplayKIN`?")) << otherCase.err;
  EXPECT_EQ(dir.Bytes(), before);

  const Outcome shown = RunIn(dir, {"show", "Modality.general"});
  EXPECT_EQ(shown.status, 1);
  EXPECT_TRUE(Has(shown.err, "did you mean `Modality.General`?")) << shown.err;

  // Added in the same import, its keys are taken; the rest of its display settings are the
  // first run's, and what the file held for it already stays.
  ASSERT_EQ(XMLSetDICOMDisplayKINImage(u"CT", 7), XMLR_SET_OK);
  const Outcome imported =
      RunIn(dir, {"import", "-"},
            R"({"DICOM.Modality1": "MR", "Modality.MR.DisplayKIN": 0, "DICOM.Modality2": "CT"})");
  EXPECT_EQ(imported.status, 0) << imported.err;
  EXPECT_TRUE(Has(imported.out,
                  "also stored, for the added modality MR: the display settings "
                  "the first run stores"))
      << imported.out;
  const std::pair<const char*, const char*> values[] = {
      {"Modality.MR.DisplayKIN", "0\n"},
      {"Modality.MR.PatientInfo.Color", "64250\n"},
      {"Modality.MR.Label.Symbol.Arrow.Size", "15\n"},
      {"Modality.CT.DisplayKIN", "7\n"},
      {"Modality.CT.Label.Text.Font.Color", "255\n"}};
  for (const auto& [key, value] : values) EXPECT_EQ(RunIn(dir, {"get", key}).out, value) << key;
}

TEST(CliValues, EveryCommandShowsTextAsGetPrintsIt) {
  SettingsDir dir;
  SettingsDir other;
  ASSERT_EQ(RunIn(other, {"init"}).status, 0);
  const std::string path = "D:\\Bilder\\R\xC3\xB6ntgen\\";
  EXPECT_EQ(RunIn(dir, {"set", "DICOM.LocalImageDir", path}).out,
            "DICOM.LocalImageDir = " + path + "\n");
  EXPECT_EQ(RunIn(dir, {"get", "DICOM.LocalImageDir"}).out, path + "\n");
  EXPECT_TRUE(Has(RunIn(dir, {"show", "dicom"}).out, "  DICOM.LocalImageDir = " + path + "\n"));
  EXPECT_TRUE(Has(RunIn(dir, {"diff", other.Path().string()}).out,
                  "DICOM.LocalImageDir: " + path + " here, "));
  EXPECT_TRUE(Has(RunIn(dir, {"export"}).out,
                  "\"DICOM.LocalImageDir\": \"D:\\\\Bilder\\\\R\xC3\xB6ntgen\\\\\""));
}

}  // namespace
