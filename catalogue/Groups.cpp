#include "catalogue/Groups.h"

#include <functional>

#include "ViewerSettings.h"
#include "catalogue/Describe.h"

namespace viewersettings::catalogue {
namespace {

template <class Record>
class RecordGroup final : public Group {
 public:
  struct Functions {
    std::function<int32_t(Record&)> get;
    std::function<int32_t(const Record&)> set;  // empty when the library has no setter
    std::function<Record()> initial;
    std::function<void(LeafTable&, Record&)> describe;
  };

  explicit RecordGroup(Functions functions) : f_(std::move(functions)), record_(f_.initial()) {}

  void Reset() override { record_ = f_.initial(); }
  int32_t Get() override { return f_.get(record_); }
  int32_t Set() const override { return f_.set ? f_.set(record_) : XMLR_SET_FAILED; }
  LeafTable Describe(LeafTable::Purpose purpose) override {
    LeafTable table(purpose);
    f_.describe(table, record_);
    return table;
  }

 private:
  Functions f_;
  Record record_;
};

template <class Record>
std::unique_ptr<Group> Make(typename RecordGroup<Record>::Functions functions) {
  return std::make_unique<RecordGroup<Record>>(std::move(functions));
}

std::unique_ptr<Group> MinDiskSpaceGroup(const std::u16string&) {
  return Make<int32_t>({[](int32_t& value) { return XMLGetMinDiskSpace(&value); },
                        [](const int32_t& value) { return XMLSetMinDiskSpace(value); },
                        [] { return 0; }, DescribeMinDiskSpace});
}

std::unique_ptr<Group> LocalInfoGroup(const std::u16string&) {
  return Make<LocalInfo>({[](LocalInfo& info) { return XMLGetLocalInfo(&info); },
                          [](const LocalInfo& info) { return XMLSetLocalInfo(&info); },
                          [] { return LocalInfo{}; }, DescribeLocalInfo});
}

// The setter answers XMLR_GET_OK on success.
std::unique_ptr<Group> ColumnsGroup(const std::u16string&) {
  return Make<std::vector<PatListColumn>>(
      {[](std::vector<PatListColumn>& columns) { return XMLGetPatListHeaderInfo(&columns); },
       [](const std::vector<PatListColumn>& columns) {
         const int32_t result = XMLSetPatListHeaderInfo(&columns);
         return result == XMLR_GET_OK ? XMLR_SET_OK : result;
       },
       [] { return std::vector<PatListColumn>(); }, DescribePatListHeader});
}

// The flag getters answer with the flag itself, 1 when it is not stored.
template <int32_t (*get)(), int32_t (*set)(int32_t), void (*describe)(LeafTable&, int32_t&)>
std::unique_ptr<Group> FlagGroup(const std::u16string&) {
  return Make<int32_t>({[](int32_t& value) {
                          value = get();
                          return XMLR_GET_OK;
                        },
                        [](const int32_t& value) { return set(value); }, [] { return 0; },
                        describe});
}

// The name getter answers with the name itself, empty when it is not stored.
std::unique_ptr<Group> ProcessNameGroup(const std::u16string&) {
  return Make<std::u16string>(
      {[](std::u16string& name) {
         name = XMLGetDUZOProcessName();
         return XMLR_GET_OK;
       },
       [](const std::u16string& name) { return XMLSetDUZOProcessName(&name); },
       [] { return std::u16string(); }, DescribeDUZOProcessName});
}

std::unique_ptr<Group> LastPosGroup(const std::u16string&) {
  return Make<WindowRect>({[](WindowRect& rect) { return XMLGetLastPos(&rect); },
                           [](const WindowRect& rect) { return XMLSetLastPos(&rect); },
                           [] { return WindowRect{}; }, DescribeLastPos});
}

std::unique_ptr<Group> DicomNodeGroup(const std::u16string&) {
  return Make<DICOMLocalInfo>(
      {[](DICOMLocalInfo& info) { return XMLGetDICOMLocalInfo(&info); },
       [](const DICOMLocalInfo& info) { return XMLSetDICOMLocalInfo(&info); },
       [] { return DICOMLocalInfo(); }, DescribeDICOMLocalInfo});
}

std::unique_ptr<Group> ImagePathGroup(const std::u16string&) {
  return Make<std::u16string>({[](std::u16string& path) { return XMLGetDICOMImagePath(&path); },
                               nullptr, [] { return std::u16string(); }, DescribeDICOMImagePath});
}

std::unique_ptr<Group> PartZoomGroup(const std::u16string&) {
  return Make<PartZoomInfo>({[](PartZoomInfo& zoom) { return XMLGetDicomPartZoomIn(&zoom); },
                             [](const PartZoomInfo& zoom) { return XMLSetDicomPartZoomIn(&zoom); },
                             [] { return PartZoomInfo{}; }, DescribeDicomPartZoomIn});
}

std::unique_ptr<Group> ImageWinGroup(const std::u16string&) {
  return Make<DICOMImageWinInfo>(
      {[](DICOMImageWinInfo& win) { return XMLGetDICOMImageWinInfo(&win); },
       [](const DICOMImageWinInfo& win) { return XMLSetDICOMImageWinInfo(&win); },
       [] { return DICOMImageWinInfo{}; }, DescribeDICOMImageWinInfo});
}

std::unique_ptr<Group> AddedModalityGroup(const std::u16string&) {
  return Make<std::vector<std::u16string>>(
      {[](std::vector<std::u16string>& names) { return XMLGetDICOMAddedModality(&names); },
       [](const std::vector<std::u16string>& names) { return XMLSetDICOMAddedModality(&names); },
       [] { return std::vector<std::u16string>(); }, DescribeDICOMAddedModality});
}

// The per-modality records start from the display settings that the first run stores for
// "General", which the modality record's constructor gives.
std::unique_ptr<Group> DisplayKINGroup(const std::u16string& modality) {
  return Make<int32_t>(
      {[modality](int32_t& value) { return XMLGetDICOMDisplayKINImage(modality, &value); },
       [modality](const int32_t& value) { return XMLSetDICOMDisplayKINImage(modality, value); },
       [] { return DICOMModalityInfo().DisplayKIN; },
       [modality](LeafTable& table, int32_t& value) {
         DescribeDICOMDisplayKINImage(table, modality, value);
       }});
}

std::unique_ptr<Group> PatientInfoGroup(const std::u16string& modality) {
  return Make<DICOMModalityPatientInfo>(
      {[modality](DICOMModalityPatientInfo& info) {
         return XMLGetDICOMModalityPatientInfo(modality, &info);
       },
       [modality](const DICOMModalityPatientInfo& info) {
         return XMLSetDICOMModalityPatientInfo(modality, &info);
       },
       [] { return DICOMModalityInfo().PatientInfo; },
       [modality](LeafTable& table, DICOMModalityPatientInfo& info) {
         DescribeDICOMModalityPatientInfo(table, modality, info);
       }});
}

std::unique_ptr<Group> LabelGroup(const std::u16string& modality) {
  return Make<DICOMLabelInfo>(
      {[modality](DICOMLabelInfo& info) { return XMLGetDICOMLabelInfo(modality, &info); },
       [modality](const DICOMLabelInfo& info) { return XMLSetDICOMLabelInfo(modality, &info); },
       [] { return DICOMModalityInfo().Label; },
       [modality](LeafTable& table, DICOMLabelInfo& info) {
         DescribeDICOMLabelInfo(table, modality, info);
       }});
}

std::unique_ptr<Group> EcgGroup(const std::u16string&) {
  return Make<ECGSettingInfo>(
      {[](ECGSettingInfo& info) { return XMLGetECGSettingInfo(&info); },
       [](const ECGSettingInfo& info) { return XMLSetECGSettingInfo(&info); },
       [] { return ECGSettingInfo{}; }, DescribeECGSettingInfo});
}

}  // namespace

const std::vector<GroupDef>& GroupDefs() {
  static const std::vector<GroupDef> defs = {
      {"XMLGetMinDiskSpace", "XMLSetMinDiskSpace", false, "", 2, {}, MinDiskSpaceGroup},
      {"XMLGetLocalInfo", "XMLSetLocalInfo", false, "", 2, {}, LocalInfoGroup},
      {"XMLGetPatListHeaderInfo", "XMLSetPatListHeaderInfo", false, "", 2, {}, ColumnsGroup},
      {"XMLIsRealData",
       "XMLSetRealData",
       false,
       "",
       1,
       {},
       FlagGroup<XMLIsRealData, XMLSetRealData, DescribeRealData>},
      {"XMLIsAutoLoopPlay",
       "XMLSetAutoLoopPlay",
       false,
       "",
       1,
       {},
       FlagGroup<XMLIsAutoLoopPlay, XMLSetAutoLoopPlay, DescribeAutoLoopPlay>},
      {"XMLGetDUZOProcessName", "XMLSetDUZOProcessName", false, "", 1, {}, ProcessNameGroup},
      {"XMLGetLastPos", "XMLSetLastPos", false, "", 1, {}, LastPosGroup},
      {"XMLGetDICOMLocalInfo", "XMLSetDICOMLocalInfo", false, "DICOM.", 3, {}, DicomNodeGroup},
      // The image directory once more, through the getter that looks for it anywhere.
      {"XMLGetDICOMImagePath",
       "",
       false,
       "DICOM.",
       3,
       {{u"LocalImageDir", "ImagePath"}},
       ImagePathGroup},
      {"XMLGetDicomPartZoomIn", "XMLSetDicomPartZoomIn", false, "DICOM.", 3, {}, PartZoomGroup},
      {"XMLGetDICOMImageWinInfo", "XMLSetDICOMImageWinInfo", false, "DICOM.", 3, {}, ImageWinGroup},
      {"XMLGetDICOMAddedModality",
       "XMLSetDICOMAddedModality",
       false,
       "DICOM.",
       2,
       {},
       AddedModalityGroup,
       true},
      {"XMLGetDICOMDisplayKINImage",
       "XMLSetDICOMDisplayKINImage",
       true,
       "Modality.<name>.",
       3,
       {},
       DisplayKINGroup},
      {"XMLGetDICOMModalityPatientInfo",
       "XMLSetDICOMModalityPatientInfo",
       true,
       "Modality.<name>.",
       3,
       {},
       PatientInfoGroup},
      {"XMLGetDICOMLabelInfo", "XMLSetDICOMLabelInfo", true, "Modality.<name>.", 3, {}, LabelGroup},
      // The attributes of SmoothFilter and Magnifier are ECG.<attribute>.
      {"XMLGetECGSettingInfo",
       "XMLSetECGSettingInfo",
       false,
       "ECG.",
       2,
       {{u"SmoothFilter", ""}, {u"Magnifier", ""}},
       EcgGroup},
  };
  return defs;
}

}  // namespace viewersettings::catalogue
