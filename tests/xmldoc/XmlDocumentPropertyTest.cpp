// Random documents under random sequences of navigation and edits. After every edit the index
// the engine kept up to date must be the one a fresh parse of the text gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>

#include "XmlTestSupport.h"
#include "xmldoc/XmlDocument.h"

using xmltest::DocumentGenerator;
using xmltest::ExpectIndexMatchesReparse;
using xmltest::NameAt;
using xmltest::U16;

namespace {

constexpr int kDocuments = 1500;
constexpr int kStepsPerDocument = 60;

CXmlDocument StartingDocument(DocumentGenerator& generator) {
  CXmlDocument doc;
  switch (generator.Below(6)) {
    case 0:
      return CXmlDocument::WithDeclaration();
    case 1:
      return doc;  // no text at all
    case 2:
      EXPECT_TRUE(doc.ParseText(u"\uFEFF" + U16(generator.Document())));
      return doc;
    default:
      EXPECT_TRUE(doc.ParseText(U16(generator.Document())));
      return doc;
  }
}

// The last child of `parent`, 0 when it has none.
int32_t LastChild(const CXmlDocument& doc, int32_t parent) {
  int32_t child = doc.Index()[parent].firstChildSlot;
  while (child != 0 && doc.Index()[child].nextSiblingSlot != 0) {
    child = doc.Index()[child].nextSiblingSlot;
  }
  return child;
}

std::map<std::u16string, std::u16string> AttributesOfMain(const CXmlDocument& doc) {
  std::map<std::u16string, std::u16string> values;
  for (const char* name : DocumentGenerator::kAttributeNames) {
    values[U16(name)] = doc.GetAttribute(U16(name).c_str());
  }
  return values;
}

void AddRandomElement(CXmlDocument& doc, DocumentGenerator& generator) {
  const std::u16string name = U16(generator.Pick(DocumentGenerator::kElementNames));
  const CXmlDocument::Position before = doc.GetPosition();
  const bool allowed = before.parentPos != 0 || doc.Index()[0].firstChildSlot == 0;
  const int32_t previous = before.mainPos != 0 ? before.mainPos : LastChild(doc, before.parentPos);
  ASSERT_EQ(doc.AddElement(name.c_str()), allowed);
  if (!allowed) return;
  const int32_t added = doc.GetPosition().mainPos;
  EXPECT_EQ(NameAt(doc, added), name);
  EXPECT_EQ(doc.GetPosition().parentPos, before.parentPos);
  EXPECT_EQ(doc.Index()[added].parentSlot, before.parentPos);
  if (previous != 0) {
    EXPECT_EQ(doc.Index()[previous].nextSiblingSlot, added);
  } else {
    EXPECT_EQ(doc.Index()[before.parentPos].firstChildSlot, added);
  }
  ExpectIndexMatchesReparse(doc);
}

void SetRandomAttribute(CXmlDocument& doc, DocumentGenerator& generator) {
  const std::u16string name = U16(generator.Pick(DocumentGenerator::kAttributeNames));
  const std::u16string value = U16(generator.RawValue(true));
  const bool hasMain = doc.GetPosition().mainPos != 0;
  std::map<std::u16string, std::u16string> expected = AttributesOfMain(doc);
  ASSERT_EQ(doc.SetAttribute(name.c_str(), value.c_str()), hasMain);
  if (!hasMain) return;
  expected[name] = value;
  EXPECT_EQ(AttributesOfMain(doc), expected);
  ExpectIndexMatchesReparse(doc);
}

// The text must lose the element and white space around it, nothing else.
void RemoveMainElement(CXmlDocument& doc) {
  const CXmlDocument::Position before = doc.GetPosition();
  const std::u16string text = doc.GetDocText();
  const ElemPos element = doc.Index()[before.mainPos];
  const bool allowed = before.mainPos != 0 && before.parentPos != 0;  // the root stays
  ASSERT_EQ(doc.RemoveElement(), allowed);
  if (!allowed) {
    EXPECT_EQ(doc.DocText(), text);
    return;
  }
  const std::u16string& left = doc.DocText();
  ASSERT_LT(left.size(), text.size());
  size_t first = 0;
  while (first < static_cast<size_t>(element.tagOpen) && text[first] == left[first]) ++first;
  const size_t after = first + (text.size() - left.size());
  ASSERT_GT(after, static_cast<size_t>(element.elementClose));
  EXPECT_EQ(text.substr(0, first) + text.substr(after), left);
  const auto isWhiteSpace = [](char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
  };
  EXPECT_TRUE(std::all_of(text.begin() + static_cast<std::ptrdiff_t>(first),
                          text.begin() + element.tagOpen, isWhiteSpace));
  EXPECT_TRUE(std::all_of(text.begin() + element.elementClose + 1,
                          text.begin() + static_cast<std::ptrdiff_t>(after), isWhiteSpace));
  EXPECT_EQ(doc.GetPosition().parentPos, before.parentPos);
  EXPECT_FALSE(doc.RestorePosition(before));
  ExpectIndexMatchesReparse(doc);
}

void FindRandomElement(CXmlDocument& doc, DocumentGenerator& generator) {
  const std::u16string name =
      generator.Chance(25) ? u"" : U16(generator.Pick(DocumentGenerator::kElementNames));
  const CXmlDocument::Position before = doc.GetPosition();
  if (!doc.FindElement(name.c_str())) {
    EXPECT_EQ(doc.GetPosition().mainPos, before.mainPos);
    return;
  }
  const int32_t found = doc.GetPosition().mainPos;
  EXPECT_EQ(doc.Index()[found].parentSlot, before.parentPos);
  if (!name.empty()) {
    EXPECT_EQ(NameAt(doc, found), name);
  }
}

TEST(XmlProperty, EditedIndexAlwaysMatchesAFreshParse) {
  DocumentGenerator generator(20240611u);
  for (int document = 0; document < kDocuments; ++document) {
    CXmlDocument doc = StartingDocument(generator);
    for (int step = 0; step < kStepsPerDocument; ++step) {
      switch (generator.Below(13)) {
        case 0:
        case 1:
          AddRandomElement(doc, generator);
          break;
        case 2:
        case 3:
        case 4:
          SetRandomAttribute(doc, generator);
          break;
        case 5:
        case 6:
        case 7:
          FindRandomElement(doc, generator);
          break;
        case 8:
        case 9:
          doc.EnterElement();
          break;
        case 10:
          doc.LeaveElement();
          break;
        case 11:
          RemoveMainElement(doc);
          break;
        default:
          doc.RestartLevel();
          break;
      }
      if (HasFailure()) {
        FAIL() << "document " << document << ", step " << step;
      }
    }
  }
}

// Damaged documents can put the index out of step with the text (a quoted ">" ends a start
// tag early, say); navigating and editing them must stay safe and keep the position sound.
TEST(XmlProperty, DamagedDocumentsAreHandledSafely) {
  DocumentGenerator generator(77u);
  static const char* const kDamage[] = {"<",   ">",    "/",   "'",  "\"", "=", "!",
                                        "?",   "[",    "]",   "-",  "&",  " ", "</a>",
                                        "<a>", "<!--", "-->", "?>", "]]>"};
  for (int document = 0; document < 2000; ++document) {
    std::string text = generator.Document();
    for (size_t n = 1 + generator.Below(3); n > 0; --n) {
      const size_t at = generator.Below(text.size() + 1);
      if (generator.Chance(30) && at < text.size()) {
        text.erase(at, 1);
      } else {
        text.insert(at, generator.Pick(kDamage));
      }
    }
    CXmlDocument doc;
    doc.ParseText(U16(text));
    for (int step = 0; step < 40; ++step) {
      const std::u16string name = U16(generator.Pick(DocumentGenerator::kAttributeNames));
      switch (generator.Below(8)) {
        case 0:
          doc.AddElement(U16(generator.Pick(DocumentGenerator::kElementNames)).c_str());
          break;
        case 6:
          doc.RemoveElement();
          break;
        case 1:
          doc.SetAttribute(name.c_str(), U16(generator.RawValue(true)).c_str());
          break;
        case 2:
          doc.GetAttribute(name.c_str());
          break;
        case 3:
          doc.FindElement(generator.Chance(50) ? u"" : u"a");
          break;
        case 4:
          doc.EnterElement();
          break;
        case 5:
          doc.LeaveElement();
          break;
        default:
          doc.RestartLevel();
          break;
      }
      ASSERT_TRUE(doc.RestorePosition(doc.GetPosition())) << text;
    }
  }
}

}  // namespace
