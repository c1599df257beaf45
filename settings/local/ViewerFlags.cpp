// Viewer-wide settings directly under SystemSetting: the IsRealData and AutoLoopPlay flags, the
// companion process name DUZOProcessName, and the window rectangle WindowLastPos.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Access.h"

using namespace viewersettings::store;
using viewersettings::settings::GroupEntry;
using viewersettings::settings::RecordFunctions;

namespace {

constexpr int32_t kDefaultFlag = 1;
constexpr char16_t kRealData[] = u"IsRealData";
constexpr char16_t kAutoLoopPlay[] = u"AutoLoopPlay";
constexpr char16_t kProcessName[] = u"DUZOProcessName";

const FileAccess kRootAccess({u"SystemSetting"});

// Reads into `value`, which stays as it was when the file or the element is missing.
template <class Value>
void ReadRootLeaf(const char16_t* element, Value& value) {
  Get(kRootAccess, [&](SettingsReader& r) { r.Leaf(element, value); });
}

// The flag and name getters answer with the setting itself: `value` when it is not stored.
template <class Value>
Value RootLeaf(const char16_t* element, Value value) {
  ReadRootLeaf(element, value);
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

// The getter of such a group reads into the record itself, so that the catalogue sees whether
// the element is stored; it has no result of its own to give.
template <class Value>
RecordFunctions<Value> RootLeafFunctions(const char16_t* element,
                                         int32_t (*set)(const Value& value)) {
  return {[element](Value& value) {
            ReadRootLeaf(element, value);
            return XMLR_GET_OK;
          },
          set, [] { return Value(); },
          [element](LeafRecorder& recorder, Value& value) {
            recorder.Access(kRootAccess);
            recorder.Leaf(element, value);
          }};
}

// Stored as Left, Right, Top, Bottom, the order in which the attributes of a new element are
// added.
template <class Visitor, class Rect>
void LastPosLeaf(Visitor& visit, Rect& rect) {
  if (!visit.Element(u"WindowLastPos")) return;
  visit.Attr(u"Left", rect.Left);
  visit.Attr(u"Right", rect.Right);
  visit.Attr(u"Top", rect.Top);
  visit.Attr(u"Bottom", rect.Bottom);
}

}  // namespace

int32_t XMLIsRealData() {
  return RootLeaf(kRealData, kDefaultFlag);
}

int32_t XMLSetRealData(int32_t value) {
  return WriteRootLeaf(kRealData, value);
}

int32_t XMLIsAutoLoopPlay() {
  return RootLeaf(kAutoLoopPlay, kDefaultFlag);
}

int32_t XMLSetAutoLoopPlay(int32_t value) {
  return WriteRootLeaf(kAutoLoopPlay, value);
}

std::u16string XMLGetDUZOProcessName() {
  return RootLeaf(kProcessName, std::u16string());
}

int32_t XMLSetDUZOProcessName(const std::u16string* name) {
  if (!name) return XMLR_SET_FAILED;
  return WriteRootLeaf(kProcessName, *name);
}

int32_t XMLGetLastPos(WindowRect* rect) {
  if (!rect) return XMLR_GET_NOT_FOUND;
  return Get(kRootAccess, [&](SettingsReader& r) { LastPosLeaf(r, *rect); });
}

int32_t XMLSetLastPos(const WindowRect* rect) {
  if (!rect) return XMLR_SET_FAILED;
  return Set(kRootAccess, [&](SettingsWriter& w) { LastPosLeaf(w, *rect); });
}

namespace viewersettings::settings {

// IsRealData
GroupEntry RealDataGroup() {
  GroupEntry group;
  group.getter = "XMLIsRealData";
  group.setter = "XMLSetRealData";
  group.section = "flags";
  group.sectionTitle = "Viewer flags";
  group.sectionNote = "the library answers 1 for a flag that is not stored, so the two look alike";
  group.make = Records(RootLeafFunctions<int32_t>(
      kRealData, [](const int32_t& value) { return XMLSetRealData(value); }));
  return group;
}

// AutoLoopPlay
GroupEntry AutoLoopPlayGroup() {
  GroupEntry group;
  group.getter = "XMLIsAutoLoopPlay";
  group.setter = "XMLSetAutoLoopPlay";
  group.section = "flags";
  group.make = Records(RootLeafFunctions<int32_t>(
      kAutoLoopPlay, [](const int32_t& value) { return XMLSetAutoLoopPlay(value); }));
  return group;
}

// DUZOProcessName
GroupEntry ProcessNameGroup() {
  GroupEntry group;
  group.getter = "XMLGetDUZOProcessName";
  group.setter = "XMLSetDUZOProcessName";
  group.section = "process";
  group.sectionTitle = "Companion process";
  group.sectionNote = "the library answers empty text for a name that is not stored";
  group.make = Records(RootLeafFunctions<std::u16string>(
      kProcessName, [](const std::u16string& name) { return XMLSetDUZOProcessName(&name); }));
  return group;
}

// WindowLastPos.Left, WindowLastPos.Right, WindowLastPos.Top, WindowLastPos.Bottom
GroupEntry LastPosGroup() {
  GroupEntry group;
  group.getter = "XMLGetLastPos";
  group.setter = "XMLSetLastPos";
  group.section = "window";
  group.sectionTitle = "Last window position (WindowLastPos)";
  group.make = Records<WindowRect>(XMLGetLastPos, XMLSetLastPos,
                                   OneAccess(kRootAccess, LastPosLeaf<LeafRecorder, WindowRect>));
  return group;
}

}  // namespace viewersettings::settings
