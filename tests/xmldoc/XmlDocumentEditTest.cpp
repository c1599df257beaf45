#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "XmlTestSupport.h"
#include "xmldoc/XmlDocument.h"

using xmltest::ExpectIndexMatchesReparse;
using xmltest::NameAt;
using xmltest::U8;

namespace {

constexpr char16_t kDeclarationLine[] = u"<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n";

// Enters each element of a "/"-separated path, then finds `main` on the level when given.
void Navigate(CXmlDocument& doc, const std::u16string& path, const char16_t* main) {
  size_t start = 0;
  while (start < path.size()) {
    const size_t end = std::min(path.find(u'/', start), path.size());
    ASSERT_TRUE(doc.FindElement(path.substr(start, end - start).c_str()));
    ASSERT_TRUE(doc.EnterElement());
    start = end + 1;
  }
  if (main != nullptr) {
    ASSERT_TRUE(doc.FindElement(main));
  }
}

TEST(XmlEdit, AddElementInsertsAfterTheMainElementOrAtTheEndOfTheLevel) {
  struct Case {
    const char16_t* text;
    const char16_t* path;
    const char16_t* main;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"<p a='1'/>", u"p", nullptr, u"<p a='1'>\r\n<n/>\r\n</p>"},
      {u"<p a=\"1\" />", u"p", nullptr, u"<p a=\"1\" >\r\n<n/>\r\n</p>"},
      {u"<p></p>", u"p", nullptr, u"<p>\r\n<n/>\r\n</p>"},
      {u"<p>\r\n<a/>\r\n</p>", u"p", nullptr, u"<p>\r\n<a/>\r\n<n/>\r\n</p>"},
      {u"<p>\r\n<a/>\r\n</p>", u"p", u"a", u"<p>\r\n<a/>\r\n<n/>\r\n</p>"},
      {u"<p>\r\n<a/>\r\n<b/></p>", u"p", u"a", u"<p>\r\n<a/>\r\n<n/>\r\n<b/></p>"},
      {u"<p><a/>txt<b/></p>", u"p", u"a", u"<p><a/><n/>\r\ntxt<b/></p>"},
      {u"<p><a/><!--c--><b/></p>", u"p", u"a", u"<p><a/><n/>\r\n<!--c--><b/></p>"},
      {u"<p>text</p>", u"p", nullptr, u"<p>text<n/>\r\n</p>"},
      {u"<p> </p>", u"p", nullptr, u"<p> <n/>\r\n</p>"},
      {u"<r><p/><q/></r>", u"r/p", nullptr, u"<r><p>\r\n<n/>\r\n</p><q/></r>"},
      {u"<r><p><a/></p><q x='1'/></r>", u"r/p", u"a", u"<r><p><a/><n/>\r\n</p><q x='1'/></r>"},
      // The top level of a document without a root: appended at the very end.
      {u"", u"", nullptr, u"<n/>\r\n"},
      {kDeclarationLine, u"", nullptr, u"<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n<n/>\r\n"},
      {u"<?xml version='1.0'?><!-- c -->\r\n", u"", nullptr,
       u"<?xml version='1.0'?><!-- c -->\r\n<n/>\r\n"},
      {u"junk", u"", nullptr, u"junk<n/>\r\n"},
      // One character reads as a document entry with nothing between its tags.
      {u"\uFEFF", u"", nullptr, u"\uFEFF\r\n<n/>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.text) + " at " + U8(c.path));
    CXmlDocument doc;
    doc.ParseText(c.text);
    Navigate(doc, c.path, c.main);
    const int32_t parent = doc.GetPosition().parentPos;
    ASSERT_TRUE(doc.AddElement(u"n"));
    EXPECT_EQ(doc.DocText(), c.expected);
    const CXmlDocument::Position position = doc.GetPosition();
    EXPECT_EQ(position.parentPos, parent);
    EXPECT_EQ(position.mainPos, doc.NextFreeSlot() - 1);
    EXPECT_EQ(position.childPos, 0);
    EXPECT_EQ(position.nodeKind, 1);
    EXPECT_EQ(NameAt(doc, position.mainPos), u"n");
    ExpectIndexMatchesReparse(doc);
  }
}

TEST(XmlEdit, AddElementRefusesASecondRootAndEmptyNames) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<r><a/></r>"));
  const std::u16string before = doc.GetDocText();
  EXPECT_FALSE(doc.AddElement(u"s"));  // before the root
  ASSERT_TRUE(doc.FindElement(u"r"));
  EXPECT_FALSE(doc.AddElement(u"s"));  // with the root as main element
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(doc.AddElement(u""));
  EXPECT_FALSE(doc.AddElement(nullptr));
  EXPECT_EQ(doc.GetDocText(), before);
  EXPECT_EQ(doc.NextFreeSlot(), 3);
  EXPECT_EQ(doc.GetPosition().mainPos, 0);
}

TEST(XmlEdit, AddedElementsKeepTheirOrderAndSurviveIndexGrowth) {
  CXmlDocument doc = CXmlDocument::WithDeclaration();
  ASSERT_TRUE(doc.AddElement(u"r") && doc.EnterElement());
  for (int i = 0; i < 12; ++i) {
    if (i == 6) doc.RestartLevel();  // no main element: still appended at the end
    ASSERT_TRUE(doc.AddElement((u"e" + std::u16string(1, u'a' + i)).c_str()));
  }
  EXPECT_EQ(doc.Index().size(), 18u);  // 8 -> 12 -> 18
  std::u16string expected = std::u16string(kDeclarationLine) + u"<r>\r\n";
  for (int i = 0; i < 12; ++i) expected += u"<e" + std::u16string(1, u'a' + i) + u"/>\r\n";
  expected += u"</r>\r\n";
  EXPECT_EQ(doc.GetDocText(), expected);
  ExpectIndexMatchesReparse(doc);
}

TEST(XmlEdit, SetAttributeReplacesInsideTheQuotesOrAppends) {
  struct Case {
    const char16_t* element;
    const char16_t* name;
    const char16_t* value;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"<x Value='1'/>", u"Value", u"a<b", u"<x Value='a&lt;b'/>"},
      {u"<x/>", u"Value", u"a<b", u"<x Value=\"a&lt;b\"/>"},
      {u"<x />", u"Value", u"a<b", u"<x  Value=\"a&lt;b\"/>"},
      {u"<x></x>", u"Value", u"a<b", u"<x Value=\"a&lt;b\"></x>"},
      {u"<x a=\"1\">t<y/></x>", u"b", u"\"'&<>",
       u"<x a=\"1\" b=\"&quot;&apos;&amp;&lt;&gt;\">t<y/></x>"},
      {u"<x Value=\"1\"/>", u"Value", u"", u"<x Value=\"\"/>"},
      {u"<x/>", u"Value", u"", u"<x Value=\"\"/>"},
      {u"<x ValueX='1'/>", u"Value", u"2", u"<x ValueX='1' Value=\"2\"/>"},
      {u"<x Value = '10'>t</x>", u"Value", u"5", u"<x Value = '5'>t</x>"},
      {u"<x Value='1'/>", u"Value", u"line\r\nbreak \u00e9", u"<x Value='line\r\nbreak \u00e9'/>"},
      {u"<x Value=\"it's\"/>", u"Value", u"&amp;", u"<x Value=\"&amp;amp;\"/>"},
  };
  const std::u16string head = u"<r><before a='1'/>";
  const std::u16string tail = u"<after y='2'><z/></after></r>";
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.element) + " " + U8(c.value));
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(head + c.element + tail));
    Navigate(doc, u"r", u"x");
    const CXmlDocument::Position position = doc.GetPosition();
    ASSERT_TRUE(doc.SetAttribute(c.name, c.value));
    EXPECT_EQ(doc.DocText(), head + c.expected + tail);
    EXPECT_EQ(doc.GetAttribute(c.name), c.value);
    EXPECT_EQ(doc.GetPosition().mainPos, position.mainPos);
    ExpectIndexMatchesReparse(doc);
    ASSERT_TRUE(doc.FindElement(u"after"));
    EXPECT_EQ(doc.GetAttribute(u"y"), u"2");
  }
}

TEST(XmlEdit, SetAttributeNeedsAMainElementAndAName) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<r><a/></r>"));
  EXPECT_FALSE(doc.SetAttribute(u"v", u"1"));  // before the root
  ASSERT_TRUE(doc.FindElement(u"r") && doc.EnterElement());
  EXPECT_FALSE(doc.SetAttribute(u"v", u"1"));  // before the first child
  ASSERT_TRUE(doc.FindElement(u"a"));
  EXPECT_FALSE(doc.SetAttribute(u"", u"1"));
  EXPECT_FALSE(doc.SetAttribute(nullptr, u"1"));
  doc.RestartLevel();
  EXPECT_FALSE(doc.SetAttribute(u"v", u"1"));
  EXPECT_EQ(doc.GetDocText(), u"<r><a/></r>");

  ASSERT_TRUE(doc.FindElement(u"a"));
  ASSERT_TRUE(doc.SetAttribute(u"v", nullptr));  // a null value is the empty value
  EXPECT_EQ(doc.GetDocText(), u"<r><a v=\"\"/></r>");
  ExpectIndexMatchesReparse(doc);
}

TEST(XmlEdit, RemoveElementTakesItsSubtreeAndItsLine) {
  struct Case {
    const char16_t* text;
    const char16_t* path;
    const char16_t* main;
    const char16_t* expected;
    const char16_t* mainAfter;  // the previous sibling, null for none
  };
  const Case cases[] = {
      {u"<p>\r\n<a/>\r\n<n/>\r\n</p>", u"p", u"n", u"<p>\r\n<a/>\r\n</p>", u"a"},
      {u"<p>\r\n<a x='1'>\r\n<b/>\r\n</a>\r\n<c/>\r\n</p>", u"p", u"a", u"<p>\r\n<c/>\r\n</p>",
       nullptr},
      {u"<p>\n  <a/>\n  <b/>\n</p>", u"p", u"a", u"<p>\n  <b/>\n</p>", nullptr},
      {u"<p>\r\n<a/> \t\r\n<b/>\r\n</p>", u"p", u"a", u"<p>\r\n<b/>\r\n</p>", nullptr},
      // Not alone on its line: the element and the line break that ends it, no more.
      {u"<p><a/><b/><c/></p>", u"p", u"b", u"<p><a/><c/></p>", u"a"},
      {u"<p> <a/> <b/></p>", u"p", u"a", u"<p>  <b/></p>", nullptr},
      {u"<p>\r\n<a/>txt\r\n</p>", u"p", u"a", u"<p>\r\ntxt\r\n</p>", nullptr},
      {u"<p><!--c--><a/>\r\n<b/></p>", u"p", u"a", u"<p><!--c--><b/></p>", nullptr},
      {u"<p>\r\n<a/></p>", u"p", u"a", u"<p>\r\n</p>", nullptr},
      // Later elements on every level move; earlier ones stay.
      {u"<r><p><a/><b v='1'/></p><q><c/></q></r>", u"r/p", u"a",
       u"<r><p><b v='1'/></p><q><c/></q></r>", nullptr},
      {u"<r><p><a/></p><q><c/></q></r>", u"r", u"p", u"<r><q><c/></q></r>", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.text) + " removing " + U8(c.main));
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(c.text));
    Navigate(doc, c.path, c.main);
    const CXmlDocument::Position removed = doc.GetPosition();
    const int32_t nextSlot = doc.Index()[removed.mainPos].nextSiblingSlot;
    const std::u16string next = nextSlot != 0 ? NameAt(doc, nextSlot) : u"";
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.DocText(), c.expected);
    const CXmlDocument::Position position = doc.GetPosition();
    EXPECT_EQ(position.parentPos, removed.parentPos);
    EXPECT_EQ(position.childPos, 0);
    if (c.mainAfter != nullptr) {
      EXPECT_EQ(NameAt(doc, position.mainPos), c.mainAfter);
      EXPECT_EQ(position.nodeKind, 1);
    } else {
      EXPECT_EQ(position.mainPos, 0);
      EXPECT_EQ(position.nodeKind, 0);
    }
    EXPECT_FALSE(doc.RestorePosition(removed));
    ExpectIndexMatchesReparse(doc);
    // The search goes on after the removed element.
    ASSERT_EQ(doc.FindElement(u""), !next.empty());
    if (!next.empty()) {
      EXPECT_EQ(NameAt(doc, doc.GetPosition().mainPos), next);
    }
  }
}

TEST(XmlEdit, RemoveElementGivesBackTheTextBeforeAnAdd) {
  struct Case {
    const char16_t* text;
    const char16_t* path;
    const char16_t* main;
  };
  const Case cases[] = {
      {u"<p>\r\n<a/>\r\n</p>", u"p", nullptr},
      {u"<p>\r\n<a/>\r\n</p>", u"p", u"a"},
      {u"<p>\r\n<a/>\r\n<b/></p>", u"p", u"a"},
      {u"<p><a/>txt<b/></p>", u"p", u"a"},
      {u"<p>text</p>", u"p", nullptr},
      {u"<p> </p>", u"p", nullptr},
      {u"<r><p><a/></p><q x='1'/></r>", u"r/p", u"a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.text) + " at " + U8(c.path));
    CXmlDocument doc;
    doc.ParseText(c.text);
    Navigate(doc, c.path, c.main);
    ASSERT_TRUE(doc.AddElement(u"n"));
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.DocText(), c.text);
    ExpectIndexMatchesReparse(doc);
  }
}

// Text after the root is not indexed and may hold elements: a root added in place of a removed
// one would not be the first element of the text.
TEST(XmlEdit, RemoveElementNeedsAMainElementAndKeepsTheRoot) {
  CXmlDocument doc;
  const std::u16string text = u"<r>\r\n<a/>\r\n</r>\r\n<q/>";
  ASSERT_TRUE(doc.ParseText(text.c_str()));
  EXPECT_FALSE(doc.RemoveElement());
  ASSERT_TRUE(doc.FindElement(u"r"));
  EXPECT_FALSE(doc.RemoveElement());
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(doc.RemoveElement());  // entered: no main element
  EXPECT_EQ(doc.DocText(), text);
  EXPECT_EQ(doc.NextFreeSlot(), 3);
}

// Ancestors move their end positions only, everything before the edit stays, and descendants
// and later elements move whole.
TEST(XmlEdit, EditsMoveExactlyThePositionsAfterThem) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<r><a><b/></a><c><d/><e/></c><f/></r>"));
  Navigate(doc, u"r", u"c");
  enum Move { kNone, kEnds, kAllButOpen, kAll };
  // slot:                            0      r      a      b      c            d      e      f
  const std::vector<Move> moves = {kEnds, kEnds, kNone, kNone, kAllButOpen, kAll, kAll, kAll};
  for (const auto& [value, delta] : {std::pair<const char16_t*, int32_t>{u"12345", 10},
                                     std::pair<const char16_t*, int32_t>{u"1", -4},
                                     std::pair<const char16_t*, int32_t>{u"", -1}}) {
    SCOPED_TRACE(delta);
    const std::vector<ElemPos> before = doc.Index();
    ASSERT_TRUE(doc.SetAttribute(u"v", value));
    for (size_t slot = 0; slot < moves.size(); ++slot) {
      SCOPED_TRACE(slot);
      const ElemPos& was = before[slot];
      const ElemPos& now = doc.Index()[slot];
      const int32_t whole = moves[slot] == kAll ? delta : 0;
      const int32_t start = moves[slot] >= kAllButOpen ? delta : 0;
      const int32_t ends = moves[slot] != kNone ? delta : 0;
      EXPECT_EQ(now.tagOpen, was.tagOpen + whole);
      EXPECT_EQ(now.startTagClose, was.startTagClose + start);
      EXPECT_EQ(now.endTagOpen, was.endTagOpen + ends);
      EXPECT_EQ(now.elementClose, was.elementClose + ends);
    }
  }
  EXPECT_EQ(doc.GetDocText(), u"<r><a><b/></a><c v=\"\"><d/><e/></c><f/></r>");
}

TEST(XmlEdit, BuildsASettingsFileFromTheDeclaration) {
  CXmlDocument doc = CXmlDocument::WithDeclaration();
  EXPECT_EQ(doc.DocText(), kDeclarationLine);
  EXPECT_EQ(doc.GetError(), u"Element tag not found");
  ASSERT_TRUE(doc.AddElement(u"SystemSetting"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement(u"LocalSetting"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement(u"MinDiskSpace"));
  ASSERT_TRUE(doc.SetAttribute(u"Value", u"500"));
  const std::u16string expected =
      u"<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n<SystemSetting>\r\n<LocalSetting>\r\n"
      u"<MinDiskSpace Value=\"500\"/>\r\n</LocalSetting>\r\n</SystemSetting>\r\n";
  EXPECT_EQ(doc.GetDocText(), expected);

  // Parsing the text gives the same elements in the same slots at the same positions.
  CXmlDocument parsed;
  ASSERT_TRUE(parsed.ParseText(expected.c_str()));
  ASSERT_EQ(parsed.NextFreeSlot(), 4);
  ASSERT_EQ(doc.NextFreeSlot(), 4);
  for (int32_t slot = 1; slot < 4; ++slot) {
    SCOPED_TRACE(slot);
    const ElemPos& built = doc.Index()[slot];
    const ElemPos& read = parsed.Index()[slot];
    EXPECT_EQ(built.tagOpen, read.tagOpen);
    EXPECT_EQ(built.startTagClose, read.startTagClose);
    EXPECT_EQ(built.endTagOpen, read.endTagOpen);
    EXPECT_EQ(built.elementClose, read.elementClose);
    EXPECT_EQ(built.parentSlot, read.parentSlot);
    EXPECT_EQ(built.firstChildSlot, read.firstChildSlot);
    EXPECT_EQ(built.nextSiblingSlot, read.nextSiblingSlot);
  }
  EXPECT_EQ(parsed.Index()[3].tagOpen, 75);

  ASSERT_TRUE(doc.AddElement(u"LockStationTime"));
  EXPECT_EQ(doc.GetDocText(),
            u"<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n<SystemSetting>\r\n<LocalSetting>\r\n"
            u"<MinDiskSpace Value=\"500\"/>\r\n<LockStationTime/>\r\n</LocalSetting>\r\n"
            u"</SystemSetting>\r\n");
  ExpectIndexMatchesReparse(doc);
}

TEST(XmlEdit, EditsAtTheBottomOfADeepDocument) {
  constexpr int kDepth = 100000;
  std::u16string text;
  for (int i = 0; i < kDepth; ++i) text += u"<e>";
  for (int i = 0; i < kDepth; ++i) text += u"</e>";
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(std::move(text)));
  for (int i = 0; i < kDepth; ++i) ASSERT_TRUE(doc.FindElement(u"e") && doc.EnterElement());
  ASSERT_TRUE(doc.AddElement(u"n"));
  ASSERT_TRUE(doc.SetAttribute(u"Value", u"1"));
  EXPECT_EQ(doc.DocText().substr(3 * kDepth - 1, 23), u">\r\n<n Value=\"1\"/>\r\n</e>");
  ExpectIndexMatchesReparse(doc);
}

}  // namespace
