// The patient list's column header: SystemSetting/LocalSetting/PatListHeader/Item, one Item per
// column with ColumnNo, ColumnName and ColumnWidth.
#include "ViewerSettings.h"
#include "platform/WideConvert.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::platform::FormatDecimal;

namespace {

constexpr int16_t kLastColumnRead = 6;

// Moves forward over the Item elements until one whose ColumnNo text is exactly `key`. The text
// is compared, not its number, so "07" or " 7" never matches 7. On a miss the position stays on
// the last Item, which is where a new one belongs.
template <class Io>
bool FindItem(Io& io, const std::u16string& key) {
  while (io.Find(u"Item")) {
    if (io.Text(u"ColumnNo") == key) return true;
  }
  return false;
}

template <class Io, class Column>
void NameAndWidth(Io& io, Column& column) {
  io.Attr(u"ColumnName", column.ColumnName);
  io.Attr(u"ColumnWidth", column.ColumnWidth);
}

}  // namespace

// Columns 0, 1, 2, ... in number order whatever the order of the Items, up to the first missing
// number; complete only when all of 0 to 6 exist.
int32_t XMLGetPatListHeaderInfo(std::vector<PatListColumn>* columns) {
  if (!columns) return XMLR_GET_NOT_FOUND;
  return Get({u"SystemSetting", u"LocalSetting", u"PatListHeader"}, [&](SettingsReader& r) {
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
      {u"SystemSetting", u"LocalSetting", u"PatListHeader"},
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
