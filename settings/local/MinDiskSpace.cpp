// The free disk space the viewer keeps: SystemSetting/LocalSetting/MinDiskSpace, the first of the
// local leaves (see LocalInfo.cpp) read and stored alone, searching forward.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Access.h"

using namespace viewersettings::store;

namespace {

const FileAccess kLocalAccess = {{u"SystemSetting", u"LocalSetting"}};
constexpr char16_t kMinDiskSpace[] = u"MinDiskSpace";

void RecordLeaves(LeafRecorder& recorder, int32_t& value) {
  recorder.Access(kLocalAccess);
  recorder.Leaf(kMinDiskSpace, value);
}

}  // namespace

int32_t XMLGetMinDiskSpace(int32_t* out) {
  if (!out) return XMLR_GET_NOT_FOUND;
  return Get(kLocalAccess, [&](SettingsReader& r) { r.Leaf(kMinDiskSpace, *out); });
}

int32_t XMLSetMinDiskSpace(int32_t value) {
  return Set(kLocalAccess, [&](SettingsWriter& w) { w.Leaf(kMinDiskSpace, value); });
}

namespace viewersettings::settings {

// MinDiskSpace: listed before LocalInfo, so the key is this group's.
GroupEntry MinDiskSpaceGroup() {
  GroupEntry group;
  group.getter = "XMLGetMinDiskSpace";
  group.setter = "XMLSetMinDiskSpace";
  group.keyFromLevel = 2;
  group.section = "local";
  group.sectionTitle = "Local station settings (LocalSetting)";
  group.make = Records<int32_t>({[](int32_t& value) { return XMLGetMinDiskSpace(&value); },
                                 [](const int32_t& value) { return XMLSetMinDiskSpace(value); },
                                 [] { return 0; }, RecordLeaves});
  return group;
}

}  // namespace viewersettings::settings
