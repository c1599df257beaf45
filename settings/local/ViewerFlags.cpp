// Viewer-wide settings directly under SystemSetting: the IsRealData and AutoLoopPlay flags, the
// companion process name DUZOProcessName, and the window rectangle WindowLastPos.
#include "ViewerSettings.h"
#include "catalogue/Describe.h"
#include "catalogue/LeafTable.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::catalogue::LeafTable;

namespace {

constexpr int32_t kDefaultFlag = 1;
constexpr char16_t kRealData[] = u"IsRealData";
constexpr char16_t kAutoLoopPlay[] = u"AutoLoopPlay";
constexpr char16_t kProcessName[] = u"DUZOProcessName";

// The flag and name getters answer with the setting itself; `value` comes back as it was given
// when the file or the element is missing.
template <class Value>
Value ReadRootLeaf(const char16_t* element, Value value) {
  Get({u"SystemSetting"}, [&](SettingsReader& r) { r.Leaf(element, value); });
  return value;
}

// The flag and name setters never add the root: under a root of another name there is nowhere
// to store the value, and the setter reports that.
template <class Value>
int32_t WriteRootLeaf(const char16_t* element, const Value& value) {
  return Set({}, [&](SettingsWriter& w) {
    w.EnterExisting(u"SystemSetting");
    w.Leaf(element, value);
  });
}

template <class Value>
void DescribeRootLeaf(LeafTable& table, const char16_t* element, Value& value) {
  table.Access({u"SystemSetting"});
  table.Leaf(element, value);
}

// Stored as Left, Right, Top, Bottom, the order in which the attributes of a new element are
// added.
template <class Io, class Rect>
void LastPosLeaf(Io& io, Rect& rect) {
  if (!io.Element(u"WindowLastPos")) return;
  io.Attr(u"Left", rect.Left);
  io.Attr(u"Right", rect.Right);
  io.Attr(u"Top", rect.Top);
  io.Attr(u"Bottom", rect.Bottom);
}

}  // namespace

int32_t XMLIsRealData() {
  return ReadRootLeaf(kRealData, kDefaultFlag);
}

int32_t XMLSetRealData(int32_t value) {
  return WriteRootLeaf(kRealData, value);
}

int32_t XMLIsAutoLoopPlay() {
  return ReadRootLeaf(kAutoLoopPlay, kDefaultFlag);
}

int32_t XMLSetAutoLoopPlay(int32_t value) {
  return WriteRootLeaf(kAutoLoopPlay, value);
}

std::u16string XMLGetDUZOProcessName() {
  return ReadRootLeaf(kProcessName, std::u16string());
}

int32_t XMLSetDUZOProcessName(const std::u16string* name) {
  if (!name) return XMLR_SET_FAILED;
  return WriteRootLeaf(kProcessName, *name);
}

int32_t XMLGetLastPos(WindowRect* rect) {
  if (!rect) return XMLR_GET_NOT_FOUND;
  return Get({u"SystemSetting"}, [&](SettingsReader& r) { LastPosLeaf(r, *rect); });
}

int32_t XMLSetLastPos(const WindowRect* rect) {
  if (!rect) return XMLR_SET_FAILED;
  return Set({u"SystemSetting"}, [&](SettingsWriter& w) { LastPosLeaf(w, *rect); });
}

void viewersettings::catalogue::DescribeRealData(LeafTable& table, int32_t& value) {
  DescribeRootLeaf(table, kRealData, value);
}

void viewersettings::catalogue::DescribeAutoLoopPlay(LeafTable& table, int32_t& value) {
  DescribeRootLeaf(table, kAutoLoopPlay, value);
}

void viewersettings::catalogue::DescribeDUZOProcessName(LeafTable& table, std::u16string& name) {
  DescribeRootLeaf(table, kProcessName, name);
}

void viewersettings::catalogue::DescribeLastPos(LeafTable& table, WindowRect& rect) {
  table.Access({u"SystemSetting"});
  LastPosLeaf(table, rect);
}
