// The key-image switch of one modality: SystemSetting/DICOMViewer/<modality>/DisplayKIN.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "settings/dicom/ModalityAccess.h"
#include "settings/dicom/ModalityName.h"
#include "store/Access.h"

using namespace viewersettings::store;
using viewersettings::dicom::IsUsableModalityName;
using viewersettings::dicom::ModalityAccess;

namespace {

constexpr char16_t kDisplayKIN[] = u"DisplayKIN";

}  // namespace

int32_t XMLGetDICOMDisplayKINImage(const std::u16string& modality, int32_t* value) {
  if (!value || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  return Get(ModalityAccess(modality), [&](SettingsReader& r) { r.Leaf(kDisplayKIN, *value); });
}

int32_t XMLSetDICOMDisplayKINImage(const std::u16string& modality, int32_t value) {
  if (!IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  return Set(ModalityAccess(modality), [&](SettingsWriter& w) { w.Leaf(kDisplayKIN, value); });
}

namespace viewersettings::settings {
namespace {

// The per-modality records start from the display settings that the first run stores for
// "General", which the modality record's constructor gives.
RecordFunctions<int32_t> DisplayKINRecord(const std::u16string& modality) {
  return {[modality](int32_t& value) { return XMLGetDICOMDisplayKINImage(modality, &value); },
          [modality](const int32_t& value) { return XMLSetDICOMDisplayKINImage(modality, value); },
          [] { return DICOMModalityInfo().DisplayKIN; },
          [modality](LeafRecorder& recorder, int32_t& value) {
            recorder.Access(ModalityAccess(modality));
            recorder.Leaf(kDisplayKIN, value);
          }};
}

}  // namespace

// Modality.<name>.DisplayKIN
GroupEntry DisplayKINGroup() {
  GroupEntry group;
  group.getter = "XMLGetDICOMDisplayKINImage";
  group.setter = "XMLSetDICOMDisplayKINImage";
  group.perModality = true;
  group.keyPrefix = "Modality.<name>.";
  group.keyFromLevel = 3;
  group.section = "Modality.<name>";
  group.sectionTitle = "Display settings of modality <name> (DICOMViewer/<name>)";
  group.make = ModalityRecords(DisplayKINRecord);
  return group;
}

}  // namespace viewersettings::settings
