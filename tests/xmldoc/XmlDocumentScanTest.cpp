// The parser's fast paths: "<" and ">" found a block of code units at a time, the length of a
// copied text measured a vector at a time, and a taken-over buffer parsed before it is cut at
// its first NUL. Each must give exactly what a plain reading of the cut text gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "xmldoc/XmlDocument.h"

using xmltest::DumpIndex;

namespace {

// Every slot of the index, handed out or not.
std::string WholeIndex(const CXmlDocument& doc) {
  std::string dump;
  for (const ElemPos& e : doc.Index()) {
    for (int32_t field : {e.tagOpen, e.startTagClose, e.endTagOpen, e.elementClose, e.parentSlot,
                          e.firstChildSlot, e.nextSiblingSlot}) {
      dump += std::to_string(field) + " ";
    }
    dump += "|";
  }
  return dump;
}

std::string Position(int32_t tagOpen, int32_t startTagClose, int32_t endTagOpen,
                     int32_t elementClose, const char* links) {
  return std::to_string(tagOpen) + " " + std::to_string(startTagClose) + " " +
         std::to_string(endTagOpen) + " " + std::to_string(elementClose) + " / " + links;
}

// Units whose low byte is "<", ">" or NUL, or which are negative as 16-bit numbers, must not be
// taken for marks or for the end of the text.
const std::u16string kLookalikes = u"\u013C\u803C\uFF3E\u3E3E\u3C00\u0100\uFEFF";

TEST(XmlScan, FindsTagsWhereverTheyFallAroundBlockEdges) {
  const int32_t lookalikes = static_cast<int32_t>(kLookalikes.size());
  for (size_t padding = 0; padding < 140; ++padding) {
    std::u16string text = u"<r>" + std::u16string(padding, u' ');
    const auto here = [&text] { return static_cast<int32_t>(text.size()); };
    const int32_t a = here();
    text += u"<a v='" + kLookalikes + u"'/>" + kLookalikes;
    const int32_t aClose = a + 8 + lookalikes;
    const int32_t b = here();
    text += u"<b>" + std::u16string(padding % 70, u'-') + u" > ";  // a ">" in content
    const int32_t bEnd = here();
    text += u"</b>\r\n";
    const int32_t rEnd = here();
    text += u"</r>";
    SCOPED_TRACE("padding " + std::to_string(padding));

    const std::string expected = Position(0, 2, rEnd, rEnd + 3, "0 2 0") + "|" +
                                 Position(a, aClose, aClose - 1, aClose, "1 0 3") + "|" +
                                 Position(b, b + 2, bEnd, bEnd + 3, "1 0 0");
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(text.c_str())) << xmltest::U8(doc.GetError());
    EXPECT_EQ(DumpIndex(doc), expected);
    std::u16string buffer = text;
    ASSERT_TRUE(doc.ParseText(std::move(buffer)));
    EXPECT_EQ(DumpIndex(doc), expected);
  }
}

TEST(XmlScan, MeasuresCopiedTextsFromAnyAlignment) {
  const std::u16string text = u"<r v='" + kLookalikes + u"'/>";
  for (size_t offset = 0; offset < 36; ++offset) {
    for (size_t tail = 0; tail < 36; ++tail) {
      std::u16string storage(offset, u'\0');  // NULs just before the text
      storage += text + std::u16string(tail, u' ');
      storage += u'\0';
      storage += u"<junk/>";
      CXmlDocument doc;
      ASSERT_TRUE(doc.ParseText(storage.c_str() + offset));
      EXPECT_EQ(doc.DocText(), text + std::u16string(tail, u' '));
    }
  }
}

TEST(XmlScan, TakenBufferIsIndexedAsItsTextUpToTheFirstNul) {
  std::u16string longRoot = u"<r>";
  for (int i = 0; i < 300; ++i) longRoot += u"<a/>";
  longRoot += u"</r>";
  // Text after the NUL that would size the index far beyond what the text before it needs.
  std::u16string longTail;
  for (int i = 0; i < 40; ++i) longTail += longRoot;
  const std::u16string nul(1, u'\0');
  const std::u16string buffers[] = {
      u"<r><a/>" + nul + u"<b/></r>" + longTail,  // the parse fails at the NUL
      u"<r><a/></r>\r\n" + nul + longTail,        // after the root
      nul + longTail,                             // an empty text
      u"<!-- " + nul + u" -->" + longTail,        // inside a comment
      u"<r a='" + nul + u"'/>" + longTail,        // inside a quoted value
      longRoot + nul + longTail,                  // the index grows while parsing
  };
  for (const std::u16string& buffer : buffers) {
    SCOPED_TRACE(xmltest::U8(buffer.substr(0, 40)));
    for (bool reused : {false, true}) {
      // A reused document carries a larger index and a message from earlier parses.
      CXmlDocument copied;
      CXmlDocument taken;
      for (CXmlDocument* doc : {&copied, &taken}) {
        if (!reused) continue;
        ASSERT_TRUE(doc->ParseText((longRoot + longRoot).c_str()));
        ASSERT_FALSE(doc->ParseText(u"<a></b>"));
      }
      const bool copiedParsed = copied.ParseText(buffer.c_str());
      EXPECT_EQ(taken.ParseText(std::u16string(buffer)), copiedParsed);
      EXPECT_EQ(taken.DocText(), copied.DocText());
      EXPECT_EQ(taken.GetError(), copied.GetError());
      EXPECT_EQ(taken.NextFreeSlot(), copied.NextFreeSlot());
      EXPECT_EQ(WholeIndex(taken), WholeIndex(copied));
    }
  }
}

}  // namespace
