#include "ViewerSettings.h"
#include "store/Frame.h"

using namespace viewersettings::store;

int32_t XMLGetMinDiskSpace(int32_t* out) {
  if (!out) return XMLR_GET_NOT_FOUND;
  return Get({u"SystemSetting", u"LocalSetting"},
             [&](SettingsReader& r) { r.Leaf(u"MinDiskSpace", *out); });
}

int32_t XMLSetMinDiskSpace(int32_t value) {
  return Set({u"SystemSetting", u"LocalSetting"},
             [&](SettingsWriter& w) { w.Leaf(u"MinDiskSpace", value); });
}
