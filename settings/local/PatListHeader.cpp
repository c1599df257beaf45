// The patient list's column header: SystemSetting/LocalSetting/PatListHeader/Item, one Item per
// column with ColumnNo, ColumnName and ColumnWidth.
#include "ViewerSettings.h"
#include "catalogue/Describe.h"
#include "catalogue/LeafTable.h"
#include "platform/WideConvert.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::catalogue::LeafTable;
using viewersettings::platform::FormatDecimal;

namespace {

const ElementPath kHeaderPath = {u"SystemSetting", u"LocalSetting", u"PatListHeader"};
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

// The columns by number, as the getter reads them; the list grows by the column after the last
// one read, so that a fresh reading finds every column stored.
void viewersettings::catalogue::DescribePatListHeader(LeafTable& table,
                                                      std::vector<PatListColumn>& columns) {
  table.Access(kHeaderPath);
  PatListColumn absent;
  for (int16_t number = 0; number <= kLastColumnRead; ++number) {
    const bool read = static_cast<size_t>(number) < columns.size();
    const auto add = [&columns, number] {
      PatListColumn column;
      column.ColumnNo = number;
      columns.push_back(column);
    };
    const bool next = static_cast<size_t>(number) == columns.size();
    table.Entry(FormatDecimal(number), read, next ? add : std::function<void()>(), true,
                u"ColumnNo");
    table.Element(u"Item");
    NameAndWidth(table, read ? columns[static_cast<size_t>(number)] : absent);
  }
}
