#include "tools/viewer-settings/Accessors.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

#include "ViewerSettings.h"
#include "platform/Utf8.h"

namespace viewersettings::cli {
namespace {

using platform::ToUtf8;

template <class Record>
struct RecordFunctions {
  std::string getter;
  std::function<int32_t(Record&)> get;
  std::string setter;  // empty: read only
  std::function<int32_t(const Record&)> set;
  std::function<Record()> initial;
  std::function<std::vector<Field>(Record&)> fields;
};

const Field* FindField(const std::vector<Field>& fields, const std::string& key) {
  const auto found = std::find_if(fields.begin(), fields.end(),
                                  [&](const Field& field) { return field.key == key; });
  return found == fields.end() ? nullptr : &*found;
}

template <class Record>
class RecordAccessor final : public Accessor {
 public:
  explicit RecordAccessor(RecordFunctions<Record> functions)
      : Accessor(functions.getter, functions.setter), f_(std::move(functions)) {}

  Reading Read() const override {
    Record first = f_.initial();
    Record second = f_.initial();
    for (const Field& field : f_.fields(first)) FillSentinel(field.ref, 0);
    for (const Field& field : f_.fields(second)) FillSentinel(field.ref, 1);
    Reading reading;
    reading.code = f_.get(first);
    if (reading.code == XMLR_FILE_ERROR) return reading;
    f_.get(second);
    // Lists are laid out again after the reads, since the getters replace their entries.
    const std::vector<Field> firstFields = f_.fields(first);
    const std::vector<Field> secondFields = f_.fields(second);
    for (const Field& field : firstFields) {
      std::optional<Value> value = ValueOf(field.ref);
      const Field* twin = FindField(secondFields, field.key);
      const std::optional<Value> twinValue = twin ? ValueOf(twin->ref) : std::nullopt;
      if (value && !(twinValue && SameValue(*value, *twinValue))) value.reset();
      reading.entries.push_back({field.key, std::move(value)});
    }
    return reading;
  }

  std::vector<KeyInfo> Keys() const override {
    Record record = f_.initial();
    std::vector<KeyInfo> keys;
    for (const Field& field : f_.fields(record)) {
      keys.push_back(
          {field.key, Describe(field.ref), field.settable && !Setter().empty(), !field.settable});
    }
    return keys;
  }

  StoreOutcome Store(const std::string& key, std::string_view text) const override {
    StoreOutcome outcome;
    Record probe = f_.initial();
    const std::vector<Field> probeFields = f_.fields(probe);
    const Field* probeField = FindField(probeFields, key);
    outcome.refusal = Assign(probeField->ref, text);
    if (!outcome.refusal.empty()) return outcome;
    outcome.stored = *ValueOf(probeField->ref);

    const Reading before = Read();
    if (before.code == XMLR_FILE_ERROR) {
      outcome.code = XMLR_FILE_ERROR;
      outcome.function = Getter();
      return outcome;
    }
    Record record = f_.initial();
    f_.get(record);
    const std::vector<Field> fields = f_.fields(record);
    Assign(FindField(fields, key)->ref, text);
    outcome.code = f_.set(record);
    outcome.function = Setter();
    for (const Entry& entry : before.entries) {
      if (entry.value || entry.key == key) continue;
      const Field* field = FindField(fields, entry.key);
      if (auto value = field ? ValueOf(field->ref) : std::nullopt) {
        outcome.alsoStored.push_back({entry.key, std::move(value)});
      }
    }
    return outcome;
  }

 private:
  RecordFunctions<Record> f_;
};

template <class Record>
std::unique_ptr<Accessor> Make(RecordFunctions<Record> functions) {
  return std::make_unique<RecordAccessor<Record>>(std::move(functions));
}

// ---- Field layouts: keys follow the element paths of the settings file ----

std::vector<Field> LocalFields(LocalInfo& info) {
  return {{"MinDiskSpace", &info.MinDiskSpace},
          {"LockStationTime", &info.LockStationTime},
          {"PatListMaxRecords", &info.PatListMaxRecords},
          {"StudyListUpdateTime", &info.StudyListUpdateTime}};
}

// The getter reads the columns numbered 0 to 6, in number order, up to the first missing one.
constexpr size_t kReadColumns = 7;

std::vector<Field> ColumnFields(std::vector<PatListColumn>& columns) {
  std::vector<Field> fields;
  for (size_t n = 0; n < kReadColumns; ++n) {
    const std::string prefix = "PatListHeader." + std::to_string(n) + ".";
    const bool read = n < columns.size();
    fields.push_back(
        {prefix + "ColumnName", read ? FieldRef(&columns[n].ColumnName) : FieldRef(), false});
    fields.push_back(
        {prefix + "ColumnWidth", read ? FieldRef(&columns[n].ColumnWidth) : FieldRef(), false});
  }
  return fields;
}

std::vector<Field> WindowFields(WindowRect& rect) {
  return {{"WindowLastPos.Left", &rect.Left},
          {"WindowLastPos.Top", &rect.Top},
          {"WindowLastPos.Right", &rect.Right},
          {"WindowLastPos.Bottom", &rect.Bottom}};
}

std::vector<Field> DicomNodeFields(DICOMLocalInfo& info) {
  return {{"DICOM.UseStudyUID", &info.UseStudyUID},
          {"DICOM.CheckStudyUID", &info.CheckStudyUID},
          {"DICOM.LocalMaxSCPCount", &info.LocalMaxSCPCount},
          {"DICOM.LocalMaxSCUCount", &info.LocalMaxSCUCount},
          {"DICOM.LocalDelayTime", &info.LocalDelayTime},
          {"DICOM.LocalImageDir", &info.LocalImageDir},
          {"DICOM.LocalSCUDir", &info.LocalSCUDir},
          {"DICOM.LocalSCPDir", &info.LocalSCPDir}};
}

std::vector<Field> PartZoomFields(PartZoomInfo& zoom) {
  return {{"DICOM.PartZoom.ZoomRatio", &zoom.ZoomRatio},
          {"DICOM.PartZoom.ZoomWidth", &zoom.ZoomWidth},
          {"DICOM.PartZoom.ZoomHeight", &zoom.ZoomHeight}};
}

std::vector<Field> ImageWinFields(DICOMImageWinInfo& win) {
  return {{"DICOM.ShowPatientInfo", &win.ShowPatientInfo},
          {"DICOM.ShowLabelInfo", &win.ShowLabelInfo}};
}

std::vector<Field> PatientInfoFields(DICOMModalityPatientInfo& info) {
  DICOMDisplayInfo& display = info.DisplayInfo;
  return {{"LeftTop", &info.LeftTop},
          {"RightTop", &info.RightTop},
          {"LeftBottom", &info.LeftBottom},
          {"RightBottom", &info.RightBottom},
          {"Color", &info.Color},
          {"Height", &info.Height},
          {"DisplayInfo.ImageDirection", &display.ImageDirection},
          {"DisplayInfo.ZoomRatio", &display.ZoomRatio},
          {"DisplayInfo.WidthLevel", &display.WidthLevel},
          {"DisplayInfo.SeriesImageNo", &display.SeriesImageNo},
          {"DisplayInfo.ImageSize", &display.ImageSize}};
}

std::vector<Field> LabelFields(DICOMLabelInfo& label) {
  LOGFONTW& font = label.Text.Font;
  std::vector<Field> fields;
  const std::pair<const char*, DICOMLabelSymbol*> symbols[] = {
      {"Point", &label.Point}, {"Line", &label.Line}, {"Arrow", &label.Arrow}};
  for (const auto& [name, symbol] : symbols) {
    const std::string prefix = std::string("Symbol.") + name + ".";
    fields.push_back({prefix + "Style", &symbol->Style});
    fields.push_back({prefix + "Size", &symbol->Size});
  }
  AppendPrefixed(fields, "Text.",
                 {{"Unit", &label.Text.Unit}, {"Precision", &label.Text.Precision}});
  // The text colour is stored inside Font, between PitchAndFamily and FaceName.
  AppendPrefixed(fields, "Text.Font.",
                 {{"Height", &font.lfHeight},
                  {"Width", &font.lfWidth},
                  {"Escapment", &font.lfEscapement},
                  {"Orientation", &font.lfOrientation},
                  {"Weight", &font.lfWeight},
                  {"Italic", &font.lfItalic},
                  {"Underline", &font.lfUnderline},
                  {"StrikeOut", &font.lfStrikeOut},
                  {"CharSet", &font.lfCharSet},
                  {"OutPrecision", &font.lfOutPrecision},
                  {"ClipPrecision", &font.lfClipPrecision},
                  {"Quality", &font.lfQuality},
                  {"PitchAndFamily", &font.lfPitchAndFamily},
                  {"Color", &label.Text.Color},
                  {"FaceName", FaceNameRef{font.lfFaceName, std::size(font.lfFaceName)}}});
  return fields;
}

std::vector<Field> ModalityInfoFields(DICOMModalityInfo& info) {
  std::vector<Field> fields = {{"DisplayKIN", &info.DisplayKIN}};
  AppendPrefixed(fields, "PatientInfo.", PatientInfoFields(info.PatientInfo));
  AppendPrefixed(fields, "Label.", LabelFields(info.Label));
  return fields;
}

// Element names of the colour kinds 0 to 4 and of the smoothing-filter kinds 0 to 3.
constexpr const char* kColorElements[] = {"Wave", "Grid", "BackGround", "Infomation", "Scale"};
constexpr const char* kFilterElements[] = {"SmoothFilterNone", "SmoothFilterI", "SmoothFilterII",
                                           "SmoothFilterIII"};

// The attributes that each filter kind stores, and the entry fields they hold.
std::vector<Field> FilterAttributes(int kind, SmoothFilterEntry& entry) {
  switch (kind) {
    case SmoothFilterKindNone:
      return {{"BaseLineWidth", &entry.ParamB}};
    case SmoothFilterKindI:
      return {{"BaseLineWidth", &entry.ParamB},
              {"Brightness", &entry.ParamC},
              {"Density", &entry.ParamA}};
    case SmoothFilterKindII:
      return {{"Brightness", &entry.ParamC}};
    default:
      return {{"QRSWidth", &entry.ParamA},
              {"BaseLineWidth", &entry.ParamB},
              {"Density", &entry.ParamC},
              {"Gamma", &entry.ParamD}};
  }
}

std::vector<Field> EcgFields(ECGSettingInfo& info) {
  std::vector<Field> fields = {{"ECG.PageStyle", &info.PageStyle},
                               {"ECG.GridType", &info.GridType},
                               {"ECG.DefaultSmoothMode", &info.DefaultSmoothMode},
                               {"ECG.ZoomWidth", &info.ZoomWidth},
                               {"ECG.ZoomHeight", &info.ZoomHeight},
                               {"ECG.ZoomRatio", &info.ZoomRatio}};
  // The lists are shown with one entry per kind; a kind the getter did not return is not stored.
  for (int kind = 0; kind < static_cast<int>(std::size(kColorElements)); ++kind) {
    auto& colors = info.Colors;
    const auto entry = std::find_if(colors.begin(), colors.end(),
                                    [kind](const ECGColorEntry& e) { return e.Kind == kind; });
    const bool read = entry != colors.end();
    const std::string prefix = std::string("ECG.ColorSetting.") + kColorElements[kind] + ".";
    fields.push_back({prefix + "Red", read ? FieldRef(&entry->Red) : FieldRef(), false});
    fields.push_back({prefix + "Green", read ? FieldRef(&entry->Green) : FieldRef(), false});
    fields.push_back({prefix + "Blue", read ? FieldRef(&entry->Blue) : FieldRef(), false});
  }
  for (int kind = 0; kind < static_cast<int>(std::size(kFilterElements)); ++kind) {
    auto& filters = info.SmoothFilters;
    const auto entry = std::find_if(filters.begin(), filters.end(),
                                    [kind](const SmoothFilterEntry& e) { return e.Kind == kind; });
    SmoothFilterEntry layout{};
    for (Field& field : FilterAttributes(kind, entry != filters.end() ? *entry : layout)) {
      field.key = std::string("ECG.SmoothFilter.") + kFilterElements[kind] + "." + field.key;
      if (entry == filters.end()) field.ref = std::monostate();
      field.settable = false;
      fields.push_back(std::move(field));
    }
  }
  return fields;
}

// ---- Accessors ----

std::unique_ptr<Accessor> MinDiskSpaceAccessor() {
  return Make<int32_t>(
      {"XMLGetMinDiskSpace", [](int32_t& value) { return XMLGetMinDiskSpace(&value); },
       "XMLSetMinDiskSpace", [](const int32_t& value) { return XMLSetMinDiskSpace(value); },
       [] { return 0; },
       [](int32_t& value) {
         return std::vector<Field>{{"MinDiskSpace", &value}};
       }});
}

// The flag getters answer with the flag itself, 1 when it is not stored.
std::unique_ptr<Accessor> FlagAccessor(const char* key, const char* getter, int32_t (*get)(),
                                       const char* setter, int32_t (*set)(int32_t)) {
  return Make<int32_t>({getter,
                        [get](int32_t& value) {
                          value = get();
                          return XMLR_GET_OK;
                        },
                        setter, [set](const int32_t& value) { return set(value); },
                        [] { return 0; },
                        [key](int32_t& value) {
                          return std::vector<Field>{{key, &value}};
                        }});
}

std::unique_ptr<Accessor> IsRealDataAccessor() {
  return FlagAccessor("IsRealData", "XMLIsRealData", XMLIsRealData, "XMLSetRealData",
                      XMLSetRealData);
}

std::unique_ptr<Accessor> AutoLoopPlayAccessor() {
  return FlagAccessor("AutoLoopPlay", "XMLIsAutoLoopPlay", XMLIsAutoLoopPlay, "XMLSetAutoLoopPlay",
                      XMLSetAutoLoopPlay);
}

struct ViewerFlags {
  int32_t IsRealData;
  int32_t AutoLoopPlay;
};

std::unique_ptr<Accessor> FlagsAccessor() {
  return Make<ViewerFlags>({"XMLIsRealData, XMLIsAutoLoopPlay",
                            [](ViewerFlags& flags) {
                              flags.IsRealData = XMLIsRealData();
                              flags.AutoLoopPlay = XMLIsAutoLoopPlay();
                              return XMLR_GET_OK;
                            },
                            "", nullptr, [] { return ViewerFlags{}; },
                            [](ViewerFlags& flags) {
                              return std::vector<Field>{{"IsRealData", &flags.IsRealData},
                                                        {"AutoLoopPlay", &flags.AutoLoopPlay}};
                            }});
}

// The name getter answers with the name itself, empty when it is not stored.
std::unique_ptr<Accessor> ProcessNameAccessor() {
  return Make<std::u16string>(
      {"XMLGetDUZOProcessName",
       [](std::u16string& name) {
         name = XMLGetDUZOProcessName();
         return XMLR_GET_OK;
       },
       "XMLSetDUZOProcessName",
       [](const std::u16string& name) { return XMLSetDUZOProcessName(&name); },
       [] { return std::u16string(); },
       [](std::u16string& name) {
         return std::vector<Field>{{"DUZOProcessName", &name}};
       }});
}

std::unique_ptr<Accessor> LocalAccessor() {
  return Make<LocalInfo>({"XMLGetLocalInfo", [](LocalInfo& info) { return XMLGetLocalInfo(&info); },
                          "XMLSetLocalInfo",
                          [](const LocalInfo& info) { return XMLSetLocalInfo(&info); },
                          [] { return LocalInfo{}; }, LocalFields});
}

std::unique_ptr<Accessor> ColumnsAccessor() {
  return Make<std::vector<PatListColumn>>(
      {"XMLGetPatListHeaderInfo",
       [](std::vector<PatListColumn>& columns) { return XMLGetPatListHeaderInfo(&columns); }, "",
       nullptr, [] { return std::vector<PatListColumn>(); }, ColumnFields});
}

std::unique_ptr<Accessor> WindowAccessor() {
  return Make<WindowRect>({"XMLGetLastPos", [](WindowRect& rect) { return XMLGetLastPos(&rect); },
                           "XMLSetLastPos",
                           [](const WindowRect& rect) { return XMLSetLastPos(&rect); },
                           [] { return WindowRect{}; }, WindowFields});
}

std::unique_ptr<Accessor> DicomNodeAccessor() {
  return Make<DICOMLocalInfo>(
      {"XMLGetDICOMLocalInfo", [](DICOMLocalInfo& info) { return XMLGetDICOMLocalInfo(&info); },
       "XMLSetDICOMLocalInfo",
       [](const DICOMLocalInfo& info) { return XMLSetDICOMLocalInfo(&info); },
       [] { return DICOMLocalInfo(); }, DicomNodeFields});
}

std::unique_ptr<Accessor> ImagePathAccessor() {
  return Make<std::u16string>({"XMLGetDICOMImagePath",
                               [](std::u16string& path) { return XMLGetDICOMImagePath(&path); }, "",
                               nullptr, [] { return std::u16string(); },
                               [](std::u16string& path) {
                                 return std::vector<Field>{{"DICOM.ImagePath", &path}};
                               }});
}

std::unique_ptr<Accessor> PartZoomAccessor() {
  return Make<PartZoomInfo>({"XMLGetDicomPartZoomIn",
                             [](PartZoomInfo& zoom) { return XMLGetDicomPartZoomIn(&zoom); },
                             "XMLSetDicomPartZoomIn",
                             [](const PartZoomInfo& zoom) { return XMLSetDicomPartZoomIn(&zoom); },
                             [] { return PartZoomInfo{}; }, PartZoomFields});
}

std::unique_ptr<Accessor> ImageWinAccessor() {
  return Make<DICOMImageWinInfo>(
      {"XMLGetDICOMImageWinInfo",
       [](DICOMImageWinInfo& win) { return XMLGetDICOMImageWinInfo(&win); },
       "XMLSetDICOMImageWinInfo",
       [](const DICOMImageWinInfo& win) { return XMLSetDICOMImageWinInfo(&win); },
       [] { return DICOMImageWinInfo{}; }, ImageWinFields});
}

std::unique_ptr<Accessor> AddedModalitiesAccessor() {
  return Make<std::vector<std::u16string>>(
      {"XMLGetDICOMAddedModality",
       [](std::vector<std::u16string>& names) { return XMLGetDICOMAddedModality(&names); }, "",
       nullptr, [] { return std::vector<std::u16string>(); },
       [](std::vector<std::u16string>& names) {
         std::vector<Field> fields;
         for (size_t i = 0; i < names.size(); ++i) {
           fields.push_back({"DICOM.Modality" + std::to_string(i), &names[i], false});
         }
         return fields;
       }});
}

std::unique_ptr<Accessor> EcgAccessor() {
  return Make<ECGSettingInfo>(
      {"XMLGetECGSettingInfo", [](ECGSettingInfo& info) { return XMLGetECGSettingInfo(&info); },
       "XMLSetECGSettingInfo",
       [](const ECGSettingInfo& info) { return XMLSetECGSettingInfo(&info); },
       [] { return ECGSettingInfo{}; }, EcgFields});
}

std::string ModalityKeyPrefix(const std::u16string& name) {
  return std::string(kModalityPrefix) + ToUtf8(name) + ".";
}

std::unique_ptr<Accessor> DisplayKINAccessor(const std::u16string& name) {
  const std::string key = ModalityKeyPrefix(name) + "DisplayKIN";
  return Make<int32_t>(
      {"XMLGetDICOMDisplayKINImage",
       [name](int32_t& value) { return XMLGetDICOMDisplayKINImage(name, &value); },
       "XMLSetDICOMDisplayKINImage",
       [name](const int32_t& value) { return XMLSetDICOMDisplayKINImage(name, value); },
       [] { return 1; },
       [key](int32_t& value) {
         return std::vector<Field>{{key, &value}};
       }});
}

std::unique_ptr<Accessor> PatientInfoAccessor(const std::u16string& name) {
  const std::string prefix = ModalityKeyPrefix(name) + "PatientInfo.";
  return Make<DICOMModalityPatientInfo>({"XMLGetDICOMModalityPatientInfo",
                                         [name](DICOMModalityPatientInfo& info) {
                                           return XMLGetDICOMModalityPatientInfo(name, &info);
                                         },
                                         "XMLSetDICOMModalityPatientInfo",
                                         [name](const DICOMModalityPatientInfo& info) {
                                           return XMLSetDICOMModalityPatientInfo(name, &info);
                                         },
                                         [] { return DICOMModalityPatientInfo(); },
                                         [prefix](DICOMModalityPatientInfo& info) {
                                           std::vector<Field> fields;
                                           AppendPrefixed(fields, prefix, PatientInfoFields(info));
                                           return fields;
                                         }});
}

// The label records have no defaults of their own; the modality record's are the first run's.
std::unique_ptr<Accessor> LabelAccessor(const std::u16string& name) {
  const std::string prefix = ModalityKeyPrefix(name) + "Label.";
  return Make<DICOMLabelInfo>(
      {"XMLGetDICOMLabelInfo",
       [name](DICOMLabelInfo& info) { return XMLGetDICOMLabelInfo(name, &info); },
       "XMLSetDICOMLabelInfo",
       [name](const DICOMLabelInfo& info) { return XMLSetDICOMLabelInfo(name, &info); },
       [] { return DICOMModalityInfo().Label; },
       [prefix](DICOMLabelInfo& info) {
         std::vector<Field> fields;
         AppendPrefixed(fields, prefix, LabelFields(info));
         return fields;
       }});
}

std::unique_ptr<Accessor> ModalityInfoAccessor(const std::u16string& name) {
  const std::string prefix = ModalityKeyPrefix(name);
  return Make<DICOMModalityInfo>(
      {"XMLGetDICOMModalityInfo",
       [name](DICOMModalityInfo& info) { return XMLGetDICOMModalityInfo(name, &info); },
       "XMLSetDICOMModalityInfo",
       [name](const DICOMModalityInfo& info) { return XMLSetDICOMModalityInfo(name, &info); },
       [] { return DICOMModalityInfo(); },
       [prefix](DICOMModalityInfo& info) {
         std::vector<Field> fields;
         AppendPrefixed(fields, prefix, ModalityInfoFields(info));
         return fields;
       }});
}

// For get and set, in order of precedence: a key is served by the first accessor that has it.
std::vector<std::unique_ptr<Accessor>> StationKeyAccessors() {
  std::vector<std::unique_ptr<Accessor>> accessors;
  accessors.push_back(MinDiskSpaceAccessor());
  accessors.push_back(LocalAccessor());
  accessors.push_back(ColumnsAccessor());
  accessors.push_back(IsRealDataAccessor());
  accessors.push_back(AutoLoopPlayAccessor());
  accessors.push_back(ProcessNameAccessor());
  accessors.push_back(WindowAccessor());
  accessors.push_back(DicomNodeAccessor());
  accessors.push_back(ImagePathAccessor());
  accessors.push_back(PartZoomAccessor());
  accessors.push_back(ImageWinAccessor());
  accessors.push_back(EcgAccessor());
  return accessors;
}

std::vector<std::unique_ptr<Accessor>> ModalityKeyAccessors(const std::u16string& name) {
  std::vector<std::unique_ptr<Accessor>> accessors;
  accessors.push_back(DisplayKINAccessor(name));
  accessors.push_back(PatientInfoAccessor(name));
  accessors.push_back(LabelAccessor(name));
  return accessors;
}

bool HasKey(const Accessor& accessor, const std::string& key) {
  const std::vector<KeyInfo> keys = accessor.Keys();
  return std::any_of(keys.begin(), keys.end(),
                     [&](const KeyInfo& info) { return info.key == key; });
}

}  // namespace

std::vector<Group> FixedGroups() {
  std::vector<Group> groups;
  groups.push_back({"local", "Local station settings (LocalSetting)", "", LocalAccessor()});
  groups.push_back({"columns", "Patient-list columns (LocalSetting/PatListHeader)",
                    "columns are read by number from 0 up to the first missing one, at most 7",
                    ColumnsAccessor()});
  groups.push_back({"flags", "Viewer flags",
                    "the library answers 1 for a flag that is not stored, so the two look alike",
                    FlagsAccessor()});
  groups.push_back({"process", "Companion process",
                    "the library answers empty text for a name that is not stored",
                    ProcessNameAccessor()});
  groups.push_back({"window", "Last window position (WindowLastPos)", "", WindowAccessor()});
  groups.push_back({"dicom", "DICOM node (DICOMViewer/DICOMNetSetting)", "", DicomNodeAccessor()});
  groups.push_back({"image-path", "DICOM image path",
                    "the image directory looked up wherever it stands; set it as "
                    "DICOM.LocalImageDir",
                    ImagePathAccessor()});
  groups.push_back(
      {"zoom", "Partial zoom (DICOMViewer/DICOMMainWin/PartZoom)", "", PartZoomAccessor()});
  groups.push_back(
      {"image-window", "Image window switches (DICOMViewer/DICOMMainWin)", "", ImageWinAccessor()});
  groups.push_back({"modalities", "Added modalities (DICOMViewer/ModalityCount, Modality0, ...)",
                    "", AddedModalitiesAccessor()});
  groups.push_back({"ecg", "ECG viewer (ECGViewer)", "", EcgAccessor()});
  return groups;
}

Group ModalityGroup(const std::u16string& name) {
  return {std::string(kModalityPrefix) + ToUtf8(name),
          "Display settings of modality " + ToUtf8(name) + " (DICOMViewer/" + ToUtf8(name) + ")",
          "", ModalityInfoAccessor(name)};
}

std::unique_ptr<Accessor> AccessorForKey(const std::string& key) {
  const std::string_view view = key;
  if (view.substr(0, kModalityPrefix.size()) == kModalityPrefix) {
    // The name is whatever stands between "Modality." and a known field path, dots included.
    const std::string_view rest = view.substr(kModalityPrefix.size());
    const size_t placeholder = ModalityKeyPrefix(u"*").size();
    for (const auto& accessor : ModalityKeyAccessors(u"*")) {
      for (const KeyInfo& info : accessor->Keys()) {
        const std::string path = "." + info.key.substr(placeholder);
        if (rest.size() <= path.size() || rest.substr(rest.size() - path.size()) != path) continue;
        const std::string_view name = rest.substr(0, rest.size() - path.size());
        for (auto& named : ModalityKeyAccessors(platform::FromUtf8(name))) {
          if (HasKey(*named, key)) return std::move(named);
        }
      }
    }
    return nullptr;
  }
  for (auto& accessor : StationKeyAccessors()) {
    if (HasKey(*accessor, key)) return std::move(accessor);
  }
  return nullptr;
}

std::vector<KeyInfo> AllKeys() {
  std::vector<std::unique_ptr<Accessor>> accessors = StationKeyAccessors();
  for (auto& accessor : ModalityKeyAccessors(u"<name>")) accessors.push_back(std::move(accessor));
  std::vector<KeyInfo> keys;
  for (const auto& accessor : accessors) {
    for (KeyInfo& info : accessor->Keys()) {
      const bool known = std::any_of(keys.begin(), keys.end(),
                                     [&](const KeyInfo& other) { return other.key == info.key; });
      if (!known) keys.push_back(std::move(info));
    }
  }
  return keys;
}

}  // namespace viewersettings::cli
