// The four local station settings under SystemSetting/LocalSetting, each a leaf with Value.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Access.h"

using namespace viewersettings::store;

namespace {

// Each leaf is looked up from the first child, so any order of the children is read. The setter
// looks each up there too, so the element updated is the one read back; a missing leaf is added
// right after the previous one.
const FileAccess kLocalAccess = {
    {u"SystemSetting", u"LocalSetting"}, Search::kFromFirst, Search::kFromFirstAddAfterLast};

// The order in which the leaves are looked up, and in which a fresh LocalSetting gets them.
template <class Visitor, class Info>
void LocalLeaves(Visitor& visit, Info& info) {
  visit.Leaf(u"MinDiskSpace", info.MinDiskSpace);
  visit.Leaf(u"LockStationTime", info.LockStationTime);
  visit.Leaf(u"PatListMaxRecords", info.PatListMaxRecords);
  visit.Leaf(u"StudyListUpdateTime", info.StudyListUpdateTime);
}

void RecordLeaves(LeafRecorder& recorder, LocalInfo& info) {
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
  group.make = Records<LocalInfo>(XMLGetLocalInfo, XMLSetLocalInfo, RecordLeaves);
  return group;
}

}  // namespace viewersettings::settings
