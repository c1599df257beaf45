// The settings file's encodings: detection from the first bytes, decoding to the engine's text
// and encoding back to the very same bytes.
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using viewersettings::text::DecodedText;
using viewersettings::text::DecodeFileText;
using viewersettings::text::DetectEncoding;
using viewersettings::text::EncodeFileText;
using viewersettings::text::EncodingName;
using viewersettings::text::FileBytes;
using viewersettings::text::MalformedBytes;
using viewersettings::text::TextEncoding;
using viewersettings::text::TextForm;

// A byte literal with its zero bytes.
template <size_t N>
std::string Literal(const char (&bytes)[N]) {
  return std::string(bytes, N - 1);
}

std::string BytesOf(const FileBytes& bytes) {
  return std::string(bytes.View());
}

TEST(TextEncoding, IsFoundFromTheFirstBytes) {
  const struct {
    std::string first;
    TextEncoding encoding;
  } cases[] = {
      {Literal("\xFF\xFE<\0"), TextEncoding::kUtf16Le},
      {"\xFF\xFE", TextEncoding::kUtf16Le},
      {Literal("\xFE\xFF\0<"), TextEncoding::kUtf16Be},
      {"\xEF\xBB\xBF<", TextEncoding::kUtf8},
      {Literal("<\0?\0"), TextEncoding::kUtf16Le},
      {Literal("\0<\0?"), TextEncoding::kUtf16Be},
      {"<?xm", TextEncoding::kUtf8},
      {"\r\n", TextEncoding::kUtf8},
      {"\xEF\xBB", TextEncoding::kUtf8},  // a mark cut short: malformed UTF-8
      // Anything else is taken for UTF-16LE, as files have always been read.
      {Literal("\0<\0"), TextEncoding::kUtf16Le},
      {Literal("\r\0\n\0"), TextEncoding::kUtf16Le},
      {Literal("\0\0\xFE\xFF"), TextEncoding::kUtf16Le},
      {Literal("<\0"), TextEncoding::kUtf16Le},
      {"<", TextEncoding::kUtf16Le},
      {"", TextEncoding::kUtf16Le},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DetectEncoding(c.first), c.encoding) << testing::PrintToString(c.first);
  }
  EXPECT_STREQ(EncodingName(TextEncoding::kUtf16Be), "UTF-16BE");
}

// The same text, mark included, in every encoding, written out by hand.
TEST(TextEncoding, DecodesEachEncodingAndWritesBackTheSameBytes) {
  const std::u16string text = u"\uFEFF<a b=\"\u00e9\u2713\U0001F600\"/>";
  const std::string utf16Le =
      Literal("\xFF\xFE<\0a\0 \0b\0=\0\"\0\xE9\0\x13\x27\x3D\xD8\x00\xDE\"\0/\0>\0");
  const std::string utf16Be =
      Literal("\xFE\xFF\0<\0a\0 \0b\0=\0\"\0\xE9\x27\x13\xD8\x3D\xDE\x00\0\"\0/\0>");
  const std::string utf8 = "\xEF\xBB\xBF<a b=\"\xC3\xA9\xE2\x9C\x93\xF0\x9F\x98\x80\"/>";
  const struct {
    std::string bytes;
    TextEncoding encoding;
    std::u16string text;
  } cases[] = {
      {utf16Le, TextEncoding::kUtf16Le, text},
      {utf16Be, TextEncoding::kUtf16Be, text},
      {utf8, TextEncoding::kUtf8, text},
      {utf8.substr(3), TextEncoding::kUtf8, text.substr(1)},
      {utf16Be.substr(2), TextEncoding::kUtf16Be, text.substr(1)},
      {utf16Le.substr(2), TextEncoding::kUtf16Le, text.substr(1)},
  };
  for (const auto& c : cases) {
    const DecodedText decoded = DecodeFileText(c.bytes);
    EXPECT_EQ(decoded.text, c.text) << EncodingName(c.encoding);
    EXPECT_EQ(decoded.form.encoding, c.encoding);
    EXPECT_TRUE(decoded.form.writable);
    const auto encoded = EncodeFileText(decoded.text, decoded.form);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(BytesOf(*encoded), c.bytes) << EncodingName(c.encoding);
  }
}

TEST(TextEncoding, AnOddLastByteOfUtf16IsAUnitWithAZeroByte) {
  // Read as today: the missing byte is zero, and the text is written back a byte longer.
  EXPECT_EQ(DecodeFileText(Literal("\xFF\xFE<\0a")).text, u"\uFEFF<a");
  const DecodedText big = DecodeFileText(Literal("\xFE\xFF\0<a"));
  EXPECT_EQ(big.text, u"\uFEFF<\u6100");
  EXPECT_EQ(BytesOf(*EncodeFileText(big.text, big.form)), Literal("\xFE\xFF\0<a\0"));
}

TEST(TextEncoding, MalformedUtf8ReadsAsReplacementsAndIsNeverWrittenBack) {
  const std::string bytes =
      "<a b=\"Gr\xF6\xDF"
      "e\"/>\r\n<c d=\"\xE2\x9C\"/>";
  std::vector<MalformedBytes> malformed;
  const DecodedText decoded = DecodeFileText(bytes, &malformed);
  EXPECT_EQ(decoded.text, u"<a b=\"Gr\uFFFD\uFFFDe\"/>\r\n<c d=\"\uFFFD\"/>");
  EXPECT_EQ(decoded.form.encoding, TextEncoding::kUtf8);
  EXPECT_FALSE(decoded.form.writable);
  ASSERT_EQ(malformed.size(), 3u);
  EXPECT_EQ(malformed[2].offset, bytes.find('\xE2'));
  EXPECT_EQ(malformed[2].length, 2u);
  EXPECT_FALSE(EncodeFileText(decoded.text, decoded.form));
  // A replacement character that the file holds as such is text like any other.
  const DecodedText literal = DecodeFileText("<a b=\"\xEF\xBF\xBD\"/>");
  EXPECT_TRUE(literal.form.writable);
}

TEST(TextEncoding, AnUnpairedSurrogateHasNoUtf8FormButItsUtf16Ones) {
  const std::u16string text = u"<a b=\"\xD83D\"/>";
  EXPECT_FALSE(EncodeFileText(text, TextForm{TextEncoding::kUtf8, true}));
  const auto big = EncodeFileText(text, TextForm{TextEncoding::kUtf16Be, true});
  ASSERT_TRUE(big);
  EXPECT_EQ(DecodeFileText(BytesOf(*big)).text, text);
  const auto little = EncodeFileText(text, TextForm{});
  ASSERT_TRUE(little);
  EXPECT_EQ(little->View().data(), reinterpret_cast<const char*>(text.data()));  // its own memory
}

}  // namespace
