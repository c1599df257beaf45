// The list of added modalities: SystemSetting/DICOMViewer/ModalityCount, then Modality0,
// Modality1, ... holding the names in list order.
#include <limits>

#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Access.h"
#include "text/WideConvert.h"

using namespace viewersettings::store;

namespace {

const FileAccess kViewerAccess = {{u"SystemSetting", u"DICOMViewer"}};

// The stored count is a signed 16-bit number.
constexpr size_t kMaxModalityCount = std::numeric_limits<int16_t>::max();

std::u16string ModalityElementName(int32_t index) {
  return u"Modality" + viewersettings::text::FormatDecimal(index);
}

// The names the list holds; for writing, also the one it may grow by. Names that are not usable
// modality names are refused, as the per-modality functions would refuse them.
void RecordLeaves(LeafRecorder& recorder, std::vector<std::u16string>& names) {
  recorder.Access(kViewerAccess);
  const size_t entries =
      recorder.ForWriting() && names.size() < kMaxModalityCount ? names.size() + 1 : names.size();
  std::u16string absent;
  for (size_t index = 0; index < entries; ++index) {
    const bool present = index < names.size();
    const std::u16string element = ModalityElementName(static_cast<int32_t>(index));
    recorder.Entry(
        element, present, [&names] { names.emplace_back(); }, true);
    recorder.Element(element.c_str());
    recorder.Attr(u"Value", ModalityNameRef{present ? &names[index] : &absent});
  }
}

}  // namespace

// Each ModalityN is looked up after the element found last, starting at ModalityCount; a count
// that reads as zero or negative means no names.
int32_t XMLGetDICOMAddedModality(std::vector<std::u16string>* names) {
  if (!names) return XMLR_GET_NOT_FOUND;
  return Get(kViewerAccess, [&](SettingsReader& r) {
    int16_t count = 0;
    r.Leaf(u"ModalityCount", count);
    // Built aside so that a failure midway leaves the caller's list as it was.
    std::vector<std::u16string> found;
    for (int32_t index = 0; index < count; ++index) {
      std::u16string name;
      if (r.Leaf(ModalityElementName(index).c_str(), name)) found.push_back(std::move(name));
    }
    names->swap(found);
  });
}

// Elements beyond the new count stay in the file; the getter does not read them.
int32_t XMLSetDICOMAddedModality(const std::vector<std::u16string>* names) {
  if (!names || names->size() > kMaxModalityCount) return XMLR_SET_FAILED;
  const int16_t count = static_cast<int16_t>(names->size());
  return Set(kViewerAccess, [&](SettingsWriter& w) {
    w.Leaf(u"ModalityCount", count);
    for (int32_t index = 0; index < count; ++index) {
      w.Leaf(ModalityElementName(index).c_str(), (*names)[index]);
    }
  });
}

namespace viewersettings::settings {

// DICOM.Modality<n>
GroupEntry AddedModalityGroup() {
  GroupEntry group;
  group.getter = "XMLGetDICOMAddedModality";
  group.setter = "XMLSetDICOMAddedModality";
  group.keyPrefix = "DICOM.";
  group.keyFromLevel = 2;
  group.listsModalities = true;
  group.section = "modalities";
  group.sectionTitle = "Added modalities (DICOMViewer/ModalityCount, Modality0, ...)";
  group.make = Records<std::vector<std::u16string>>(XMLGetDICOMAddedModality,
                                                    XMLSetDICOMAddedModality, RecordLeaves);
  return group;
}

}  // namespace viewersettings::settings
