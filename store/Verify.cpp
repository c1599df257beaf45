#include "store/Verify.h"

#include <utility>
#include <vector>

namespace viewersettings::store {

namespace {

bool SameTree(const std::vector<ElemPos>& edited, const std::vector<ElemPos>& parsed) {
  // Both trees in document order side by side; slot numbers may differ (an element added before
  // later siblings holds a higher slot than a fresh parse gives it), positions and shape may not.
  std::vector<std::pair<int32_t, int32_t>> pending = {
      {edited[0].firstChildSlot, parsed[0].firstChildSlot}};
  while (!pending.empty()) {
    const auto [mine, theirs] = pending.back();
    pending.pop_back();
    if ((mine == 0) != (theirs == 0)) return false;
    if (mine == 0) continue;
    const ElemPos& a = edited.at(static_cast<size_t>(mine));
    const ElemPos& b = parsed.at(static_cast<size_t>(theirs));
    if (a.tagOpen != b.tagOpen || a.startTagClose != b.startTagClose ||
        a.endTagOpen != b.endTagOpen || a.elementClose != b.elementClose) {
      return false;
    }
    pending.emplace_back(a.nextSiblingSlot, b.nextSiblingSlot);
    pending.emplace_back(a.firstChildSlot, b.firstChildSlot);
  }
  return true;
}

}  // namespace

std::optional<std::u16string> TextIfItReadsAsEdited(CXmlDocument& doc) {
  // The index is small beside the text, which moves from one document to the other uncopied.
  const std::vector<ElemPos> edited = doc.Index();
  CXmlDocument fresh;
  fresh.ParseText(doc.TakeDocText());
  if (!SameTree(edited, fresh.Index())) return std::nullopt;
  return fresh.TakeDocText();
}

}  // namespace viewersettings::store
