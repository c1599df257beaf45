#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "xmldoc/XmlDocument.h"

using xmltest::DumpIndex;
using xmltest::U8;

namespace {

void ExpectEmptyDocument(const CXmlDocument& doc) {
  const ElemPos& entry = doc.Index()[0];
  EXPECT_EQ(entry.tagOpen | entry.startTagClose | entry.endTagOpen | entry.elementClose |
                entry.parentSlot | entry.firstChildSlot | entry.nextSiblingSlot,
            0);
  EXPECT_EQ(doc.NextFreeSlot(), 1);
  const CXmlDocument::Position position = doc.GetPosition();
  EXPECT_EQ(position.parentPos | position.mainPos | position.childPos | position.nodeKind, 0);
}

struct ParsedCase {
  const char16_t* text;
  const char* index;  // DumpIndex of the result
};

TEST(XmlParse, IndexesElementsAndSkipsEverythingElse) {
  const ParsedCase cases[] = {
      {u"<r><a/><b></b></r>", "0 2 14 17 / 0 2 0|3 6 5 6 / 1 0 3|7 9 10 13 / 1 0 0"},
      // The slot taken for an end tag is given back and goes to the next element.
      {u"<a><b><c/></b><d/></a>",
       "0 2 18 21 / 0 2 0|3 5 10 13 / 1 3 4|6 9 8 9 / 2 0 0|14 17 16 17 / 1 0 0"},
      {u"\uFEFF \r\n<?xml version=\"1.0\"?><!-- c --><r/>", "35 38 37 38 / 0 0 0"},
      {u"< Name>x</Name>", "0 6 8 14 / 0 0 0"},
      {u"<a />", "0 4 3 4 / 0 0 0"},
      {u"<a/ ></a>", "0 4 5 8 / 0 0 0"},       // space before ">": not an empty element
      {u"<a x='>'></a>", "0 6 9 12 / 0 0 0"},  // a quoted ">" still ends the start tag
      {u"<a></a x>", "0 2 3 8 / 0 0 0"},
      {u"<a></a '>' >", "0 2 3 11 / 0 0 0"},    // quoted end-tag tokens are passed over
      {u"<a\\b></a>", "0 4 5 8 / 0 0 0"},       // a backslash ends a name
      {u"<?><!--><a/>", "8 11 10 11 / 0 0 0"},  // terminators are searched from the "<"
      {u"<!DOCTYPE r [ <!ELEMENT r ANY> ]><r/>", "33 36 35 36 / 0 0 0"},
      {u"<a><![CDATA[<b>]]><?p <c>?></a>", "0 2 27 30 / 0 0 0"},
      {u"<a/><b/>junk<", "0 3 2 3 / 0 0 0"},  // nothing after the root is examined
  };
  for (const ParsedCase& c : cases) {
    SCOPED_TRACE(U8(c.text));
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(c.text)) << U8(doc.GetError());
    EXPECT_EQ(DumpIndex(doc), c.index);
    EXPECT_EQ(doc.DocText(), c.text);
    const ElemPos& entry = doc.Index()[0];
    EXPECT_EQ(entry.firstChildSlot, 1);
    EXPECT_EQ(entry.endTagOpen, doc.Index()[1].tagOpen);
    EXPECT_EQ(entry.tagOpen | entry.startTagClose | entry.elementClose | entry.nextSiblingSlot, 0);
  }
}

struct FailedCase {
  const char16_t* text;
  const char16_t* message;
};

TEST(XmlParse, ReportsMalformedTextAndLeavesAnEmptyDocument) {
  const FailedCase cases[] = {
      {u"<?xml version=\"1.0\"?>\r\n", u"Element tag not found"},
      {u"just text", u"Element tag not found"},
      {u"<a><b/>", u"Element tag not found"},
      {u"<", u"Abrupt end within tag"},
      {u"<a><  \r\n", u"Abrupt end within tag"},
      {u"<'a'></a>", u"Tag starts with quote"},
      {u"<a x='1'", u"End of tag not found"},
      {u"<!-- open", u"Invalid node"},
      {u"<a><![CDATA[ x", u"Invalid node"},
      {u"<?pi", u"Invalid node"},
      {u"<?", u"Invalid node"},
      {u"<!DOCTYPE r [ >", u"Invalid node"},
      {u"<!DOCTYPE r '>", u"Invalid node"},
      // White space between "<" and "?" or "!" is refused rather than guessed at.
      {u"< ?xml version='1.0'?><a/>", u"Invalid node"},
      {u"<a>< !-- c --></a>", u"Invalid node"},
      {u"<a></b>", u"End tag does not correspond to a"},
      {u"<a></A>", u"End tag does not correspond to a"},
      {u"<a></ab>", u"End tag does not correspond to a"},
      {u"<ab></a>", u"End tag does not correspond to ab"},
      {u"<a></>", u"End tag does not correspond to a"},
      {u"<a><b></c></a>", u"End tag does not correspond to b"},
      {u"<a></a", u"End tag not completed for element a"},
      {u"<a><b></b 'x>'", u"End tag not completed for element b"},
  };
  for (const FailedCase& c : cases) {
    SCOPED_TRACE(U8(c.text));
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText(c.text));
    EXPECT_EQ(doc.GetError(), c.message);
    EXPECT_EQ(doc.DocText(), c.text);
    ExpectEmptyDocument(doc);
  }
}

TEST(XmlParse, ErrorTextSurvivesLaterParses) {
  CXmlDocument doc;
  EXPECT_TRUE(doc.GetError().empty());
  EXPECT_FALSE(doc.ParseText(u"</a>"));  // a leading end tag fails without a message
  EXPECT_TRUE(doc.GetError().empty());
  EXPECT_FALSE(doc.ParseText(u"<a></b>"));
  EXPECT_FALSE(doc.ParseText(u"</a>"));
  EXPECT_TRUE(doc.ParseText(u"<a/>"));
  EXPECT_EQ(doc.GetError(), u"End tag does not correspond to a");
}

TEST(XmlParse, ReplacesThePreviousDocumentAndPosition) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<r><a/><b/></r>"));
  ASSERT_TRUE(doc.FindElement(u"r") && doc.EnterElement() && doc.FindElement(u"b"));
  ASSERT_TRUE(doc.ParseText(u"<s/>"));
  EXPECT_EQ(doc.NextFreeSlot(), 2);
  EXPECT_EQ(doc.GetPosition().mainPos, 0);
  EXPECT_TRUE(doc.FindElement(u"s"));
  EXPECT_FALSE(doc.ParseText(nullptr));
  EXPECT_TRUE(doc.DocText().empty());
  ExpectEmptyDocument(doc);
}

TEST(XmlParse, TextEndsAtTheFirstNul) {
  const std::u16string withNul(u"<a/>\0<b/>", 9);
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(withNul.c_str()));
  EXPECT_EQ(doc.DocText(), u"<a/>");

  std::u16string owned(u"<a>\0</a>", 8);
  EXPECT_FALSE(doc.ParseText(std::move(owned)));
  EXPECT_EQ(doc.DocText(), u"<a>");
  EXPECT_EQ(doc.GetError(), u"Element tag not found");
}

TEST(XmlParse, TakesOverTheCallersBuffer) {
  std::u16string text = u"<Settings>" + std::u16string(200, u' ') + u"</Settings>";
  const char16_t* const buffer = text.data();
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(std::move(text)));
  EXPECT_EQ(doc.DocText().data(), buffer);
}

TEST(XmlParse, SizesTheIndexFromTheTextAndGrowsByHalf) {
  CXmlDocument doc;
  EXPECT_EQ(doc.Index().size(), 8u);

  // 64 code units per slot plus 8, never shrinking.
  ASSERT_TRUE(doc.ParseText((u"<a>" + std::u16string(1000, u' ') + u"</a>").c_str()));
  EXPECT_EQ(doc.Index().size(), 1007u / 64 + 8);
  ASSERT_TRUE(doc.ParseText(u"<a/>"));
  EXPECT_EQ(doc.Index().size(), 1007u / 64 + 8);

  // Eleven elements take slots 1 to 11 and slot 12 for the root's end tag: 8 -> 12 -> 18.
  std::u16string text = u"<r>";
  for (int i = 0; i < 10; ++i) text += u"<a/>";
  text += u"</r>";
  CXmlDocument grown;
  ASSERT_TRUE(grown.ParseText(text.c_str()));
  EXPECT_EQ(grown.Index().size(), 18u);
  EXPECT_EQ(grown.NextFreeSlot(), 12);
  EXPECT_EQ(grown.Index()[11].tagOpen, 39);
  EXPECT_EQ(grown.Index()[1].firstChildSlot, 2);
}

TEST(XmlParse, HandlesDeepNestingWithoutRecursion) {
  constexpr int kDepth = 100000;
  std::u16string text;
  for (int i = 0; i < kDepth; ++i) text += u"<e>";
  const std::u16string unclosed = text;
  for (int i = 0; i < kDepth; ++i) text += u"</e>";

  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(text.c_str()));
  EXPECT_EQ(doc.NextFreeSlot(), kDepth + 1);
  const ElemPos& innermost = doc.Index()[kDepth];
  EXPECT_EQ(innermost.parentSlot, kDepth - 1);
  EXPECT_EQ(innermost.tagOpen, 3 * (kDepth - 1));
  EXPECT_EQ(innermost.endTagOpen, 3 * kDepth);
  EXPECT_EQ(doc.Index()[1].elementClose, static_cast<int32_t>(text.size()) - 1);

  EXPECT_FALSE(doc.ParseText(unclosed.c_str()));
  EXPECT_EQ(doc.GetError(), u"Element tag not found");
  EXPECT_FALSE(doc.ParseText((unclosed + u"</x>").c_str()));
  EXPECT_EQ(doc.GetError(), u"End tag does not correspond to e");
}

}  // namespace
