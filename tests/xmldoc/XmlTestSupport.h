// Helpers shared by the XML engine tests: text conversion, index inspection and a generator of
// random well-formed documents.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "xmldoc/XmlDocument.h"

namespace xmltest {

// ASCII is all the generated documents hold; other code units pass through unchanged.
inline std::u16string U16(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

inline std::string U8(const std::u16string& text) {
  std::string narrow;
  for (char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

// The element slots reachable from the document entry, in document order.
inline std::vector<int32_t> SlotsInDocumentOrder(const CXmlDocument& doc) {
  const std::vector<ElemPos>& index = doc.Index();
  std::vector<int32_t> order;
  std::vector<int32_t> pending;
  if (index[0].firstChildSlot != 0) pending.push_back(index[0].firstChildSlot);
  while (!pending.empty() && order.size() <= index.size()) {
    const int32_t slot = pending.back();
    pending.pop_back();
    order.push_back(slot);
    if (index[slot].nextSiblingSlot != 0) pending.push_back(index[slot].nextSiblingSlot);
    if (index[slot].firstChildSlot != 0) pending.push_back(index[slot].firstChildSlot);
  }
  return order;
}

inline size_t ReleasedSlots(const CXmlDocument& doc) {
  size_t released = 0;
  for (int32_t slot = 1; slot < doc.NextFreeSlot(); ++slot) {
    if (doc.Index()[slot].parentSlot < 0) ++released;
  }
  return released;
}

// The edited index must equal what a fresh parse of the text gives, slots mapped through
// document order, and every handed-out slot must be linked into the tree or released.
inline void ExpectIndexMatchesReparse(const CXmlDocument& edited) {
  CXmlDocument fresh;
  ASSERT_TRUE(fresh.ParseText(edited.GetDocText())) << U8(fresh.GetError());
  const std::vector<int32_t> editedOrder = SlotsInDocumentOrder(edited);
  const std::vector<int32_t> freshOrder = SlotsInDocumentOrder(fresh);
  ASSERT_EQ(editedOrder.size(), freshOrder.size());
  ASSERT_EQ(editedOrder.size() + ReleasedSlots(edited) + 1,
            static_cast<size_t>(edited.NextFreeSlot()));

  const auto rankTable = [](const std::vector<int32_t>& order, size_t slots) {
    std::vector<int32_t> rank(slots, -1);  // 0, "no slot", stays -1
    for (size_t i = 0; i < order.size(); ++i) rank[order[i]] = static_cast<int32_t>(i);
    return rank;
  };
  const std::vector<int32_t> editedRank = rankTable(editedOrder, edited.Index().size());
  const std::vector<int32_t> freshRank = rankTable(freshOrder, fresh.Index().size());
  SCOPED_TRACE(edited.DocText().size() < 2000 ? U8(edited.DocText()) : "a long document");
  for (size_t i = 0; i < editedOrder.size(); ++i) {
    const ElemPos& a = edited.Index()[editedOrder[i]];
    const ElemPos& b = fresh.Index()[freshOrder[i]];
    SCOPED_TRACE("element " + std::to_string(i));
    EXPECT_EQ(a.tagOpen, b.tagOpen);
    EXPECT_EQ(a.startTagClose, b.startTagClose);
    EXPECT_EQ(a.endTagOpen, b.endTagOpen);
    EXPECT_EQ(a.elementClose, b.elementClose);
    EXPECT_EQ(editedRank[a.parentSlot], freshRank[b.parentSlot]);
    EXPECT_EQ(editedRank[a.firstChildSlot], freshRank[b.firstChildSlot]);
    EXPECT_EQ(editedRank[a.nextSiblingSlot], freshRank[b.nextSiblingSlot]);
  }
}

// Slots 1 to NextFreeSlot - 1 as "tagOpen startTagClose endTagOpen elementClose / parent first
// next", separated by "|", for exact comparisons of a whole index.
inline std::string DumpIndex(const CXmlDocument& doc) {
  std::string dump;
  for (int32_t slot = 1; slot < doc.NextFreeSlot(); ++slot) {
    const ElemPos& e = doc.Index()[slot];
    if (slot > 1) dump += "|";
    dump += std::to_string(e.tagOpen) + " " + std::to_string(e.startTagClose) + " " +
            std::to_string(e.endTagOpen) + " " + std::to_string(e.elementClose) + " / " +
            std::to_string(e.parentSlot) + " " + std::to_string(e.firstChildSlot) + " " +
            std::to_string(e.nextSiblingSlot);
  }
  return dump;
}

// The tag name as written at an element's "<".
inline std::u16string NameAt(const CXmlDocument& doc, int32_t slot) {
  const std::u16string& text = doc.DocText();
  size_t pos = static_cast<size_t>(doc.Index()[slot].tagOpen) + 1;
  while (pos < text.size() && text[pos] == u' ') ++pos;
  const size_t end = text.find_first_of(u" \t\r\n/>", pos);
  return text.substr(pos, end - pos);
}

// Random well-formed documents: nested elements with attributes in either quote character and
// the five entities, text, white space, comments, processing instructions, CDATA sections and,
// before the root, a declaration and a document type.
class DocumentGenerator {
 public:
  explicit DocumentGenerator(uint32_t seed) : random(seed) {}

  std::mt19937& Random() { return random; }

  template <size_t N>
  const char* Pick(const char* const (&pool)[N]) {
    return pool[Below(N)];
  }

  size_t Below(size_t bound) { return std::uniform_int_distribution<size_t>(0, bound - 1)(random); }
  bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }

  std::string Document() {
    std::string out;
    if (Chance(60)) out += "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
    Misc(out);
    if (Chance(30)) out += "<!DOCTYPE r [ <!ELEMENT r ANY> <!ATTLIST r a CDATA \"x>y\"> ]>";
    Misc(out);
    Element(out, 0);
    Misc(out);
    return out;
  }

  // Attribute value text, raw: it goes through SetAttribute, which escapes it. Line breaks and
  // tabs are optional because other parsers turn them into spaces inside attribute values.
  std::string RawValue(bool withLineBreaks) {
    static const char* const kPieces[] = {"a",     "Z9", " ", "<", ">", "&",   "'",   "\"",
                                          "&amp;", "/",  "?", "!", "=", "]]>", "-->", "x y"};
    static const char* const kBreaks[] = {"\r\n", "\t", "\n"};
    std::string value;
    for (size_t n = Below(5); n > 0; --n) {
      value += withLineBreaks && Chance(15) ? Pick(kBreaks) : Pick(kPieces);
    }
    return value;
  }

  static constexpr const char* kElementNames[] = {"r",   "a",   "b",      "Value",
                                                  "Val", "x.y", "ValueX", "n-1"};
  static constexpr const char* kAttributeNames[] = {"Value", "ValueX", "Val", "a", "b-c", "_d"};

 private:
  void Space(std::string& out) {
    static const char* const kSpaces[] = {"", " ", "\r\n", "\n", "\t", "  "};
    out += Pick(kSpaces);
  }

  void Misc(std::string& out) {
    static const char* const kMisc[] = {"", "\r\n", "<!-- note <a> & -->", "<?pi data?>", " "};
    for (size_t n = Below(3); n > 0; --n) out += Pick(kMisc);
  }

  std::string EscapedValue(char quote) {
    static const char* const kPieces[] = {"a",      "Z9", " ", "&lt;", "&gt;", "&amp;", "&apos;",
                                          "&quot;", "/",  "?", "!",    "=",    "[",     "x-y"};
    std::string value;
    for (size_t n = Below(5); n > 0; --n) value += Pick(kPieces);
    if (Chance(20)) value += quote == '"' ? '\'' : '"';  // the other quote needs no entity
    return value;
  }

  void Element(std::string& out, int depth) {
    const std::string name = Pick(kElementNames);
    out += "<" + name;
    std::vector<std::string> used;
    for (size_t n = Below(4); n > 0; --n) {
      const std::string attribute = Pick(kAttributeNames);
      if (std::find(used.begin(), used.end(), attribute) != used.end()) continue;
      used.push_back(attribute);
      const char quote = Chance(50) ? '"' : '\'';
      out += Chance(80) ? " " : "\r\n\t";
      out += attribute;
      out += Chance(80) ? "=" : " = ";
      out += quote + EscapedValue(quote) + quote;
    }
    if (depth >= 4 || Chance(depth == 0 ? 10 : 35)) {
      out += Chance(70) ? "/>" : " />";
      return;
    }
    out += Chance(90) ? ">" : " >";
    for (size_t n = Below(7); n > 0; --n) Content(out, depth);
    out += "</" + name + (Chance(90) ? ">" : " >");
  }

  void Content(std::string& out, int depth) {
    switch (Below(8)) {
      case 0:
      case 1:
      case 7:
        Element(out, depth + 1);
        break;
      case 2:
        out += "text &amp; more &lt;&gt; ]";
        break;
      case 3:
        out += "<!-- comment - with <tags/> -->";
        break;
      case 4:
        out += "<?target some data?>";
        break;
      case 5:
        out += "<![CDATA[ <not> &an; element ]]>";
        break;
      default:
        Space(out);
        break;
    }
  }

  std::mt19937 random;
};

}  // namespace xmltest
