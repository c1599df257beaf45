#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "xmldoc/XmlDocument.h"

using xmltest::U8;

namespace {

using Position = CXmlDocument::Position;

void ExpectPosition(const CXmlDocument& doc, Position expected) {
  const Position actual = doc.GetPosition();
  EXPECT_EQ(actual.parentPos, expected.parentPos);
  EXPECT_EQ(actual.mainPos, expected.mainPos);
  EXPECT_EQ(actual.childPos, expected.childPos);
  EXPECT_EQ(actual.nodeKind, expected.nodeKind);
}

// Slots: r 1, a 2, b 3, a 4, c 5, d 6.
constexpr char16_t kTree[] = u"<r><a x='1'/><b/><a x='2'><c/></a><d></d></r>";

TEST(XmlNavigation, FindElementMovesForwardAlongTheLevel) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(kTree));
  EXPECT_FALSE(doc.FindElement(u"a"));  // only the root is on the top level
  ASSERT_TRUE(doc.FindElement(u"r"));
  ExpectPosition(doc, {0, 1, 0, 1});
  EXPECT_FALSE(doc.FindElement(u"r"));
  ExpectPosition(doc, {0, 1, 0, 1});

  ASSERT_TRUE(doc.EnterElement());
  ExpectPosition(doc, {1, 0, 0, 0});
  ASSERT_TRUE(doc.FindElement(u"a"));
  EXPECT_EQ(doc.GetAttribute(u"x"), u"1");
  ASSERT_TRUE(doc.FindElement(u"a"));
  EXPECT_EQ(doc.GetAttribute(u"x"), u"2");
  EXPECT_FALSE(doc.FindElement(u"a"));
  ExpectPosition(doc, {1, 4, 0, 1});
  doc.RestartLevel();
  ExpectPosition(doc, {1, 0, 0, 0});
  ASSERT_TRUE(doc.FindElement(u"a"));
  ExpectPosition(doc, {1, 2, 0, 1});
  ASSERT_TRUE(doc.FindElement(u""));  // any name: the next element
  ExpectPosition(doc, {1, 3, 0, 1});
  ASSERT_TRUE(doc.FindElement(nullptr));
  ExpectPosition(doc, {1, 4, 0, 1});
  ASSERT_TRUE(doc.FindElement(nullptr));
  EXPECT_FALSE(doc.FindElement(nullptr));
  ExpectPosition(doc, {1, 6, 0, 1});
}

TEST(XmlNavigation, EnterAndLeaveRememberTheChild) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(kTree));
  EXPECT_FALSE(doc.EnterElement());  // no main element yet
  EXPECT_FALSE(doc.LeaveElement());  // already on the top level
  ASSERT_TRUE(doc.FindElement(u"r") && doc.EnterElement() && doc.FindElement(u"b"));
  ASSERT_TRUE(doc.FindElement(u"a"));
  EXPECT_FALSE(doc.FindElement(u"missing"));  // a failed search keeps the main element...
  ASSERT_TRUE(doc.EnterElement());            // ...so this enters the second a
  ExpectPosition(doc, {4, 0, 0, 0});
  ASSERT_TRUE(doc.FindElement(u"c"));
  ASSERT_TRUE(doc.LeaveElement());
  ExpectPosition(doc, {1, 4, 5, 1});
  EXPECT_EQ(doc.GetAttribute(u"x"), u"2");
  ASSERT_TRUE(doc.EnterElement());
  ExpectPosition(doc, {4, 5, 0, 1});
  ASSERT_TRUE(doc.LeaveElement() && doc.LeaveElement());
  ExpectPosition(doc, {0, 1, 4, 1});
  EXPECT_FALSE(doc.LeaveElement());
  ExpectPosition(doc, {0, 1, 4, 1});

  // Entering an empty element, or one with nothing inside, gives a level with no elements.
  for (const char16_t* name : {u"b", u"d"}) {
    SCOPED_TRACE(U8(name));
    doc.RestartLevel();
    ASSERT_TRUE(doc.FindElement(u"r") && doc.EnterElement() && doc.FindElement(name));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.GetPosition().mainPos, 0);
    EXPECT_FALSE(doc.FindElement(u""));
    EXPECT_FALSE(doc.EnterElement());
    EXPECT_EQ(doc.GetAttribute(u"x"), u"");
    ASSERT_TRUE(doc.LeaveElement() && doc.LeaveElement());
  }
}

TEST(XmlNavigation, NothingIsFoundInAnEmptyDocument) {
  CXmlDocument fresh;
  CXmlDocument failed;
  EXPECT_FALSE(failed.ParseText(u"<a><b></a>"));
  CXmlDocument declaration = CXmlDocument::WithDeclaration();
  for (CXmlDocument* doc : {&fresh, &failed, &declaration}) {
    EXPECT_FALSE(doc->FindElement(u""));
    EXPECT_FALSE(doc->FindElement(u"a"));
    EXPECT_FALSE(doc->EnterElement());
    EXPECT_FALSE(doc->LeaveElement());
    EXPECT_EQ(doc->GetAttribute(u"a"), u"");
    ExpectPosition(*doc, {0, 0, 0, 0});
  }
}

TEST(XmlNavigation, NamesMatchExactlyUpToTheAllowedTerminators) {
  struct Case {
    const char16_t* query;
    int32_t slot;  // 0: not found
  };
  const Case cases[] = {{u"Value", 2},  {u"ValueX", 3}, {u"Val", 4},   {u"Valu", 0},
                        {u"value", 0},  {u"Valx", 0},   {u"Val=", 4},  {u"Val/", 4},
                        {u"Val[0]", 4}, {u"Val x", 4},  {u"Val-x", 0}, {u"Val.", 0}};
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<r><Value/><ValueX/><Val/></r>"));
  ASSERT_TRUE(doc.FindElement(u"r") && doc.EnterElement());
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.query));
    doc.RestartLevel();
    EXPECT_EQ(doc.FindElement(c.query), c.slot != 0);
    EXPECT_EQ(doc.GetPosition().mainPos, c.slot);
  }
}

TEST(XmlNavigation, RestorePositionAcceptsOnlyPositionsTheDocumentCanHave) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(kTree));
  ASSERT_TRUE(doc.FindElement(u"r") && doc.EnterElement() && doc.FindElement(u"b"));
  const Position onB = doc.GetPosition();

  const Position invalid[] = {
      {0, 0, 0, 1},   // element kind without an element
      {1, 2, 0, 0},   // an element without its kind
      {0, 1, 0, 2},   // no such kind
      {1, 5, 0, 1},   // 5 is a child of 4, not of 1
      {1, 4, 2, 1},   // 2 is not a child of 4
      {1, 0, 5, 0},   // a child without a main element
      {7, 0, 0, 0},   // not handed out
      {-1, 0, 0, 0},  // negative
      {1, 4, 99, 1},  // beyond the index
  };
  for (const Position& p : invalid) {
    SCOPED_TRACE(std::to_string(p.parentPos) + " " + std::to_string(p.mainPos) + " " +
                 std::to_string(p.childPos) + " " + std::to_string(p.nodeKind));
    EXPECT_FALSE(doc.RestorePosition(p));
    ExpectPosition(doc, onB);
  }

  ASSERT_TRUE(doc.RestorePosition({1, 4, 5, 1}));
  ASSERT_TRUE(doc.EnterElement());
  ExpectPosition(doc, {4, 5, 0, 1});
  ASSERT_TRUE(doc.RestorePosition(onB));
  EXPECT_TRUE(doc.FindElement(u"a"));
  EXPECT_EQ(doc.GetAttribute(u"x"), u"2");
  EXPECT_TRUE(doc.RestorePosition({0, 0, 0, 0}));
}

TEST(XmlNavigation, GetAttributeFindsQuotedValuesAndDecodesEntities) {
  struct Case {
    const char16_t* element;
    const char16_t* name;
    const char16_t* value;
  };
  const Case cases[] = {
      {u"<M Value='500'/>", u"Value", u"500"},
      {u"<M Value=\"500\"/>", u"Value", u"500"},
      {u"<M Value=500/>", u"Value", u""},
      {u"<M ValueX='1' Value='2'/>", u"Value", u"2"},
      {u"<M Val='1' Value='2'/>", u"Value", u"2"},
      {u"<M Value='1'/>", u"Val", u""},
      {u"<M Value \r\n=\t'7'/>", u"Value", u"7"},
      {u"<M a='Value=\"x\"' Value='y'/>", u"Value", u"y"},
      {u"<M Value='it\"s'/>", u"Value", u"it\"s"},
      {u"<M Value='1' Value='2'/>", u"Value", u"1"},
      {u"<M>Value='1'</M>", u"Value", u""},  // content is not the start tag
      {u"<M ?Value='1'/>", u"Value", u""},   // "?" ends the start tag as "/" and ">" do
      {u"<M Value='a &lt; b &amp;&amp; c'/>", u"Value", u"a < b && c"},
      {u"<M Value='&apos;&quot;&gt;&lt'/>", u"Value", u"'\">&lt"},
      {u"<M Value='&#65; x & y'/>", u"Value", u"&#65; x & y"},
      {u"<M Value='&amp;lt;'/>", u"Value", u"&lt;"},
      {u"<M Value='x&am'/>", u"Value", u"x&am"},
      {u"<M Value='&lt;'/>", u"Value", u"<"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.element));
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(c.element));
    ASSERT_TRUE(doc.FindElement(u"M"));
    EXPECT_EQ(doc.GetAttribute(c.name), c.value);
    EXPECT_EQ(doc.GetAttribute(u""), u"");
    EXPECT_EQ(doc.GetAttribute(nullptr), u"");
  }
}

}  // namespace
