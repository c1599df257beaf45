#include "DocumentChecks.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "text/Utf8.h"

namespace fuzzing {
namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Characters that end an unquoted token and form a token of their own.
bool IsDelimiter(char16_t c) {
  switch (c) {
    case u'<':
    case u'>':
    case u'=':
    case u'\\':
    case u'/':
    case u'?':
    case u'!':
      return true;
    default:
      return IsSpace(c);
  }
}

// The slots linked from the document entry, in document order; nothing when a link leaves the
// index or the links run in a circle.
std::optional<std::vector<int32_t>> SlotsInDocumentOrder(const CXmlDocument& doc) {
  const std::vector<ElemPos>& index = doc.Index();
  const auto inIndex = [&](int32_t slot) {
    return slot >= 0 && static_cast<size_t>(slot) < index.size();
  };
  std::vector<int32_t> order;
  std::vector<int32_t> pending;
  if (index.empty()) return order;
  if (index[0].firstChildSlot != 0) pending.push_back(index[0].firstChildSlot);
  while (!pending.empty()) {
    const int32_t slot = pending.back();
    pending.pop_back();
    if (!inIndex(slot) || slot == 0 || order.size() >= index.size()) return std::nullopt;
    order.push_back(slot);
    if (index[slot].nextSiblingSlot != 0) pending.push_back(index[slot].nextSiblingSlot);
    if (index[slot].firstChildSlot != 0) pending.push_back(index[slot].firstChildSlot);
  }
  return order;
}

// Rank in document order by slot; -1 for slot 0 ("none") and for slots not in the order.
std::vector<int32_t> RankTable(const std::vector<int32_t>& order, size_t slots) {
  std::vector<int32_t> rank(slots, -1);
  for (size_t i = 0; i < order.size(); ++i) rank[order[i]] = static_cast<int32_t>(i);
  return rank;
}

}  // namespace

void Fail(const std::string& what, const std::u16string& text) {
  std::fprintf(stderr, "\n*** %s\n*** in the document (%zu code units):\n%s\n*** end\n",
               what.c_str(), text.size(), viewersettings::text::ToUtf8(text).c_str());
  std::abort();
}

StartTag ClassifyStartTag(const std::u16string& text, const ElemPos& element) {
  const size_t close = static_cast<size_t>(element.startTagClose);
  if (element.startTagClose == element.endTagOpen + 1 && text[close - 2] == u'/') {
    return StartTag::kSlashBeforeEmptyEnd;
  }
  enum class Expect { kName, kAttribute, kEquals, kValue } expect = Expect::kName;
  bool wellFormed = true;
  size_t pos = static_cast<size_t>(element.tagOpen) + 1;
  while (pos < close) {
    const char16_t c = text[pos];
    if (IsSpace(c)) {
      ++pos;
    } else if (c == u'"' || c == u'\'') {
      const size_t closingQuote = text.find(c, pos + 1);
      if (closingQuote == std::u16string::npos || closingQuote > close) {
        return StartTag::kQuoteRunsPast;
      }
      wellFormed = wellFormed && expect == Expect::kValue;
      expect = Expect::kAttribute;
      pos = closingQuote + 1;
    } else if (IsDelimiter(c)) {
      if (expect == Expect::kName && c == u'>') return StartTag::kNameIsGreaterThan;
      const bool emptyElementSlash = c == u'/' && pos + 1 == close && expect == Expect::kAttribute;
      if (c == u'=' && expect == Expect::kEquals) {
        expect = Expect::kValue;
      } else if (!emptyElementSlash) {
        wellFormed = false;
      }
      ++pos;
    } else {
      // An unquoted token; a quote inside it is an ordinary character of the token.
      const size_t start = pos;
      while (pos < close && !IsDelimiter(text[pos])) ++pos;
      const std::u16string_view token(text.data() + start, pos - start);
      const bool hasQuote = token.find_first_of(u"\"'") != std::u16string_view::npos;
      if (expect == Expect::kName) {
        expect = Expect::kAttribute;
      } else if (expect == Expect::kAttribute && !hasQuote) {
        expect = Expect::kEquals;
      } else {
        wellFormed = false;
      }
    }
  }
  return wellFormed && expect == Expect::kAttribute ? StartTag::kWellFormed : StartTag::kLoose;
}

bool AnyStartTag(const CXmlDocument& doc, StartTag kind) {
  for (int32_t slot = 1; slot < doc.NextFreeSlot(); ++slot) {
    if (ClassifyStartTag(doc.DocText(), doc.Index()[slot]) == kind) return true;
  }
  return false;
}

bool EditsKeepIndex(const CXmlDocument& doc) {
  for (int32_t slot = 1; slot < doc.NextFreeSlot(); ++slot) {
    switch (ClassifyStartTag(doc.DocText(), doc.Index()[slot])) {
      case StartTag::kWellFormed:
      case StartTag::kLoose:
        break;
      case StartTag::kQuoteRunsPast:
      case StartTag::kNameIsGreaterThan:
      case StartTag::kSlashBeforeEmptyEnd:
        return false;
    }
  }
  return true;
}

bool HoldsNoElement(const std::u16string& text) {
  CXmlDocument probe;
  return probe.ParseText(text + u"<r/>") &&
         probe.Index()[1].tagOpen == static_cast<int32_t>(text.size());
}

std::string DifferenceFromReparse(const CXmlDocument& edited) {
  // The overload for NUL-terminated texts; the initial parse took the other one.
  CXmlDocument fresh;
  if (!fresh.ParseText(edited.GetDocText().c_str())) {
    return "the edited text no longer parses: " + viewersettings::text::ToUtf8(fresh.GetError());
  }
  const std::optional<std::vector<int32_t>> editedOrder = SlotsInDocumentOrder(edited);
  const std::optional<std::vector<int32_t>> freshOrder = SlotsInDocumentOrder(fresh);
  if (!editedOrder) return "the edited index links outside itself or in a circle";
  if (!freshOrder) return "the parsed index links outside itself or in a circle";
  if (editedOrder->size() != freshOrder->size()) {
    return "the edited index has " + std::to_string(editedOrder->size()) +
           " elements, a fresh parse " + std::to_string(freshOrder->size());
  }
  size_t released = 0;
  for (int32_t slot = 1; slot < edited.NextFreeSlot(); ++slot) {
    if (edited.Index()[static_cast<size_t>(slot)].parentSlot < 0) ++released;
  }
  if (editedOrder->size() + released + 1 != static_cast<size_t>(edited.NextFreeSlot())) {
    return "a slot was handed out but is neither linked into the tree nor released";
  }

  const std::vector<ElemPos>& editedIndex = edited.Index();
  const std::vector<ElemPos>& freshIndex = fresh.Index();
  const std::vector<int32_t> editedRank = RankTable(*editedOrder, editedIndex.size());
  const std::vector<int32_t> freshRank = RankTable(*freshOrder, freshIndex.size());
  const auto rankOf = [](const std::vector<int32_t>& rank, int32_t slot) {
    return slot >= 0 && static_cast<size_t>(slot) < rank.size() ? rank[slot] : -2;
  };
  for (size_t i = 0; i < editedOrder->size(); ++i) {
    const ElemPos& a = editedIndex[(*editedOrder)[i]];
    const ElemPos& b = freshIndex[(*freshOrder)[i]];
    const auto differs = [&](const char* field, int32_t x, int32_t y) {
      return std::string("element ") + std::to_string(i) + " in document order: " + field + " is " +
             std::to_string(x) + " in the edited index, " + std::to_string(y) +
             " after a fresh parse";
    };
    if (a.tagOpen != b.tagOpen) return differs("tagOpen", a.tagOpen, b.tagOpen);
    if (a.startTagClose != b.startTagClose) {
      return differs("startTagClose", a.startTagClose, b.startTagClose);
    }
    if (a.endTagOpen != b.endTagOpen) return differs("endTagOpen", a.endTagOpen, b.endTagOpen);
    if (a.elementClose != b.elementClose) {
      return differs("elementClose", a.elementClose, b.elementClose);
    }
    const int32_t parents[] = {rankOf(editedRank, a.parentSlot), rankOf(freshRank, b.parentSlot)};
    if (parents[0] != parents[1]) return differs("parent (rank)", parents[0], parents[1]);
    const int32_t children[] = {rankOf(editedRank, a.firstChildSlot),
                                rankOf(freshRank, b.firstChildSlot)};
    if (children[0] != children[1]) return differs("first child (rank)", children[0], children[1]);
    const int32_t siblings[] = {rankOf(editedRank, a.nextSiblingSlot),
                                rankOf(freshRank, b.nextSiblingSlot)};
    if (siblings[0] != siblings[1]) return differs("next sibling (rank)", siblings[0], siblings[1]);
  }
  return {};
}

}  // namespace fuzzing
