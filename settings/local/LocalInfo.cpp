// The four local station settings under SystemSetting/LocalSetting, each a leaf with Value.
#include "ViewerSettings.h"
#include "catalogue/Describe.h"
#include "catalogue/LeafTable.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::catalogue::LeafTable;

namespace {

const ElementPath kLocalPath = {u"SystemSetting", u"LocalSetting"};

// The order in which the leaves are looked up, and in which a fresh LocalSetting gets them.
template <class Io, class Info>
void LocalLeaves(Io& io, Info& info) {
  io.Leaf(u"MinDiskSpace", info.MinDiskSpace);
  io.Leaf(u"LockStationTime", info.LockStationTime);
  io.Leaf(u"PatListMaxRecords", info.PatListMaxRecords);
  io.Leaf(u"StudyListUpdateTime", info.StudyListUpdateTime);
}

}  // namespace

// Each leaf is looked up from the first child, so any order of the children is read.
int32_t XMLGetLocalInfo(LocalInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(
      kLocalPath, [&](SettingsReader& r) { LocalLeaves(r, *info); }, Search::kFromFirst);
}

// Each leaf is looked up from the first child, as the getter does, so the element updated is the
// one read back; a missing leaf is added right after the previous one.
int32_t XMLSetLocalInfo(const LocalInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(
      kLocalPath, [&](SettingsWriter& w) { LocalLeaves(w, *info); },
      Search::kFromFirstAddAfterLast);
}

void viewersettings::catalogue::DescribeLocalInfo(LeafTable& table, LocalInfo& info) {
  table.Access(kLocalPath, Search::kFromFirst);
  LocalLeaves(table, info);
}

// XMLGetMinDiskSpace and XMLSetMinDiskSpace (store/MinDiskSpace.cpp) walk to the first of the
// local leaves alone, searching forward.
void viewersettings::catalogue::DescribeMinDiskSpace(LeafTable& table, int32_t& value) {
  table.Access(kLocalPath);
  table.Leaf(u"MinDiskSpace", value);
}
