// The patient list's column header: SystemSetting/LocalSetting/PatListHeader/Item, one Item per
// column with ColumnNo, ColumnName and ColumnWidth.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Access.h"
#include "text/WideConvert.h"

using namespace viewersettings::store;
using viewersettings::text::FormatDecimal;

namespace {

const ElementPath kHeaderPath = {u"SystemSetting", u"LocalSetting", u"PatListHeader"};
constexpr int16_t kLastColumnRead = 6;

// Moves forward over the Item elements until one whose ColumnNo text is exactly `key`. The text
// is compared, not its number, so "07" or " 7" never matches 7. On a miss the position stays on
// the last Item, which is where a new one belongs.
template <class Visitor>
bool FindItem(Visitor& visit, const std::u16string& key) {
  while (visit.Find(u"Item")) {
    if (visit.Text(u"ColumnNo") == key) return true;
  }
  return false;
}

template <class Visitor, class Column>
void NameAndWidth(Visitor& visit, Column& column) {
  visit.Attr(u"ColumnName", column.ColumnName);
  visit.Attr(u"ColumnWidth", column.ColumnWidth);
}

// The columns by number, as the getter reads them; the list grows by the column after the last
// one read, so that a fresh reading finds every column stored.
void RecordLeaves(LeafRecorder& recorder, std::vector<PatListColumn>& columns) {
  recorder.Access(kHeaderPath);
  PatListColumn absent;
  for (int16_t number = 0; number <= kLastColumnRead; ++number) {
    const bool read = static_cast<size_t>(number) < columns.size();
    const auto add = [&columns, number] {
      PatListColumn column;
      column.ColumnNo = number;
      columns.push_back(column);
    };
    const bool next = static_cast<size_t>(number) == columns.size();
    recorder.Entry(FormatDecimal(number), read, next ? add : std::function<void()>(), true,
                   u"ColumnNo");
    recorder.Element(u"Item");
    NameAndWidth(recorder, read ? columns[static_cast<size_t>(number)] : absent);
  }
}

}  // namespace

// Columns 0, 1, 2, ... in number order whatever the order of the Items, up to the first missing
// number; complete only when all of 0 to 6 exist.
int32_t XMLGetPatListHeaderInfo(std::vector<PatListColumn>* columns) {
  if (!columns) return XMLR_GET_NOT_FOUND;
  return Get(kHeaderPath, [&](SettingsReader& r) {
    // Built aside, so that a failure midway leaves the caller's list as it was.
    std::vector<PatListColumn> found;
    for (int16_t number = 0; number <= kLastColumnRead; ++number) {
      if (!FindItem(r, FormatDecimal(number))) {
        r.MarkMissing();
        break;
      }
      PatListColumn column;
      column.ColumnNo = number;
      NameAndWidth(r, column);
      found.push_back(std::move(column));
      r.Restart();
    }
    columns->swap(found);
  });
}

// Updates the Item of each column number, or adds one after the last Item. Items that no record
// names stay as they are. Success is XMLR_GET_OK: the host compares with that code.
int32_t XMLSetPatListHeaderInfo(const std::vector<PatListColumn>* columns) {
  if (!columns) return XMLR_SET_FAILED;
  return Set(
      kHeaderPath,
      [&](SettingsWriter& w) {
        for (const PatListColumn& column : *columns) {
          if (!FindItem(w, FormatDecimal(column.ColumnNo))) {
            w.Add(u"Item");
            w.Attr(u"ColumnNo", column.ColumnNo);
          }
          NameAndWidth(w, column);
          w.Restart();
        }
      },
      Search::kForward, XMLR_GET_OK);
}

namespace viewersettings::settings {

// PatListHeader.<n>.ColumnName, PatListHeader.<n>.ColumnWidth. The setter answers XMLR_GET_OK on
// success.
GroupEntry ColumnsGroup() {
  GroupEntry group;
  group.getter = "XMLGetPatListHeaderInfo";
  group.setter = "XMLSetPatListHeaderInfo";
  group.keyFromLevel = 2;
  group.section = "columns";
  group.sectionTitle = "Patient-list columns (LocalSetting/PatListHeader)";
  group.sectionNote = "columns are read by number from 0 up to the first missing one, at most 7";
  group.make = Records<std::vector<PatListColumn>>(
      {[](std::vector<PatListColumn>& columns) { return XMLGetPatListHeaderInfo(&columns); },
       [](const std::vector<PatListColumn>& columns) {
         const int32_t result = XMLSetPatListHeaderInfo(&columns);
         return result == XMLR_GET_OK ? XMLR_SET_OK : result;
       },
       [] { return std::vector<PatListColumn>(); }, RecordLeaves});
  return group;
}

}  // namespace viewersettings::settings
