// The engine against a reference parser: the same element tree and the same attribute values,
// for generated documents and for what the engine writes when it edits them.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>

#include "XmlTestSupport.h"
#include "xmldoc/XmlDocument.h"

using xmltest::DocumentGenerator;
using xmltest::NameAt;
using xmltest::U16;
using xmltest::U8;

namespace {

// Walks the current level of `doc` with FindElement("") alongside the element children of
// `node`, descending into each.
void ExpectSameChildren(CXmlDocument& doc, const pugi::xml_node& node) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    ASSERT_TRUE(doc.FindElement(u"")) << "missing element " << child.name();
    EXPECT_EQ(U8(NameAt(doc, doc.GetPosition().mainPos)), child.name());
    for (const pugi::xml_attribute& attribute : child.attributes()) {
      EXPECT_EQ(U8(doc.GetAttribute(U16(attribute.name()).c_str())), attribute.value())
          << "attribute " << attribute.name() << " of " << child.name();
    }
    ASSERT_TRUE(doc.EnterElement());
    ExpectSameChildren(doc, child);
    if (testing::Test::HasFatalFailure()) return;
    ASSERT_TRUE(doc.LeaveElement());
  }
  EXPECT_FALSE(doc.FindElement(u"")) << "extra element after the children of " << node.name();
}

void ExpectSameTree(const std::u16string& text) {
  const std::string narrow = U8(text);
  SCOPED_TRACE(narrow);
  pugi::xml_document reference;
  const pugi::xml_parse_result result = reference.load_string(narrow.c_str());
  ASSERT_TRUE(result) << result.description();
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(text.c_str())) << U8(doc.GetError());
  ExpectSameChildren(doc, reference);
}

void EditRandomly(CXmlDocument& doc, DocumentGenerator& generator) {
  for (int step = 0; step < 12; ++step) {
    switch (generator.Below(6)) {
      case 0:
        doc.AddElement(U16(generator.Pick(DocumentGenerator::kElementNames)).c_str());
        break;
      case 5:
        doc.RemoveElement();
        break;
      case 1:
      case 2:
        doc.SetAttribute(U16(generator.Pick(DocumentGenerator::kAttributeNames)).c_str(),
                         U16(generator.RawValue(false)).c_str());
        break;
      case 3:
        doc.FindElement(u"");
        break;
      default:
        if (!doc.EnterElement()) doc.LeaveElement();
        break;
    }
  }
}

TEST(XmlDifferential, SameTreeAsAReferenceParser) {
  DocumentGenerator generator(4099u);
  for (int document = 0; document < 1500; ++document) {
    const std::u16string text = U16(generator.Document());
    ExpectSameTree(text);
    ASSERT_FALSE(HasFailure()) << "document " << document;

    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(text.c_str()));
    EditRandomly(doc, generator);
    ExpectSameTree(doc.GetDocText());
    ASSERT_FALSE(HasFailure()) << "edited document " << document;
  }
}

}  // namespace
