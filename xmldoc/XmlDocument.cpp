#include "xmldoc/XmlDocument.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

// The document text never holds a NUL: both ParseText overloads cut it at the first one and
// every edit inserts NUL-terminated texts. The scanning loops below therefore stop at the
// terminator that std::u16string keeps after the last character instead of testing a bound.

struct CXmlDocument::TokenCursor {
  int32_t first = 0;
  int32_t last = -1;
  int32_t next = 0;
  bool quoted = false;
};

namespace {

constexpr char16_t kDeclaration[] = u"<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n";

constexpr bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Characters that end an unquoted token; each of them also makes a one-character token.
constexpr bool IsDelimiter(char16_t c) {
  switch (c) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\r':
    case u'<':
    case u'>':
    case u'=':
    case u'\\':
    case u'/':
    case u'?':
    case u'!':
      return true;
    default:
      return false;
  }
}

bool IsEmptyElement(const ElemPos& element) {
  return element.startTagClose == element.endTagOpen + 1;
}

bool HasNothingBetweenTags(const ElemPos& element) {
  return element.startTagClose + 1 == element.endTagOpen;
}

struct Entity {
  const char16_t* body;  // the text after "&"
  int32_t length;
  char16_t character;
};

// Decoding tries the entities in this order; escaping uses the same table backwards.
constexpr Entity kEntities[] = {{u"lt;", 3, u'<'},
                                {u"amp;", 4, u'&'},
                                {u"gt;", 3, u'>'},
                                {u"apos;", 5, u'\''},
                                {u"quot;", 5, u'"'}};

// Positions are 32-bit; a longer text could not be indexed.
void CheckTextLength(size_t length) {
  if (length > static_cast<size_t>(INT32_MAX)) {
    throw std::length_error("document text exceeds 32-bit positions");
  }
}

}  // namespace

CXmlDocument::CXmlDocument() : elemIndex(8) {}

CXmlDocument CXmlDocument::WithDeclaration() {
  CXmlDocument document;
  document.ParseText(kDeclaration);
  return document;
}

CXmlDocument::~CXmlDocument() = default;

char16_t CXmlDocument::CharAt(int32_t pos) const {
  return pos >= 0 && pos < TextLength() ? docText[static_cast<size_t>(pos)] : u'\0';
}

ElemPos& CXmlDocument::Slot(int32_t slot) {
  return elemIndex.at(static_cast<size_t>(slot));
}

const ElemPos& CXmlDocument::Slot(int32_t slot) const {
  return elemIndex.at(static_cast<size_t>(slot));
}

int32_t CXmlDocument::TakeSlot() {
  const size_t size = elemIndex.size();
  if (static_cast<size_t>(nextFreeSlot) == size) elemIndex.resize(size + size / 2);
  return nextFreeSlot++;
}

bool CXmlDocument::ParseText(const char16_t* text) {
  if (text == nullptr) {
    docText.clear();
  } else {
    const size_t length = std::char_traits<char16_t>::length(text);
    CheckTextLength(length);
    docText.assign(text, length);
  }
  return ParseIndexedText();
}

bool CXmlDocument::ParseText(std::u16string&& text) {
  const size_t length = std::min(text.find(u'\0'), text.size());
  CheckTextLength(length);
  docText = std::move(text);
  docText.resize(length);
  return ParseIndexedText();
}

bool CXmlDocument::ParseIndexedText() {
  nextFreeSlot = 1;
  parentPos = mainPos = childPos = nodeKind = 0;
  const size_t wantedSlots = docText.size() / 64 + 8;
  if (elemIndex.size() < wantedSlots) elemIndex.resize(wantedSlots);
  Slot(0) = ElemPos{};
  if (!docText.empty()) {
    const int32_t root = ParseElement(0);
    if (root > 0) {
      Slot(0).firstChildSlot = root;
      return true;
    }
    Slot(0) = ElemPos{};
  }
  nextFreeSlot = 1;
  return false;
}

bool CXmlDocument::NextToken(TokenCursor& cursor) const {
  cursor.quoted = false;
  const int32_t start = cursor.next;
  if (start < 0 || start > TextLength()) {  // outside the text reads as its end
    cursor.first = cursor.last = start;
    return false;
  }
  const char16_t* const text = docText.c_str();
  const char16_t* c = text + start;
  while (IsSpace(*c)) ++c;
  if (*c == u'\0') {
    cursor.first = cursor.last = cursor.next = static_cast<int32_t>(c - text);
    return false;
  }
  if (*c == u'"' || *c == u'\'') {
    const char16_t quote = *c++;
    cursor.first = static_cast<int32_t>(c - text);
    cursor.quoted = true;
    while (*c != quote && *c != u'\0') ++c;
    cursor.last = static_cast<int32_t>(c - text) - 1;
    cursor.next = static_cast<int32_t>(c - text) + (*c == quote ? 1 : 0);
    return true;
  }
  const char16_t* const tokenStart = c;
  while (*c != u'\0' && !IsDelimiter(*c)) ++c;
  if (c == tokenStart) ++c;  // a delimiter is a token of its own
  cursor.first = static_cast<int32_t>(tokenStart - text);
  cursor.next = static_cast<int32_t>(c - text);
  cursor.last = cursor.next - 1;
  return true;
}

bool CXmlDocument::TokenMatchesName(const TokenCursor& cursor, const char16_t* name,
                                    size_t nameLength) const {
  const int32_t count = cursor.last - cursor.first + 1;
  if (count < 0 || static_cast<size_t>(count) > nameLength) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (CharAt(cursor.first + i) != name[i]) return false;
  }
  if (static_cast<size_t>(count) == nameLength) return true;
  const char16_t after = name[count];
  return after == u' ' || after == u'=' || after == u'/' || after == u'[';
}

// Deeply nested files must not exhaust the machine stack, so the elements whose content is
// being read are kept on an explicit stack. Each pass of the outer loop is one call of the
// recursive form (read the next tag inside `level`); the inner loop hands its result up the
// way the returns would. Slots are taken and given back in the same order as recursion does.
int32_t CXmlDocument::ParseElement(int32_t parent) {
  struct OpenElement {
    int32_t slot;
    int32_t lastChild;
  };
  std::vector<OpenElement> open;
  int32_t level = parent;
  for (;;) {
    int32_t result = ParseTagOf(level);
    if (result > 0 && !IsEmptyElement(Slot(result))) {
      open.push_back({result, 0});
      level = result;
      continue;
    }
    for (;;) {
      if (open.empty()) return result;
      OpenElement& top = open.back();
      if (result > 0) {
        if (top.lastChild == 0) {
          Slot(top.slot).firstChildSlot = result;
        } else {
          Slot(top.lastChild).nextSiblingSlot = result;
        }
        top.lastChild = result;
        Slot(top.slot).endTagOpen = Slot(result).elementClose + 1;
        break;
      }
      const int32_t finished = top.slot;
      open.pop_back();
      // An end tag ends the element's content; an error ends every enclosing element too.
      result = result == 0 ? FinishElement(finished) : -1;
    }
    level = open.back().slot;
  }
}

// Reads the next tag inside `parent`, starting at the parent's endTagOpen, which serves as its
// scan cursor. Returns the new element's slot (start tag read; an empty element is complete),
// 0 at an end tag, -1 after an error.
int32_t CXmlDocument::ParseTagOf(int32_t parent) {
  const int32_t slot = TakeSlot();
  ElemPos& element = Slot(slot);
  ElemPos& container = Slot(parent);
  element.tagOpen = container.endTagOpen;
  element.parentSlot = parent;
  element.firstChildSlot = 0;
  element.nextSiblingSlot = 0;

  // Every position the parse produces lies within the text, so these pointers stay in it.
  const char16_t* const text = docText.c_str();
  for (;;) {
    const char16_t* c = text + element.tagOpen;
    while (*c != u'<' && *c != u'\0') ++c;
    if (*c == u'\0') return ParseError(slot, u"Element tag not found");
    const int32_t lessThan = static_cast<int32_t>(c - text);
    element.tagOpen = lessThan;
    container.endTagOpen = lessThan;

    TokenCursor token;
    token.next = lessThan + 1;
    if (!NextToken(token)) return ParseError(slot, u"Abrupt end within tag");
    if (token.quoted) return ParseError(slot, u"Tag starts with quote");
    const char16_t lead = text[token.first];
    if (lead == u'?' || lead == u'!') {
      // "< ?" and "< !" are refused: SkipSpecialNode reads the character right after "<",
      // finds the space there and fails, so such a tag gives "Invalid node".
      int32_t after = 0;
      if (!SkipSpecialNode(lessThan, after)) return ParseError(slot, u"Invalid node");
      element.tagOpen = after;
      continue;
    }
    if (lead == u'/') {
      --nextFreeSlot;
      return 0;
    }

    // The token is the name. The start tag ends at the next ">", quotes notwithstanding.
    c = text + token.next;
    while (*c != u'>' && *c != u'\0') ++c;
    if (*c == u'\0') return ParseError(slot, u"End of tag not found");
    const int32_t close = static_cast<int32_t>(c - text);
    element.startTagClose = close;
    if (c[-1] == u'/') {
      element.endTagOpen = close - 1;
      element.elementClose = close;
    } else {
      element.endTagOpen = close + 1;
    }
    return slot;
  }
}

// Checks the end tag after an element's content and records its ">".
int32_t CXmlDocument::FinishElement(int32_t slot) {
  TokenCursor name;
  name.next = Slot(slot).tagOpen + 1;
  NextToken(name);
  const char16_t* const nameText = docText.c_str() + name.first;
  const size_t nameLength = static_cast<size_t>(name.last - name.first + 1);

  // The child loop stops only at a "<" whose first token is "/" and leaves endTagOpen on that
  // "<", so the end tag begins there and its first token is known to be the "/".
  TokenCursor token;
  token.next = Slot(slot).endTagOpen + 1;
  NextToken(token);
  for (int32_t number = 2; NextToken(token); ++number) {
    if (token.quoted) continue;
    if (number == 2 && !TokenMatchesName(token, nameText, nameLength)) {
      return ParseError(slot, u"End tag does not correspond to %s");
    }
    if (CharAt(token.first) == u'>') {
      Slot(slot).elementClose = token.first;
      return slot;
    }
  }
  return ParseError(slot, u"End tag not completed for element %s");
}

bool CXmlDocument::SkipSpecialNode(int32_t lessThan, int32_t& after) const {
  const char16_t first = CharAt(lessThan + 1);
  const char16_t second = CharAt(lessThan + 2);
  if (first == u'\0' || second == u'\0') return false;
  if (first != u'?' && first != u'!') return false;

  const char16_t* terminator = nullptr;
  if (first == u'?') {
    terminator = u"?>";
  } else if (second == u'[') {
    terminator = u"]]>";
  } else if (second == u'-') {
    terminator = u"-->";
  }
  if (terminator != nullptr) {
    // Searching from the "<" itself makes "<?>" and "<!-->" complete nodes.
    const size_t found = docText.find(terminator, static_cast<size_t>(lessThan));
    if (found == std::u16string::npos) return false;
    after = static_cast<int32_t>(found + std::char_traits<char16_t>::length(terminator));
    return true;
  }

  // A declaration: its "[...]" part may hold markup of its own, so only a ">" outside the
  // brackets ends it.
  TokenCursor token;
  token.next = lessThan;
  int32_t depth = 0;
  while (NextToken(token)) {
    if (token.quoted) continue;
    const char16_t lead = CharAt(token.first);
    if (lead == u'[') {
      ++depth;
    } else if (lead == u']') {
      --depth;
    } else if (lead == u'>' && depth == 0) {
      after = token.first + 1;
      return true;
    }
  }
  return false;
}

int32_t CXmlDocument::ParseError(int32_t slot, const char16_t* message) {
  errorText = message;
  const size_t mark = errorText.find(u"%s");
  if (mark != std::u16string::npos) errorText.replace(mark, 2, TagNameOf(slot));
  --nextFreeSlot;
  return -1;
}

bool CXmlDocument::FindElement(const char16_t* name) {
  if (elemIndex.empty()) return false;
  int32_t candidate = mainPos != 0 ? Slot(mainPos).nextSiblingSlot : Slot(parentPos).firstChildSlot;
  if (name != nullptr && *name != u'\0') {
    const size_t nameLength = std::char_traits<char16_t>::length(name);
    while (candidate != 0) {
      TokenCursor token;
      token.next = Slot(candidate).tagOpen + 1;
      if (NextToken(token) && TokenMatchesName(token, name, nameLength)) break;
      candidate = Slot(candidate).nextSiblingSlot;
    }
  }
  if (candidate == 0) return false;
  mainPos = candidate;
  parentPos = Slot(candidate).parentSlot;
  childPos = 0;
  nodeKind = 1;
  return true;
}

bool CXmlDocument::EnterElement() {
  if (mainPos == 0 || nodeKind != 1) return false;
  parentPos = mainPos;
  mainPos = childPos;
  childPos = 0;
  nodeKind = mainPos != 0 ? 1 : 0;
  return true;
}

bool CXmlDocument::LeaveElement() {
  if (parentPos == 0) return false;
  const int32_t grandparent = Slot(parentPos).parentSlot;
  childPos = mainPos;
  mainPos = parentPos;
  parentPos = grandparent;
  nodeKind = 1;
  return true;
}

void CXmlDocument::RestartLevel() {
  mainPos = 0;
  childPos = 0;
  nodeKind = 0;
}

bool CXmlDocument::RestorePosition(const Position& position) {
  const auto handedOut = [this](int32_t slot) { return slot >= 0 && slot < nextFreeSlot; };
  if (!handedOut(position.parentPos) || !handedOut(position.mainPos) ||
      !handedOut(position.childPos)) {
    return false;
  }
  if (position.nodeKind != (position.mainPos != 0 ? 1 : 0)) return false;
  if (position.mainPos != 0 && Slot(position.mainPos).parentSlot != position.parentPos) {
    return false;
  }
  if (position.childPos != 0 &&
      (position.mainPos == 0 || Slot(position.childPos).parentSlot != position.mainPos)) {
    return false;
  }
  parentPos = position.parentPos;
  mainPos = position.mainPos;
  childPos = position.childPos;
  nodeKind = position.nodeKind;
  return true;
}

std::u16string CXmlDocument::GetAttribute(const char16_t* name) const {
  if (mainPos == 0 || nodeKind != 1 || name == nullptr || *name == u'\0') return {};
  TokenCursor cursor;
  cursor.next = Slot(mainPos).tagOpen + 1;
  if (!FindAttributeValue(cursor, name)) return {};
  return DecodeEntities(cursor.first, cursor.last);
}

// Token 0 is the tag name. An attribute is name, "=", quoted value: the value is the quoted
// token two places after the first token that matches the name.
bool CXmlDocument::FindAttributeValue(TokenCursor& cursor, const char16_t* name) const {
  const size_t nameLength = std::char_traits<char16_t>::length(name);
  int32_t matched = -1;
  for (int32_t number = 0; NextToken(cursor); ++number) {
    if (cursor.quoted) {
      if (matched >= 0 && number == matched + 2) return true;
      continue;
    }
    const char16_t lead = CharAt(cursor.first);
    if (lead == u'>' || lead == u'/' || lead == u'?') return false;
    if (lead == u'=') continue;
    if (number >= 1 && matched < 0 && TokenMatchesName(cursor, name, nameLength)) {
      matched = number;
    }
  }
  return false;
}

std::u16string CXmlDocument::DecodeEntities(int32_t first, int32_t last) const {
  std::u16string value;
  if (last < first) return value;
  value.reserve(static_cast<size_t>(last - first) + 1);
  for (int32_t i = first; i <= last;) {
    const char16_t c = CharAt(i);
    const Entity* decoded = nullptr;
    if (c == u'&') {
      for (const Entity& entity : kEntities) {
        if (i + entity.length > last) continue;
        int32_t k = 0;
        while (k < entity.length && CharAt(i + 1 + k) == entity.body[k]) ++k;
        if (k == entity.length) {
          decoded = &entity;
          break;
        }
      }
    }
    if (decoded != nullptr) {
      value += decoded->character;
      i += decoded->length + 1;
    } else {
      value += c;
      ++i;
    }
  }
  return value;
}

bool CXmlDocument::AddElement(const char16_t* name) {
  if (name == nullptr || *name == u'\0') return false;
  const int32_t parent = parentPos;
  if (parent == 0) {
    if (Slot(0).firstChildSlot != 0) return false;  // a document has one root
    Slot(0).endTagOpen = TextLength();              // its content reaches to the end of the text
  }
  int32_t pos = 0;
  int32_t prev = 0;
  LocateInsertion(parent, mainPos, pos, prev);

  const ElemPos container = Slot(parent);  // a copy: taking a slot may grow the index
  const bool parentEmpty = IsEmptyElement(container);
  const bool parentBare = HasNothingBetweenTags(container);
  if (parentEmpty || parentBare) pos += 2;  // after the line break that opens the content

  const int32_t slot = TakeSlot();
  const std::u16string elementText = u"<" + std::u16string(name) + u"/>\r\n";
  const int32_t nameLength = static_cast<int32_t>(elementText.size()) - 5;
  ElemPos& element = Slot(slot);
  element.tagOpen = pos;
  element.parentSlot = parent;
  element.firstChildSlot = 0;
  if (prev != 0) {
    element.nextSiblingSlot = Slot(prev).nextSiblingSlot;
    Slot(prev).nextSiblingSlot = slot;
  } else {
    element.nextSiblingSlot = container.firstChildSlot;
    Slot(parent).firstChildSlot = slot;
  }
  element.startTagClose = pos + nameLength + 2;
  element.endTagOpen = element.startTagClose - 1;
  element.elementClose = element.startTagClose;

  std::u16string text;
  int32_t at = pos;
  int32_t replaced = 0;
  if (parentEmpty) {
    // "<p/>" becomes "<p>", the new element and "</p>": the "/" gives way to all of it.
    const std::u16string parentName = TagNameOf(parent);
    text = u">\r\n" + elementText + u"</" + parentName;
    at = container.startTagClose - 1;
    replaced = 1;
    ElemPos& opened = Slot(parent);
    opened.startTagClose -= 1;
    opened.endTagOpen += -1 - static_cast<int32_t>(parentName.size());
  } else if (parentBare) {
    text = u"\r\n" + elementText;
    at = container.startTagClose + 1;
  } else {
    text = elementText;
  }
  ReplaceRange(at, replaced, text);
  ShiftPositions(slot, static_cast<int32_t>(text.size()) - replaced);

  mainPos = slot;
  childPos = 0;
  nodeKind = 1;
  return true;
}

void CXmlDocument::LocateInsertion(int32_t parent, int32_t main, int32_t& pos,
                                   int32_t& prev) const {
  const ElemPos& container = Slot(parent);
  const bool parentEmpty = IsEmptyElement(container);
  if (main != 0) {
    pos = Slot(main).elementClose + 1;
  } else if (parent == 0) {
    pos = TextLength();
  } else if (parentEmpty) {
    pos = container.startTagClose;
  } else {
    pos = container.endTagOpen;
  }
  if (!parentEmpty) {
    // Go past a line break to the next tag, so the new element starts its own line.
    int32_t reached = pos;
    while (IsSpace(CharAt(reached))) ++reached;
    const char16_t stop = CharAt(reached);
    if (stop == u'\0' || stop == u'<') pos = reached;
  }
  prev = main;
  if (main == 0 && container.firstChildSlot != 0) {
    prev = container.firstChildSlot;
    while (Slot(prev).nextSiblingSlot != 0) prev = Slot(prev).nextSiblingSlot;
  }
}

std::u16string CXmlDocument::TagNameOf(int32_t slot) const {
  if (slot == 0) return {};
  TokenCursor token;
  token.next = Slot(slot).tagOpen + 1;
  if (!NextToken(token)) return {};
  return docText.substr(static_cast<size_t>(token.first),
                        static_cast<size_t>(token.last - token.first + 1));
}

bool CXmlDocument::SetAttribute(const char16_t* name, const char16_t* value) {
  if (name == nullptr || *name == u'\0') return false;
  if (mainPos == 0 || nodeKind != 1) return false;
  const int32_t slot = mainPos;
  const ElemPos& element = Slot(slot);

  int32_t at = IsEmptyElement(element) ? element.startTagClose - 1 : element.startTagClose;
  int32_t replaced = 0;
  std::u16string text;
  TokenCursor cursor;
  cursor.next = element.tagOpen + 1;
  if (FindAttributeValue(cursor, name)) {
    // Only the characters between the quotes change; the quotes stay whichever they are.
    at = cursor.first;
    replaced = cursor.last - cursor.first + 1;
    text = EscapeText(value);
  } else {
    text = u" " + std::u16string(name) + u"=\"" + EscapeText(value) + u"\"";
  }
  ReplaceRange(at, replaced, text);

  const int32_t delta = static_cast<int32_t>(text.size()) - replaced;
  ElemPos& edited = Slot(slot);
  edited.startTagClose += delta;
  edited.endTagOpen += delta;
  edited.elementClose += delta;
  ShiftPositions(slot, delta);
  return true;
}

// Attribute values only: all five markup characters become entities.
std::u16string CXmlDocument::EscapeText(const char16_t* text) {
  std::u16string escaped;
  if (text == nullptr) return escaped;
  const size_t length = std::char_traits<char16_t>::length(text);
  escaped.reserve(length + length / 10 + 7);
  for (const char16_t* c = text; *c != u'\0'; ++c) {
    const Entity* entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                        [c](const Entity& e) { return e.character == *c; });
    if (entity != std::end(kEntities)) {
      escaped += u'&';
      escaped.append(entity->body, static_cast<size_t>(entity->length));
    } else {
      escaped += *c;
    }
  }
  return escaped;
}

void CXmlDocument::ReplaceRange(int32_t at, int32_t count, const std::u16string& text) {
  const int32_t length = TextLength();
  at = std::clamp(at, 0, length);
  count = std::clamp(count, 0, length - at);
  CheckTextLength(static_cast<size_t>(length - count) + text.size());
  docText.replace(static_cast<size_t>(at), static_cast<size_t>(count), text);
}

// Moves every stored position after an edit in or just after `slot` (whose own fields the
// caller has set): descendants and all later elements move entirely, ancestors only their
// end positions. A document-order walk without recursion; `stop` is the nearest ancestor
// not yet climbed past.
void CXmlDocument::ShiftPositions(int32_t slot, int32_t delta) {
  int32_t stop = Slot(slot).parentSlot;
  int32_t current = slot;
  for (;;) {
    bool descended = false;
    if (current == stop) {
      stop = Slot(current).parentSlot;
    } else if (Slot(current).firstChildSlot != 0) {
      current = Slot(current).firstChildSlot;
      descended = true;
    }
    while (!descended) {
      const int32_t sibling = Slot(current).nextSiblingSlot;
      if (sibling != 0) {
        current = sibling;
        break;
      }
      current = Slot(current).parentSlot;
      if (current == 0 || current == stop) break;
    }
    ElemPos& moved = Slot(current);
    if (current != stop) {
      moved.tagOpen += delta;
      moved.startTagClose += delta;
    }
    moved.endTagOpen += delta;
    moved.elementClose += delta;
    if (current == 0) return;
  }
}

std::u16string CXmlDocument::GetDocText() const {
  return docText;
}
