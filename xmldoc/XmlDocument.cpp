#include "xmldoc/XmlDocument.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__GNUC__)
#define NOT_INLINED __attribute__((noinline))
#define NOT_ADDRESS_SANITIZED __attribute__((no_sanitize_address))
#else
#define NOT_INLINED
#define NOT_ADDRESS_SANITIZED
#endif

// The document text never holds a NUL: both ParseText overloads cut it at the first one and
// every edit inserts NUL-terminated texts. The scanning loops below therefore stop at the
// terminator that std::u16string keeps after the last character instead of testing a bound.
// The parse itself runs before the text is cut (see ParseText) and stops at the first NUL
// wherever it lies.

struct CXmlDocument::TokenCursor {
  int32_t first = 0;
  int32_t last = -1;
  int32_t next = 0;
  bool quoted = false;
};

// What the parse read after a "<": where a start tag's name begins; for an end tag, where
// reading goes on after its "/".
struct CXmlDocument::TagRead {
  int32_t nameFirst = 0;
  int32_t next = 0;
};

namespace {

constexpr char16_t kDeclaration[] = u"<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n";

constexpr size_t kMaxTextLength = static_cast<size_t>(INT32_MAX);

// ReadOtherTag's result for a node that is not an element and has been passed over.
constexpr int32_t kNodeSkipped = -2;

// The index is given room for one element per this many code units when a text is parsed.
// Elements the library writes take 20 or more, and the index grows by half once the slots
// handed out reach its size, so a settings file is indexed without ever moving the index.
constexpr size_t kCodeUnitsPerElementRoom = 16;

constexpr bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// What the tokenizer makes of the code units below 128 (every other unit can go on a name):
// whether the unit ends an unquoted token (the NUL at the end of the text, white space and the
// delimiters, each delimiter also being a token of its own), and whether a tag's name can start
// with it (neither that nor a quote).
struct UnitClasses {
  bool endsToken[128] = {};
  bool startsName[128] = {};
  constexpr UnitClasses() {
    for (char16_t c :
         {u'\0', u' ', u'\t', u'\n', u'\r', u'<', u'>', u'=', u'\\', u'/', u'?', u'!'}) {
      endsToken[c] = true;
    }
    for (size_t c = 0; c < 128; ++c) startsName[c] = !endsToken[c] && c != u'"' && c != u'\'';
  }
};
constexpr UnitClasses kUnitClasses;

constexpr bool EndsToken(char16_t c) {
  return c < 128 && kUnitClasses.endsToken[c];
}

constexpr bool StartsName(char16_t c) {
  return c >= 128 || kUnitClasses.startsName[c];
}

constexpr bool IsQuote(char16_t c) {
  return c == u'"' || c == u'\'';
}

// Whether the unquoted token at `token`, which starts with a unit a name can start with,
// matches `name` (TokenMatchesName), compared in place.
bool NameTokenMatches(const char16_t* token, const char16_t* name, size_t nameLength) {
  size_t i = 0;
  while (i < nameLength && !EndsToken(token[i]) && token[i] == name[i]) ++i;
  if (!EndsToken(token[i])) return false;  // the token differs or goes on past the name
  if (i == nameLength) return true;
  const char16_t after = name[i];
  return after == u' ' || after == u'=' || after == u'/' || after == u'[';
}

// The number of zero bits below the lowest set bit; `bits` is not 0.
int CountTrailingZeros(uint64_t bits) {
#if defined(__GNUC__)
  return __builtin_ctzll(bits);
#else
  int count = 0;
  for (; (bits & 1) == 0; bits >>= 1) ++count;
  return count;
#endif
}

// The first code unit at or after `c` that is `wanted` or a NUL. `end` is the text's
// terminating NUL: the vector loop reads eight units at a time while they all lie before it.
const char16_t* FindUnitOrNul(const char16_t* c, [[maybe_unused]] const char16_t* end,
                              char16_t wanted) {
#if defined(__SSE2__)
  const __m128i wantedUnits = _mm_set1_epi16(static_cast<short>(wanted));
  const __m128i nul = _mm_setzero_si128();
  for (; end - c >= 8; c += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c));
    const __m128i hits =
        _mm_or_si128(_mm_cmpeq_epi16(units, wantedUnits), _mm_cmpeq_epi16(units, nul));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return c + CountTrailingZeros(mask) / 2;
  }
#endif
  while (*c != wanted && *c != u'\0') ++c;
  return c;
}

// Position of the first NUL of `text` at or after `from`; the length when there is none.
size_t FindNul(const std::u16string& text, size_t from) {
  const char16_t* const end = text.c_str() + text.size();
  return static_cast<size_t>(FindUnitOrNul(text.c_str() + from, end, u'\0') - text.c_str());
}

// The length of a NUL-terminated text of unknown extent.
#if defined(__SSE2__)
// Aligned loads never cross a page boundary, so the loop may read a few bytes around the text
// within the blocks that hold its ends, as the C library's string functions do; the address
// sanitizer cannot see that this is harmless.
NOT_ADDRESS_SANITIZED size_t LengthOfText(const char16_t* text) {
  const uintptr_t address = reinterpret_cast<uintptr_t>(text);
  if (address % alignof(char16_t) != 0) return std::char_traits<char16_t>::length(text);
  // Blocks of 64 bytes, four vectors at a time: a page holds whole blocks.
  uintptr_t block = address - address % 64;
  uint64_t wanted = ~uint64_t{0} << (address % 64);  // the bytes of the text, in the first block
  const __m128i nul = _mm_setzero_si128();
  for (;; block += 64, wanted = ~uint64_t{0}) {
    uint64_t nuls = 0;
    for (uintptr_t at = 0; at < 64; at += 16) {
      const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(block + at));
      nuls |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, nul))) << at;
    }
    nuls &= wanted;
    if (nuls != 0) return (block + static_cast<uintptr_t>(CountTrailingZeros(nuls)) - address) / 2;
  }
}
#else
size_t LengthOfText(const char16_t* text) {
  return std::char_traits<char16_t>::length(text);
}
#endif

// Space within a line: what may stand before or after an element that is alone on its line.
constexpr bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
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
  if (length > kMaxTextLength) {
    throw std::length_error("document text exceeds 32-bit positions");
  }
}

// The "<" and ">" of one block of code units as bit masks, bit i for the unit at base + i. A
// NUL counts as both, so that every search for a mark stops at the end of the text (or at an
// earlier NUL).
struct BlockMarks {
  uint64_t lessThans = 0;
  uint64_t greaterThans = 0;
};

constexpr size_t kMarkBlock = 64;

// The marks of the block at `base` of a text of `length` units and its terminating NUL. Kept
// out of line: it runs once per block, and the parse loop that calls it stays small.
NOT_INLINED BlockMarks MarkBlock(const char16_t* text, size_t length, size_t base) {
  const char16_t* const units = text + base;
  const size_t count = std::min(length - base + 1, kMarkBlock);  // the terminating NUL included
  uint64_t lessThans = 0;
  uint64_t greaterThans = 0;
#if defined(__SSE2__)
  if (count == kMarkBlock) {
    const __m128i lessThan = _mm_set1_epi8('<');
    const __m128i greaterThan = _mm_set1_epi8('>');
    const __m128i nul = _mm_setzero_si128();
    for (size_t at = 0; at < kMarkBlock; at += 16) {
      // Sixteen units become sixteen bytes: packing with signed saturation keeps the units
      // below 128 as they are and turns every other unit into 127 or -128, neither of which
      // is a mark.
      const __m128i bytes =
          _mm_packs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at + 8)));
      const __m128i nuls = _mm_cmpeq_epi8(bytes, nul);
      const auto marksOf = [&](__m128i mark) {
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, mark), nuls);
        return static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(hits))) << at;
      };
      lessThans |= marksOf(lessThan);
      greaterThans |= marksOf(greaterThan);
    }
  } else
#endif
  {
    for (size_t at = 0; at < count; ++at) {
      const char16_t unit = units[at];
      const uint64_t bit = uint64_t{1} << at;
      if (unit == u'<' || unit == u'\0') lessThans |= bit;
      if (unit == u'>' || unit == u'\0') greaterThans |= bit;
    }
  }
  return {lessThans, greaterThans};
}

}  // namespace

// Finds the "<" and ">" that the parse looks for. The text is compared in blocks of 64 code
// units, each unit once, and the positions of "<" and ">" in the current block are kept as bit
// masks. The parse asks for marks at ever later positions, so the scanner hands out the marks
// of the block in order and passes over each one once; finding the next mark is then a bit
// count that does not wait for the parse to know where the previous tag ended.
class CXmlDocument::MarkupScanner {
 public:
  // `text` holds `length` units and the terminating NUL after them.
  MarkupScanner(const char16_t* text, size_t length) : text_(text), length_(length) { Load(0); }

  // Position of the first "<", or NUL, at or after `pos`, which is at most the length and not
  // before the position of a mark found earlier.
  size_t NextLessThan(size_t pos) { return Next(true, pos); }
  size_t NextGreaterThan(size_t pos) { return Next(false, pos); }

 private:
  size_t Next(bool lessThan, size_t pos) {
    if (pos - base_ >= kMarkBlock) {
      Load(pos - pos % kMarkBlock);
      ahead_ &= ~uint64_t{0} << (pos % kMarkBlock);
    }
    for (;;) {
      while (ahead_ == 0) Load(base_ + kMarkBlock);
      const uint64_t mark = ahead_ & (~ahead_ + 1);  // the lowest mark not yet passed
      ahead_ ^= mark;
      const size_t found = base_ + static_cast<size_t>(CountTrailingZeros(mark));
      if (found >= pos && ((lessThan ? marks_.lessThans : marks_.greaterThans) & mark) != 0) {
        return found;
      }
    }
  }

  void Load(size_t base) {
    base_ = base;
    marks_ = MarkBlock(text_, length_, base);
    ahead_ = marks_.lessThans | marks_.greaterThans;
  }

  const char16_t* const text_;
  const size_t length_;
  size_t base_ = 0;
  BlockMarks marks_;
  uint64_t ahead_ = 0;  // marks of the block not yet passed
};

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
  if (elemIndex.begin() + nextFreeSlot == elemIndex.end()) {
    const size_t size = elemIndex.size();
    elemIndex.resize(size + size / 2);
  }
  return nextFreeSlot++;
}

bool CXmlDocument::ParseText(const char16_t* text) {
  if (text == nullptr) {
    docText.clear();
  } else {
    const size_t length = LengthOfText(text);
    CheckTextLength(length);
    docText.assign(text, length);
  }
  return ParseIndexedText();
}

// The text ends at its first NUL. Rather than search for one before parsing, the parse runs on
// the whole buffer: it stops at the first NUL wherever it lies, so it reads, records and reports
// exactly what it would in the cut text, as long as that text is not empty. Only the part after
// the root element is then left to search, or the whole text when the parse failed. The rare
// text that does hold a NUL is cut there and parsed once more from the index it had before, so
// that the index is sized from the true length.
bool CXmlDocument::ParseText(std::u16string&& text) {
  if (text.size() > kMaxTextLength) {
    const size_t length = FindNul(text, 0);
    CheckTextLength(length);
    text.resize(length);
  }
  if (!text.empty() && text[0] == u'\0') text.clear();
  docText = std::move(text);
  const size_t slotsBefore = elemIndex.size();
  const bool parsed = ParseIndexedText();
  const size_t parsedUpTo =
      parsed ? static_cast<size_t>(
                   elemIndex[static_cast<size_t>(elemIndex[0].firstChildSlot)].elementClose) +
                   1
             : 0;
  const size_t length = FindNul(docText, parsedUpTo);
  if (length == docText.size()) return parsed;
  docText.resize(length);
  elemIndex.resize(slotsBefore);
  return ParseIndexedText();
}

bool CXmlDocument::ParseIndexedText() {
  nextFreeSlot = 1;
  parentPos = mainPos = childPos = nodeKind = 0;
  const size_t wantedSlots = docText.size() / 64 + 8;
  elemIndex.reserve(docText.size() / kCodeUnitsPerElementRoom + 8);
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
  if (IsQuote(*c)) {
    const char16_t quote = *c++;
    cursor.first = static_cast<int32_t>(c - text);
    cursor.quoted = true;
    while (*c != quote && *c != u'\0') ++c;
    cursor.last = static_cast<int32_t>(c - text) - 1;
    cursor.next = static_cast<int32_t>(c - text) + (*c == quote ? 1 : 0);
    return true;
  }
  const char16_t* const tokenStart = c;
  while (!EndsToken(*c)) ++c;
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
  // A token lies within the text.
  const char16_t* const token = docText.c_str() + cursor.first;
  if (std::char_traits<char16_t>::compare(token, name, static_cast<size_t>(count)) != 0) {
    return false;
  }
  if (static_cast<size_t>(count) == nameLength) return true;
  const char16_t after = name[count];
  return after == u' ' || after == u'=' || after == u'/' || after == u'[';
}

// Deeply nested files must not exhaust the machine stack, so the elements whose content is
// being read are kept on an explicit stack. Each pass of the outer loop is one call of the
// recursive form: it reads the next tag inside `level`, starting at the level's endTagOpen,
// which serves as its scan cursor, with the result a call would return (the new element's slot
// once its start tag is read, an empty element being complete; 0 at an end tag; -1 after an
// error). The inner loop hands that result up the way the returns would. Slots are taken and
// given back in the same order as recursion does. The slots handled here come from the parse
// itself, so the index is addressed unchecked.
int32_t CXmlDocument::ParseElement(int32_t parent) {
  struct OpenElement {
    int32_t slot;
    int32_t lastChild;
    int32_t nameFirst;  // where its name begins, for matching its end tag
  };
  std::vector<OpenElement> open;
  open.reserve(16);
  const char16_t* const text = docText.c_str();
  MarkupScanner scanner(text, docText.size());
  int32_t level = parent;
  for (;;) {
    const int32_t slot = TakeSlot();
    ElemPos* const index = elemIndex.data();
    ElemPos& element = index[slot];
    ElemPos& container = index[level];
    element.tagOpen = container.endTagOpen;
    element.parentSlot = level;
    element.firstChildSlot = 0;
    element.nextSiblingSlot = 0;

    TagRead tag;
    int32_t result = 0;
    for (;;) {
      const int32_t lessThan = static_cast<int32_t>(scanner.NextLessThan(element.tagOpen));
      if (text[lessThan] == u'\0') {
        result = ParseError(slot, u"Element tag not found", lessThan);
        break;
      }
      element.tagOpen = lessThan;
      container.endTagOpen = lessThan;
      // Usually a name or the "/" of an end tag follows the "<" at once. A name holds no ">",
      // so the start tag ends at the first ">" after the name's first unit; the name's end is
      // looked for only when an end tag is matched against it (FinishElement).
      const char16_t first = text[lessThan + 1];
      if (StartsName(first)) {
        tag.nameFirst = lessThan + 1;
        result = CloseStartTag(slot, lessThan + 2, scanner);
        break;
      }
      if (first == u'/') {
        --nextFreeSlot;
        tag.next = lessThan + 2;
        result = 0;
        break;
      }
      result = ReadOtherTag(slot, scanner, tag);
      if (result != kNodeSkipped) break;
    }

    if (result > 0 && !IsEmptyElement(element)) {
      open.push_back({result, 0, tag.nameFirst});
      level = result;
      continue;
    }
    for (;;) {
      if (open.empty()) return result;
      OpenElement& top = open.back();
      if (result > 0) {
        if (top.lastChild == 0) {
          index[top.slot].firstChildSlot = result;
        } else {
          index[top.lastChild].nextSiblingSlot = result;
        }
        top.lastChild = result;
        index[top.slot].endTagOpen = index[result].elementClose + 1;
        break;
      }
      const OpenElement finished = top;
      open.pop_back();
      // An end tag ends the element's content; an error ends every enclosing element too.
      result = result == 0 ? FinishElement(finished.slot, finished.nameFirst, tag.next) : -1;
    }
    level = open.back().slot;
  }
}

// A tag whose "<" is followed by something else than a name or a "/": white space, another
// delimiter, a quote or the end of the text. Its first token is read in full. Returns as the
// parse loop reads a tag, or kNodeSkipped after a declaration, processing instruction, comment
// or CDATA section, with the slot's tagOpen moved past it.
int32_t CXmlDocument::ReadOtherTag(int32_t slot, MarkupScanner& scanner, TagRead& tag) {
  ElemPos& element = elemIndex[static_cast<size_t>(slot)];
  TokenCursor token;
  token.next = element.tagOpen + 1;
  if (!NextToken(token)) return ParseError(slot, u"Abrupt end within tag", element.tagOpen);
  if (token.quoted) return ParseError(slot, u"Tag starts with quote", element.tagOpen);
  const char16_t lead = docText[static_cast<size_t>(token.first)];
  if (lead == u'?' || lead == u'!') {
    // "< ?" and "< !" are refused: SkipSpecialNode reads the character right after "<",
    // finds the space there and fails, so such a tag gives "Invalid node".
    int32_t after = 0;
    if (!SkipSpecialNode(element.tagOpen, after)) {
      return ParseError(slot, u"Invalid node", element.tagOpen);
    }
    element.tagOpen = after;
    return kNodeSkipped;
  }
  if (lead == u'/') {
    --nextFreeSlot;
    tag.next = token.next;
    return 0;
  }
  tag.nameFirst = token.first;
  return CloseStartTag(slot, token.next, scanner);
}

// The start tag ends at the first ">" from `from` on, quotes notwithstanding.
inline int32_t CXmlDocument::CloseStartTag(int32_t slot, int32_t from, MarkupScanner& scanner) {
  const char16_t* const text = docText.c_str();
  const int32_t close = static_cast<int32_t>(scanner.NextGreaterThan(static_cast<size_t>(from)));
  if (text[close] == u'\0') {
    return ParseError(slot, u"End of tag not found", elemIndex[static_cast<size_t>(slot)].tagOpen);
  }
  ElemPos& element = elemIndex[static_cast<size_t>(slot)];
  element.startTagClose = close;
  if (text[close - 1] == u'/') {
    element.endTagOpen = close - 1;
    element.elementClose = close;
  } else {
    element.endTagOpen = close + 1;
  }
  return slot;
}

// Checks the end tag after an element's content and records its ">". The element's name is the
// token at `nameFirst`; the end tag's first token, its "/", has been read, and the tokens from
// `from` on follow it.
int32_t CXmlDocument::FinishElement(int32_t slot, int32_t nameFirst, int32_t from) {
  const char16_t* const text = docText.c_str();
  const char16_t* const name = text + nameFirst;
  // The usual end tag: the name and the ">" follow the "/" at once.
  if (!EndsToken(*name)) {
    const char16_t* c = text + from;
    const char16_t* n = name;
    while (!EndsToken(*n) && *c == *n) {
      ++c;
      ++n;
    }
    if (EndsToken(*n) && *c == u'>') {
      elemIndex[static_cast<size_t>(slot)].elementClose = static_cast<int32_t>(c - text);
      return slot;
    }
  }

  const char16_t* nameEnd = name;
  while (!EndsToken(*nameEnd)) ++nameEnd;
  if (nameEnd == name) ++nameEnd;  // a delimiter is a token of its own
  const size_t nameLength = static_cast<size_t>(nameEnd - name);
  TokenCursor token;
  token.next = from;
  for (int32_t number = 2; NextToken(token); ++number) {
    if (token.quoted) continue;
    if (number == 2 && !TokenMatchesName(token, name, nameLength)) {
      return ParseError(slot, u"End tag does not correspond to %s", from);
    }
    if (text[token.first] == u'>') {
      elemIndex[static_cast<size_t>(slot)].elementClose = token.first;
      return slot;
    }
  }
  return ParseError(slot, u"End tag not completed for element %s", from);
}

bool CXmlDocument::SkipSpecialNode(int32_t lessThan, int32_t& after) const {
  const char16_t first = CharAt(lessThan + 1);
  if (first == u'\0') return false;
  const char16_t second = CharAt(lessThan + 2);
  if (second == u'\0') return false;
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
    // Searching from the "<" itself makes "<?>" and "<!-->" complete nodes. The search ends at
    // the first NUL, as every scan of the parse does.
    const size_t length = std::char_traits<char16_t>::length(terminator);
    const char16_t* const text = docText.c_str();
    const char16_t* const end = text + docText.size();
    for (const char16_t* c = text + lessThan;; ++c) {
      c = FindUnitOrNul(c, end, terminator[0]);
      if (*c == u'\0') return false;
      size_t matched = 1;
      while (matched < length && c[matched] == terminator[matched]) ++matched;
      if (matched == length) {
        after = static_cast<int32_t>(c - text + static_cast<ptrdiff_t>(length));
        return true;
      }
    }
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

int32_t CXmlDocument::ParseError(int32_t slot, const char16_t* message, int32_t at) {
  errorText = message;
  errorOffset = at;
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
    // The candidates after the first come from the index's own links: addressed unchecked.
    const char16_t* const text = docText.c_str();
    while (candidate != 0) {
      const ElemPos& element = elemIndex[static_cast<size_t>(candidate)];
      // Usually the tag name follows the "<" at once and is compared in place. Positions that
      // hand-edited text has put out of step with it take the checked path.
      const int32_t afterLessThan = element.tagOpen + 1;
      if (afterLessThan > 0 && afterLessThan <= TextLength() && StartsName(text[afterLessThan])) {
        if (NameTokenMatches(text + afterLessThan, name, nameLength)) break;
      } else {
        TokenCursor token;
        token.next = afterLessThan;
        if (NextToken(token) && TokenMatchesName(token, name, nameLength)) break;
      }
      candidate = element.nextSiblingSlot;
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
  const auto handedOut = [this](int32_t slot) {
    return slot == 0 || (slot > 0 && slot < nextFreeSlot && Slot(slot).parentSlot >= 0);
  };
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
  // The value lies within the text; the text between entities is copied a run at a time.
  const char16_t* c = docText.c_str() + first;
  const char16_t* const end = docText.c_str() + last + 1;
  while (c < end) {
    const char16_t* const ampersand = std::find(c, end, u'&');
    value.append(c, ampersand);
    if (ampersand == end) break;
    const Entity* decoded = nullptr;
    for (const Entity& entity : kEntities) {
      if (end - ampersand <= entity.length) continue;  // cut off by the end of the value
      if (std::char_traits<char16_t>::compare(ampersand + 1, entity.body,
                                              static_cast<size_t>(entity.length)) == 0) {
        decoded = &entity;
        break;
      }
    }
    if (decoded != nullptr) {
      value += decoded->character;
      c = ampersand + 1 + decoded->length;
    } else {
      value += u'&';
      c = ampersand + 1;
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

bool CXmlDocument::RemoveElement() {
  // A document keeps its one root: text after it is not indexed and may hold elements, which a
  // root added in its place would not come before.
  if (mainPos == 0 || nodeKind != 1 || parentPos == 0) return false;
  const int32_t slot = mainPos;
  const ElemPos element = Slot(slot);
  const int32_t parent = element.parentSlot;

  // AddElement writes an element followed by its line break, so the element takes the line
  // break that ends it (and blanks before that), and when it also begins its line, the blanks
  // that indent it: a line of its own goes whole, and what was added goes exactly.
  int32_t first = element.tagOpen;
  int32_t after = std::max(element.elementClose + 1, first);
  int32_t lineEnd = after;
  while (IsBlank(CharAt(lineEnd))) ++lineEnd;
  int32_t lineBreak = 0;
  if (CharAt(lineEnd) == u'\n') {
    lineBreak = 1;
  } else if (CharAt(lineEnd) == u'\r' && CharAt(lineEnd + 1) == u'\n') {
    lineBreak = 2;
  }
  if (lineBreak != 0) {
    after = lineEnd + lineBreak;
    int32_t lineStart = first;
    while (IsBlank(CharAt(lineStart - 1))) --lineStart;
    if (lineStart == 0 || CharAt(lineStart - 1) == u'\n') first = lineStart;
  }
  ReplaceRange(first, after - first, std::u16string());

  ShiftPositions(slot, first - after);
  int32_t previous = 0;
  if (Slot(parent).firstChildSlot == slot) {
    Slot(parent).firstChildSlot = element.nextSiblingSlot;
  } else {
    previous = Slot(parent).firstChildSlot;
    while (Slot(previous).nextSiblingSlot != slot) previous = Slot(previous).nextSiblingSlot;
    Slot(previous).nextSiblingSlot = element.nextSiblingSlot;
  }
  ReleaseSubtree(slot);
  parentPos = parent;
  childPos = 0;
  mainPos = previous;
  nodeKind = previous != 0 ? 1 : 0;
  return true;
}

// Marks `top` and its descendants released, children before their parent. The walk clears
// each parent's first child once its last child is released, so it needs no stack.
void CXmlDocument::ReleaseSubtree(int32_t top) {
  ElemPos released;
  released.parentSlot = -1;
  int32_t current = top;
  for (;;) {
    if (Slot(current).firstChildSlot != 0) {
      current = Slot(current).firstChildSlot;
      continue;
    }
    const int32_t next = Slot(current).nextSiblingSlot;
    const int32_t parent = Slot(current).parentSlot;
    Slot(current) = released;
    if (current == top) return;
    if (next != 0) {
      current = next;
    } else {
      current = parent;
      Slot(current).firstChildSlot = 0;
    }
  }
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
  const size_t newLength = static_cast<size_t>(length - count) + text.size();
  CheckTextLength(newLength);
  if (newLength <= docText.capacity()) {
    docText.replace(static_cast<size_t>(at), static_cast<size_t>(count), text);
    return;
  }
  // A text that outgrows its buffer gains a sixteenth rather than doubling, so that a large
  // document needs little more than twice its size while it moves, and the next edits still fit.
  std::u16string grown;
  grown.reserve(newLength + newLength / 16);
  grown.append(docText, 0, static_cast<size_t>(at))
      .append(text)
      .append(docText, static_cast<size_t>(at + count), std::u16string::npos);
  docText.swap(grown);
}

// Moves every stored position after an edit in or just after `slot` (whose own fields the
// caller has set): descendants and all later elements move entirely, ancestors only their
// end positions. A document-order walk without recursion; `stop` is the nearest ancestor
// not yet climbed past. The walk follows the index's own links, so it addresses the index
// unchecked once the starting slot has been checked.
void CXmlDocument::ShiftPositions(int32_t slot, int32_t delta) {
  if (delta == 0) return;  // nothing moves
  int32_t stop = Slot(slot).parentSlot;
  ElemPos* const index = elemIndex.data();
  int32_t current = slot;
  for (;;) {
    bool descended = false;
    if (current == stop) {
      stop = index[current].parentSlot;
    } else if (index[current].firstChildSlot != 0) {
      current = index[current].firstChildSlot;
      descended = true;
    }
    while (!descended) {
      const int32_t sibling = index[current].nextSiblingSlot;
      if (sibling != 0) {
        current = sibling;
        break;
      }
      current = index[current].parentSlot;
      if (current == 0 || current == stop) break;
    }
    ElemPos& moved = index[current];
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

std::u16string CXmlDocument::TakeDocText() {
  std::u16string text = std::move(docText);
  *this = CXmlDocument();
  return text;
}
