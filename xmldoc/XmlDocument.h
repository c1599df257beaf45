// The library's XML engine: one UTF-16 document text plus an index of element positions.
//
// Parsing records where each element's tags stand and copies no text. Navigation moves a
// position over that index, reading decodes attribute values straight out of the text, and
// editing splices the text in place and moves the stored positions, so the index stays valid
// without a re-parse. Everything the parser skips (byte-order mark, declaration, comments, text,
// white space) stays in the text and comes back out of GetDocText unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One element of the index. Positions are code-unit offsets into the document text.
struct ElemPos {
  int32_t tagOpen = 0;          // the "<" that opens the element
  int32_t startTagClose = 0;    // the ">" that closes the start tag
  int32_t endTagOpen = 0;       // the "<" of the end tag; for <x/> the "/"
  int32_t elementClose = 0;     // the final ">" of the element
  int32_t parentSlot = 0;       // 0 for the root element; -1 once RemoveElement released the slot
  int32_t firstChildSlot = 0;   // 0 = no children
  int32_t nextSiblingSlot = 0;  // 0 = last of its level
};

class CXmlDocument {
 public:
  // Where the document is being read: the level (children of parentPos; 0 is the top level),
  // the main element on it (0 = before the first element), the child that EnterElement would
  // make main, and whether mainPos names an element.
  struct Position {
    int32_t parentPos = 0;
    int32_t mainPos = 0;
    int32_t childPos = 0;
    int32_t nodeKind = 0;
  };

  CXmlDocument();
  // A document whose text is only the XML declaration line, ready for a root element.
  static CXmlDocument WithDeclaration();
  virtual ~CXmlDocument();

  CXmlDocument(const CXmlDocument&) = default;
  CXmlDocument(CXmlDocument&&) noexcept = default;
  CXmlDocument& operator=(const CXmlDocument&) = default;
  CXmlDocument& operator=(CXmlDocument&&) noexcept = default;

  // Replaces the document by the text (up to its first NUL; null means empty) and indexes it.
  // True when a root element was parsed completely.
  bool ParseText(const char16_t* text);
  // The same, taking over the caller's buffer instead of copying it.
  bool ParseText(std::u16string&& text);

  bool FindElement(const char16_t* name);
  bool EnterElement();
  bool LeaveElement();
  void RestartLevel();
  std::u16string GetAttribute(const char16_t* name) const;

  bool AddElement(const char16_t* name);
  bool SetAttribute(const char16_t* name, const char16_t* value);
  // Removes the main element with everything inside it, and the line break that ends it; when
  // it stands alone on its line, the whole line. Adding an element and removing it thus gives
  // back the text as it was (except that a parent opened for it keeps a line break between its
  // tags). The previous sibling becomes main (none when the element was the first). The other
  // elements keep their slots; those removed are released, and no position naming them can be
  // restored. False without a main element, and for the root, which a document keeps.
  bool RemoveElement();
  std::u16string GetDocText() const;
  // Hands the document text over without a copy; the document is then empty, as if constructed.
  std::u16string TakeDocText();

  // Message of the last failed parse; empty until one fails.
  const std::u16string& GetError() const { return errorText; }
  // Where the last failed parse stopped: the "<" of the tag it could not read, a place inside the
  // end tag that did not match, or the end of the text. Meaningful only after a failed parse.
  int32_t GetErrorOffset() const { return errorOffset; }

  // Read-only views, for the store (writing without a copy) and for tests.
  const std::u16string& DocText() const { return docText; }
  const std::vector<ElemPos>& Index() const { return elemIndex; }
  // The tag name of the element in `slot`, as FindElement compares it; empty for slot 0.
  std::u16string TagNameOf(int32_t slot) const;
  int32_t NextFreeSlot() const { return nextFreeSlot; }
  Position GetPosition() const { return {parentPos, mainPos, childPos, nodeKind}; }

  // Goes back to a position taken from this document with GetPosition. Edits keep slot numbers,
  // so a position stays meaningful across them. False, and nothing changed, for slots that
  // are not handed out or were released by RemoveElement.
  bool RestorePosition(const Position& position);

 private:
  struct TokenCursor;
  struct TagRead;
  class MarkupScanner;

  int32_t TextLength() const { return static_cast<int32_t>(docText.size()); }
  char16_t CharAt(int32_t pos) const;
  ElemPos& Slot(int32_t slot);
  const ElemPos& Slot(int32_t slot) const;
  int32_t TakeSlot();

  bool NextToken(TokenCursor& cursor) const;
  bool TokenMatchesName(const TokenCursor& cursor, const char16_t* name, size_t nameLength) const;
  bool ParseIndexedText();
  int32_t ParseElement(int32_t parent);
  int32_t ReadOtherTag(int32_t slot, MarkupScanner& scanner, TagRead& tag);
  int32_t CloseStartTag(int32_t slot, int32_t from, MarkupScanner& scanner);
  int32_t FinishElement(int32_t slot, int32_t nameFirst, int32_t from);
  bool SkipSpecialNode(int32_t lessThan, int32_t& after) const;
  int32_t ParseError(int32_t slot, const char16_t* message, int32_t at);

  bool FindAttributeValue(TokenCursor& cursor, const char16_t* name) const;
  std::u16string DecodeEntities(int32_t first, int32_t last) const;

  void LocateInsertion(int32_t parent, int32_t main, int32_t& pos, int32_t& prev) const;
  static std::u16string EscapeText(const char16_t* text);
  void ReplaceRange(int32_t at, int32_t count, const std::u16string& text);
  void ShiftPositions(int32_t slot, int32_t delta);
  void ReleaseSubtree(int32_t top);

  std::u16string docText;
  std::u16string errorText;
  int32_t errorOffset = 0;
  std::vector<ElemPos> elemIndex;
  int32_t parentPos = 0;
  int32_t mainPos = 0;
  int32_t childPos = 0;
  int32_t nextFreeSlot = 1;
  int32_t nodeKind = 0;
};
