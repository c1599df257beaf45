#include "support/ExportedCalls.h"

#include <algorithm>
#include <stdexcept>
#include <type_traits>

#include "ViewerSettings.h"
#include "support/FaultEnv.h"
#include "support/SettingsDir.h"

namespace testing_support {
namespace {

void Nothing() {}
void (*g_enter)() = Nothing;
void (*g_leave)() = Nothing;

// Runs the library function between the hooks; the leave hook runs even when it throws.
template <class Call>
auto Library(Call&& call) {
  struct Leave {
    ~Leave() { g_leave(); }
  };
  g_enter();
  Leave leave;
  return call();
}

void Require(bool stored, const char* what) {
  if (!stored) throw std::runtime_error(std::string("cannot store the station's ") + what);
}

void SetFaceName(LOGFONTW& font, const std::u16string& name) {
  using Unit = std::remove_reference_t<decltype(font.lfFaceName[0])>;
  for (size_t i = 0; i < 32; ++i) font.lfFaceName[i] = i < name.size() ? Unit(name[i]) : Unit(0);
}

std::vector<PatListColumn> Columns(std::initializer_list<const char16_t*> names, int16_t width) {
  std::vector<PatListColumn> columns;
  int16_t number = 0;
  for (const char16_t* name : names) {
    columns.push_back({number, name, static_cast<int16_t>(width + number)});
    ++number;
  }
  return columns;
}

DICOMModalityPatientInfo Overlay(const char16_t* corner, int32_t item, uint32_t color) {
  DICOMModalityPatientInfo info;
  info.LeftTop = std::u16string(corner) + u" & ID";
  info.RightTop = std::u16string(corner) + u" <date>";
  info.LeftBottom = u"W/L";
  info.RightBottom = u"\"Zoom\"";
  info.DisplayInfo = {item, item, item, item, item};
  info.Color = color;
  info.Height = 10 + item;
  return info;
}

// Every value of the label settings shifted by `step`, so that each of their five write-backs
// changes the file.
DICOMLabelInfo Labels(int step, const char16_t* face) {
  DICOMLabelInfo label{};
  label.Point = {static_cast<int16_t>(step), 3 + step};
  label.Line = {static_cast<int16_t>(step), 1 + step};
  label.Arrow = {static_cast<int16_t>(2 + step), 15 + step};
  label.Text.Unit = step;
  label.Text.Precision = 2 + step;
  label.Text.Font.lfHeight = 12 + step;
  label.Text.Font.lfWeight = 400 * step;
  label.Text.Font.lfItalic = static_cast<uint8_t>(step - 1);
  SetFaceName(label.Text.Font, face);
  label.Text.Color = 0x0000FF00u >> (4 * step);
  return label;
}

ECGSettingInfo Ecg(int step) {
  const auto shade = static_cast<uint8_t>(40 * step);
  ECGSettingInfo info{static_cast<int16_t>(step),
                      static_cast<int16_t>(3 - step),
                      static_cast<int16_t>(step),
                      static_cast<int16_t>(200 + step),
                      static_cast<int16_t>(150 + step),
                      1.5f + step,
                      {},
                      {}};
  info.Colors = {{ECGColorWave, 0, shade, 0},
                 {ECGColorGrid, shade, 0, 0},
                 {ECGColorBackground, 0, 0, shade},
                 {ECGColorInformation, 255, 255, shade},
                 {ECGColorScale, shade, shade, shade}};
  const float fraction = 0.25f * step;
  info.SmoothFilters = {{SmoothFilterKindNone, 1, fraction, 1, 4},
                        {SmoothFilterKindI, fraction, 0.75f, static_cast<int16_t>(5 + step), 4},
                        {SmoothFilterKindII, fraction, 0.75f, static_cast<int16_t>(step), 4},
                        {SmoothFilterKindIII, 0.08f, 2.5f, static_cast<int16_t>(step), fraction}};
  return info;
}

DICOMModalityInfo ModalityDisplay(int step, const char16_t* corner, const char16_t* face) {
  DICOMModalityInfo info;
  info.DisplayKIN = step - 1;
  info.PatientInfo = Overlay(corner, step, 0x00FFFFu * static_cast<uint32_t>(step));
  info.Label = Labels(step, face);
  return info;
}

const std::u16string kModality = u"CT";

std::basic_string<VSChar> Units(const std::u16string& text) {
  return std::basic_string<VSChar>(text.begin(), text.end());
}

// A getter that fills a record of its own, made before and dropped after the library call; the
// per-modality getters read "CT".
template <class Record>
std::function<int32_t()> Getter(int32_t (*getter)(Record*)) {
  return [getter] {
    Record record{};
    return Library([&] { return getter(&record); });
  };
}
template <class Record>
std::function<int32_t()> Getter(int32_t (*getter)(const std::u16string&, Record*)) {
  return [getter] {
    Record record{};
    return Library([&] { return getter(kModality, &record); });
  };
}

}  // namespace

void SetLibraryCallHooks(void (*enter)(), void (*leave)()) {
  g_enter = enter ? enter : Nothing;
  g_leave = leave ? leave : Nothing;
}

const std::string& StationSettingsBytes() {
  static const std::string bytes = [] {
    SettingsDir dir;
    // Made in every test process: without waiting for stable storage at each of its writes.
    FaultEnv files;
    files.SyncToStableStorage(false);
    int32_t firstRun = 0;
    Require(XMLGetMinDiskSpace(&firstRun) == XMLR_GET_OK, "first-run file");
    const LocalInfo local{15, 500, 30, 2000};
    Require(XMLSetLocalInfo(&local) == XMLR_SET_OK, "local settings");
    const auto columns = Columns(
        {u"Patient ID", u"Name", u"Sex", u"Birth date", u"Modality", u"Study date", u"Study"}, 80);
    Require(XMLSetPatListHeaderInfo(&columns) == XMLR_GET_OK, "patient list columns");
    Require(XMLSetRealData(0) == XMLR_SET_OK && XMLSetAutoLoopPlay(0) == XMLR_SET_OK, "flags");
    const WindowRect rect{0, 0, 1280, 1024};
    Require(XMLSetLastPos(&rect) == XMLR_SET_OK, "window position");
    const PartZoomInfo zoom{2, 300, 200};
    Require(XMLSetDicomPartZoomIn(&zoom) == XMLR_SET_OK, "partial zoom");
    const DICOMImageWinInfo window{0, 1, 0};
    Require(XMLSetDICOMImageWinInfo(&window) == XMLR_SET_OK, "image window");
    const std::vector<std::u16string> modalities = {u"General", kModality};
    Require(XMLSetDICOMAddedModality(&modalities) == XMLR_SET_OK, "modality list");
    const DICOMModalityInfo display = ModalityDisplay(1, u"Name", u"Arial");
    Require(XMLSetDICOMModalityInfo(kModality, &display) == XMLR_SET_OK, "modality display");
    const ECGSettingInfo ecg = Ecg(1);
    Require(XMLSetECGSettingInfo(&ecg) == XMLR_SET_OK, "ECG settings");
    return dir.Bytes();
  }();
  return bytes;
}

const std::vector<SetterCall>& SetterCalls() {
  static const std::vector<SetterCall> calls = {
      {"MinDiskSpace", XMLR_SET_OK,
       [] { return Library([] { return XMLSetMinDiskSpace(4096); }); }},
      {"PatListHeaderInfo", XMLR_GET_OK,
       [] {
         // New widths for every column, and an eighth column.
         const auto columns = Columns(
             {u"ID", u"Patient", u"Sex", u"Born", u"Modality", u"Date", u"Study", u"Physician"},
             90);
         return Library([&] { return XMLSetPatListHeaderInfo(&columns); });
       }},
      {"LocalInfo", XMLR_SET_OK,
       [] {
         const LocalInfo local{20, 800, 45, 3000};
         return Library([&] { return XMLSetLocalInfo(&local); });
       }},
      {"RealData", XMLR_SET_OK, [] { return Library([] { return XMLSetRealData(1); }); }},
      {"AutoLoopPlay", XMLR_SET_OK, [] { return Library([] { return XMLSetAutoLoopPlay(1); }); }},
      {"DUZOProcessName", XMLR_SET_OK,
       [] {
         const std::u16string name = u"Companion <2> & more.exe";
         return Library([&] { return XMLSetDUZOProcessName(&name); });
       }},
      {"LastPos", XMLR_SET_OK,
       [] {
         const WindowRect rect{100, 50, 1380, 1074};
         return Library([&] { return XMLSetLastPos(&rect); });
       }},
      {"DICOMLocalInfo", XMLR_SET_OK,
       [] {
         DICOMLocalInfo node;
         node.UseStudyUID = 1;
         node.CheckStudyUID = 1;
         node.LocalMaxSCPCount = 10;
         node.LocalMaxSCUCount = 12;
         node.LocalDelayTime = 90;
         node.LocalImageDir = u"D:\\Images\\";
         node.LocalSCUDir = u"D:\\Templates\\SCU\\";
         node.LocalSCPDir = u"D:\\Templates\\SCP\\";
         return Library([&] { return XMLSetDICOMLocalInfo(&node); });
       }},
      {"DicomPartZoomIn", XMLR_SET_OK,
       [] {
         const PartZoomInfo zoom{3, 400, 300};
         return Library([&] { return XMLSetDicomPartZoomIn(&zoom); });
       }},
      {"DICOMImageWinInfo", XMLR_SET_OK,
       [] {
         const DICOMImageWinInfo window{0, 0, 1};
         return Library([&] { return XMLSetDICOMImageWinInfo(&window); });
       }},
      {"DICOMAddedModality", XMLR_SET_OK,
       [] {
         const std::vector<std::u16string> modalities = {u"General", kModality, u"MR"};
         return Library([&] { return XMLSetDICOMAddedModality(&modalities); });
       }},
      {"DICOMDisplayKINImage", XMLR_SET_OK,
       [] { return Library([] { return XMLSetDICOMDisplayKINImage(kModality, 1); }); }},
      {"DICOMModalityPatientInfo", XMLR_SET_OK,
       [] {
         const DICOMModalityPatientInfo overlay = Overlay(u"Patient", 2, 0xFF00FFu);
         return Library([&] { return XMLSetDICOMModalityPatientInfo(kModality, &overlay); });
       }},
      {"DICOMLabelInfo", XMLR_SET_OK,
       [] {
         const DICOMLabelInfo label = Labels(2, u"Tahoma");
         return Library([&] { return XMLSetDICOMLabelInfo(kModality, &label); });
       }},
      {"DICOMModalityInfo", XMLR_SET_OK,
       [] {
         // A modality the file does not have yet: every write-back adds its elements.
         const std::u16string modality = u"MR";
         const DICOMModalityInfo display = ModalityDisplay(2, u"Patient", u"Tahoma");
         return Library([&] { return XMLSetDICOMModalityInfo(modality, &display); });
       }},
      {"ECGSettingInfo", XMLR_SET_OK,
       [] {
         const ECGSettingInfo ecg = Ecg(2);
         return Library([&] { return XMLSetECGSettingInfo(&ecg); });
       }},
      // By key: the group is read (twice, in memory) and stored with one call of its setter.
      {"SettingByKey", XMLR_SET_OK,
       [] {
         const std::basic_string<VSChar> key = Units(u"DICOM.LocalDelayTime");
         const std::basic_string<VSChar> value = Units(u"90");
         return Library([&] { return XMLSetSetting(key.c_str(), value.c_str()); });
       }},
  };
  return calls;
}

const std::vector<GetterCall>& GetterCalls() {
  static const std::vector<GetterCall> calls = {
      {"MinDiskSpace", Getter(XMLGetMinDiskSpace), {XMLR_FILE_ERROR}},
      {"PatListHeaderInfo", Getter(XMLGetPatListHeaderInfo), {XMLR_FILE_ERROR}},
      {"LocalInfo", Getter(XMLGetLocalInfo), {XMLR_FILE_ERROR}},
      {"IsRealData", [] { return Library(XMLIsRealData); }, {1}},
      {"IsAutoLoopPlay", [] { return Library(XMLIsAutoLoopPlay); }, {1}},
      {"DUZOProcessName",
       [] {
         const std::u16string name = Library(XMLGetDUZOProcessName);
         return name == u"DUZO.exe" ? 1 : name.empty() ? 0 : -1;
       },
       {0}},
      {"LastPos", Getter(XMLGetLastPos), {XMLR_FILE_ERROR}},
      {"DICOMLocalInfo", Getter(XMLGetDICOMLocalInfo), {XMLR_FILE_ERROR}},
      {"DICOMImagePath", Getter(XMLGetDICOMImagePath), {XMLR_FILE_ERROR}},
      {"DicomPartZoomIn", Getter(XMLGetDicomPartZoomIn), {XMLR_FILE_ERROR}},
      {"DICOMImageWinInfo", Getter(XMLGetDICOMImageWinInfo), {XMLR_FILE_ERROR}},
      {"DICOMAddedModality", Getter(XMLGetDICOMAddedModality), {XMLR_FILE_ERROR}},
      {"DICOMDisplayKINImage", Getter(XMLGetDICOMDisplayKINImage), {XMLR_FILE_ERROR}},
      // The composites turn a failed later access into "missing"; the label and aggregate
      // getters do so for every access.
      {"DICOMModalityPatientInfo",
       Getter(XMLGetDICOMModalityPatientInfo),
       {XMLR_FILE_ERROR, XMLR_GET_NOT_FOUND}},
      {"DICOMLabelInfo", Getter(XMLGetDICOMLabelInfo), {XMLR_GET_NOT_FOUND}},
      {"DICOMModalityInfo", Getter(XMLGetDICOMModalityInfo), {XMLR_GET_NOT_FOUND}},
      {"ECGSettingInfo", Getter(XMLGetECGSettingInfo), {XMLR_FILE_ERROR, XMLR_GET_NOT_FOUND}},
      // By key, 1 for the stored value: a label key reads its group's five accesses.
      {"SettingByKey",
       [] {
         const std::basic_string<VSChar> key = Units(u"Modality.CT.Label.Text.Font.FaceName");
         VSChar value[64];
         int32_t length = 0;
         const int32_t result =
             Library([&] { return XMLGetSetting(key.c_str(), value, 64, &length); });
         if (result != XMLR_GET_OK) return result;
         return std::basic_string<VSChar>(value, static_cast<size_t>(length)) == Units(u"Arial")
                    ? 1
                    : -1;
       },
       {XMLR_FILE_ERROR}},
      // The number of keys listed: a list that misses some is a failure reported as success.
      {"ListSettings",
       [] {
         static VSChar list[16384];
         int32_t length = 0;
         const int32_t result = Library([&] { return XMLListSettings(list, 16384, &length); });
         if (result != XMLR_GET_OK) return result;
         return static_cast<int32_t>(std::count(list, list + length, VSChar(0)));
       },
       {XMLR_FILE_ERROR}},
  };
  return calls;
}

}  // namespace testing_support
