// The ECG viewer's settings: SystemSetting/ECGViewer, its scalar children and two lists.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "settings/ecg/ECGLists.h"
#include "store/Access.h"
#include "store/Wait.h"

using namespace viewersettings::store;
using namespace viewersettings::ecg;

namespace {

const FileAccess kViewerAccess = {{u"SystemSetting", u"ECGViewer"}};

// The scalar children of ECGViewer, each searched after the one before it.
template <class Visitor, class Info>
void ScalarLeaves(Visitor& visit, Info& info) {
  visit.Leaf(u"PageStyle", info.PageStyle);
  visit.Leaf(u"GridType", info.GridType);
  if (visit.Element(u"SmoothFilter")) visit.Attr(u"DefaultSmoothMode", info.DefaultSmoothMode);
  // A missing Magnifier leaves its fields as they were but is no failure of the getter.
  if (visit.OptionalElement(u"Magnifier")) {
    visit.Attr(u"ZoomRatio", info.ZoomRatio);
    visit.Attr(u"ZoomWidth", info.ZoomWidth);
    visit.Attr(u"ZoomHeight", info.ZoomHeight);
  }
}

}  // namespace

// Three file accesses: the scalars, then each list on its own.
int32_t XMLGetECGSettingInfo(ECGSettingInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  CallScope call;
  int32_t result = Get(kViewerAccess, [&](SettingsReader& r) { ScalarLeaves(r, *info); });
  if (result == XMLR_FILE_ERROR) return result;
  if (ReadECGColorSetting(info->Colors) != XMLR_GET_OK) result = XMLR_GET_NOT_FOUND;
  if (ReadECGSmoothFilter(info->SmoothFilters) != XMLR_GET_OK) result = XMLR_GET_NOT_FOUND;
  return result;
}

// Three rewrites of the file: the scalars (which create SmoothFilter), the filters, the colours.
int32_t XMLSetECGSettingInfo(const ECGSettingInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  CallScope call;
  int32_t result = Set(kViewerAccess, [&](SettingsWriter& w) { ScalarLeaves(w, *info); });
  if (result == XMLR_FILE_ERROR) return result;
  if (WriteECGSmoothFilter(info->SmoothFilters) != XMLR_SET_OK) result = XMLR_SET_FAILED;
  if (WriteECGColorSetting(info->Colors) != XMLR_SET_OK) result = XMLR_SET_FAILED;
  return result;
}

namespace viewersettings::settings {

// ECG.PageStyle, ECG.GridType, ECG.DefaultSmoothMode, ECG.ZoomRatio, ECG.ZoomWidth,
// ECG.ZoomHeight (the attributes of SmoothFilter and Magnifier), ECG.ColorSetting.<kind>.Red,
// ..., ECG.SmoothFilter.<kind>.<parameter>
GroupEntry EcgGroup() {
  GroupEntry group;
  group.getter = "XMLGetECGSettingInfo";
  group.setter = "XMLSetECGSettingInfo";
  group.keyPrefix = "ECG.";
  group.keyFromLevel = 2;
  group.renamed = {{u"SmoothFilter", ""}, {u"Magnifier", ""}};
  group.section = "ecg";
  group.sectionTitle = "ECG viewer (ECGViewer)";
  group.make = Records<ECGSettingInfo>(XMLGetECGSettingInfo, XMLSetECGSettingInfo,
                                       [](LeafRecorder& recorder, ECGSettingInfo& info) {
                                         recorder.Access(kViewerAccess);
                                         ScalarLeaves(recorder, info);
                                         RecordECGColorLeaves(recorder, info.Colors);
                                         RecordECGFilterLeaves(recorder, info.SmoothFilters);
                                       });
  return group;
}

}  // namespace viewersettings::settings
