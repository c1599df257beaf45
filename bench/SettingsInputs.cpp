#include "SettingsInputs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <vector>

#include "ViewerSettings.h"
#include "text/Utf8.h"
#include "xmldoc/XmlDocument.h"

namespace bench {
namespace {

using viewersettings::text::FromUtf8;
using viewersettings::text::ToUtf8;
using namespace std::string_view_literals;

constexpr char kSettingsFileName[] = "VorelViewerSysSetting.xml";
constexpr size_t kLargeFileBytes = 8u << 20;

// The inputs are the premise of every figure: a call that fails here ends the run.
void Expect(int32_t result, int32_t wanted, const char* call) {
  if (result == wanted) return;
  std::fprintf(stderr, "bench: %s returned %d while building the inputs\n", call, result);
  std::exit(1);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "bench: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// Fills in everything but the directory from the file that is there now.
SettingsInput Describe(const std::string& label, const std::string& dir) {
  SettingsInput input;
  input.label = label;
  input.directory = FromUtf8(dir);
  input.filePath = dir + "/" + kSettingsFileName;
  input.floorPath = dir + "/floor.xml";
  input.bytes = ReadFile(input.filePath);
  input.text.resize(input.bytes.size() / 2);
  input.bytes.copy(reinterpret_cast<char*>(input.text.data()), input.text.size() * 2);
  input.utf8 = ToUtf8(input.text);
  return input;
}

std::u16string ModalityName(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "M%05d", number);
  return FromUtf8(name);
}

// The element at the end of `path`, looked up from the document level; the inputs are the
// premise of every figure, so a missing one ends the run.
ElemPos ElementAt(CXmlDocument& doc, std::initializer_list<const char16_t*> path) {
  for (const char16_t* name : path) {
    if (!doc.FindElement(name)) {
      std::fprintf(stderr, "bench: an input lacks the element %s\n", ToUtf8(name).c_str());
      std::exit(1);
    }
    doc.EnterElement();
  }
  return doc.Index()[static_cast<size_t>(doc.GetPosition().parentPos)];
}

// The display settings a station keeps for one modality, varied a little by `seed`.
DICOMModalityInfo StationModality(int seed) {
  DICOMModalityInfo info;
  info.DisplayKIN = seed % 2;
  DICOMModalityPatientInfo& patient = info.PatientInfo;
  patient.LeftTop = u"Patient Name\nPatient ID\nBirth Date";
  patient.RightTop = u"Institution\nStudy Date\nStudy Time";
  patient.LeftBottom = u"Series No & Image No\nSlice Thickness";
  patient.RightBottom = u"Window Width/Level\nZoom";
  patient.DisplayInfo = {100 + seed, 1, 512, 2, seed % 4};
  patient.Color = 0x00FAFA00u + static_cast<uint32_t>(seed);
  patient.Height = 12;
  DICOMLabelInfo& label = info.Label;
  label.Point = {1, 3};
  label.Line = {0, 2};
  label.Arrow = {2, 15};
  label.Text.Unit = 1;
  label.Text.Precision = 2;
  label.Text.Font.lfHeight = -13;
  label.Text.Font.lfWeight = 400;
  // The one-byte font fields stay 0: any other value is stored as a control character, which
  // expat refuses.
  const char16_t face[] = u"Segoe UI";
  for (size_t i = 0; i < sizeof face / sizeof face[0]; ++i) label.Text.Font.lfFaceName[i] = face[i];
  label.Text.Color = 0x0000FFFFu;
  return info;
}

}  // namespace

void UseSettingsOf(const SettingsInput& input) {
  SetExeRootPathOverride(input.directory);
}

SettingsInput MakeStationInput(const std::string& root) {
  const std::string dir = root + "/station";
  std::filesystem::create_directory(dir);
  SetExeRootPathOverride(FromUtf8(dir));

  int32_t minDiskSpace = 0;
  Expect(XMLGetMinDiskSpace(&minDiskSpace), XMLR_GET_OK, "XMLGetMinDiskSpace (first run)");
  const LocalInfo local{30, 500, 60, 2048};
  Expect(XMLSetLocalInfo(&local), XMLR_SET_OK, "XMLSetLocalInfo");
  const char16_t* const columnNames[] = {u"Patient ID",   u"Patient Name", u"Sex",
                                         u"Birth Date",   u"Study Date",   u"Study Time",
                                         u"Modality",     u"Images",       u"Study Description",
                                         u"Accession No", u"Institution",  u"Status"};
  std::vector<PatListColumn> columns;
  int16_t number = 0;
  for (const char16_t* name : columnNames) {
    columns.push_back({number, name, static_cast<int16_t>(80 + 10 * (number % 5))});
    ++number;
  }
  Expect(XMLSetPatListHeaderInfo(&columns), XMLR_GET_OK, "XMLSetPatListHeaderInfo");
  const WindowRect window{40, 30, 1880, 1050};
  Expect(XMLSetLastPos(&window), XMLR_SET_OK, "XMLSetLastPos");
  const DICOMImageWinInfo imageWindow{0, 1, 1};
  Expect(XMLSetDICOMImageWinInfo(&imageWindow), XMLR_SET_OK, "XMLSetDICOMImageWinInfo");
  const PartZoomInfo zoom{200, 256, 256};
  Expect(XMLSetDicomPartZoomIn(&zoom), XMLR_SET_OK, "XMLSetDicomPartZoomIn");

  ECGSettingInfo ecg{};
  ecg.PageStyle = 1;
  ecg.GridType = 2;
  ecg.DefaultSmoothMode = 1;
  ecg.ZoomWidth = 25;
  ecg.ZoomHeight = 10;
  ecg.ZoomRatio = 1.5f;
  ecg.Colors = {{ECGColorWave, 0, 255, 0},
                {ECGColorGrid, 64, 64, 64},
                {ECGColorBackground, 0, 0, 0},
                {ECGColorInformation, 255, 255, 255},
                {ECGColorScale, 255, 255, 0}};
  ecg.SmoothFilters = {{SmoothFilterKindNone, 0.0f, 0.0f, 0, 0.0f},
                       {SmoothFilterKindI, 0.5f, 40.0f, 3, 0.25f},
                       {SmoothFilterKindII, 0.05f, 100.0f, 5, 0.5f},
                       {SmoothFilterKindIII, 1.0f, 150.0f, 7, 0.75f}};
  Expect(XMLSetECGSettingInfo(&ecg), XMLR_SET_OK, "XMLSetECGSettingInfo");

  const std::vector<std::u16string> modalities = {u"General", u"CT", u"MR", u"CR", u"US"};
  Expect(XMLSetDICOMAddedModality(&modalities), XMLR_SET_OK, "XMLSetDICOMAddedModality");
  for (size_t i = 0; i < modalities.size(); ++i) {
    const DICOMModalityInfo info = StationModality(static_cast<int>(i));
    Expect(XMLSetDICOMModalityInfo(modalities[i], &info), XMLR_SET_OK, "XMLSetDICOMModalityInfo");
  }
  return Describe("17KB", dir);
}

// The station's file with thousands more modalities: the list is stored by the library, the
// display settings are copies of the CT element's content under new names.
SettingsInput MakeLargeInput(const std::string& root, const SettingsInput& station) {
  const std::string dir = root + "/large";
  std::filesystem::create_directory(dir);
  WriteFile(dir + "/" + kSettingsFileName, station.bytes);
  SetExeRootPathOverride(FromUtf8(dir));

  CXmlDocument stationDoc;
  stationDoc.ParseText(station.text.c_str());
  const ElemPos ct = ElementAt(stationDoc, {u"SystemSetting", u"DICOMViewer", u"CT"});
  const std::u16string content =
      station.text.substr(static_cast<size_t>(ct.startTagClose + 1),
                          static_cast<size_t>(ct.endTagOpen - ct.startTagClose - 1));
  // Each added modality brings its element and its entry in the list, about as long as this.
  const std::u16string listEntry = u"<Modality1000 Value=\"M01000\"/>\r\n";
  const size_t bytesPerModality =
      2 * (u"<></>\r\n"sv.size() + 2 * ModalityName(0).size() + content.size() + listEntry.size());
  const int added = static_cast<int>((kLargeFileBytes - station.bytes.size()) / bytesPerModality);

  std::vector<std::u16string> names;
  Expect(XMLGetDICOMAddedModality(&names), XMLR_GET_OK, "XMLGetDICOMAddedModality");
  for (int i = 0; i < added; ++i) names.push_back(ModalityName(i));
  Expect(XMLSetDICOMAddedModality(&names), XMLR_SET_OK, "XMLSetDICOMAddedModality (large)");

  const SettingsInput listed = Describe("8MB", dir);
  CXmlDocument listedDoc;
  listedDoc.ParseText(listed.text.c_str());
  const ElemPos viewer = ElementAt(listedDoc, {u"SystemSetting", u"DICOMViewer"});
  std::u16string copies;
  for (int i = 0; i < added; ++i) {
    const std::u16string name = ModalityName(i);
    copies += u"<" + name + u">" + content + u"</" + name + u">\r\n";
  }
  std::u16string text = listed.text;
  text.insert(static_cast<size_t>(viewer.endTagOpen), copies);
  WriteFile(listed.filePath,
            std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
  return Describe("8MB", dir);
}

SettingsInput MakeUtf8Input(const std::string& root, const SettingsInput& station) {
  const std::string dir = root + "/utf8";
  std::filesystem::create_directory(dir);
  SettingsInput input = station;
  input.label = "17KB-UTF-8";
  input.directory = FromUtf8(dir);
  input.filePath = dir + "/" + kSettingsFileName;
  input.floorPath = dir + "/floor.xml";
  input.bytes = station.utf8;
  WriteFile(input.filePath, input.bytes);
  return input;
}

}  // namespace bench
