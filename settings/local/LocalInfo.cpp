// The four local station settings under SystemSetting/LocalSetting, each a leaf with Value.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Frame.h"

using namespace viewersettings::store;

namespace {

// Each leaf is looked up from the first child, so any order of the children is read. The setter
// looks each up there too, so the element updated is the one read back; a missing leaf is added
// right after the previous one.
const FileAccess kLocalAccess = {
    {u"SystemSetting", u"LocalSetting"}, Search::kFromFirst, Search::kFromFirstAddAfterLast};

// The order in which the leaves are looked up, and in which a fresh LocalSetting gets them.
template <class Io, class Info>
void LocalLeaves(Io& io, Info& info) {
  io.Leaf(u"MinDiskSpace", info.MinDiskSpace);
  io.Leaf(u"LockStationTime", info.LockStationTime);
  io.Leaf(u"PatListMaxRecords", info.PatListMaxRecords);
  io.Leaf(u"StudyListUpdateTime", info.StudyListUpdateTime);
}

void Describe(LeafRecorder& recorder, LocalInfo& info) {
  recorder.Access(kLocalAccess);
  LocalLeaves(recorder, info);
}

}  // namespace

int32_t XMLGetLocalInfo(LocalInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kLocalAccess, [&](SettingsReader& r) { LocalLeaves(r, *info); });
}

int32_t XMLSetLocalInfo(const LocalInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kLocalAccess, [&](SettingsWriter& w) { LocalLeaves(w, *info); });
}

namespace viewersettings::settings {

// LockStationTime, PatListMaxRecords, StudyListUpdateTime (MinDiskSpace is its own group's).
GroupEntry LocalInfoGroup() {
  GroupEntry group;
  group.getter = "XMLGetLocalInfo";
  group.setter = "XMLSetLocalInfo";
  group.keyFromLevel = 2;
  group.section = "local";
  group.make = Records<LocalInfo>(XMLGetLocalInfo, XMLSetLocalInfo, Describe);
  return group;
}

}  // namespace viewersettings::settings
