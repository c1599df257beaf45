#include "text/TextEncoding.h"

#include <cstring>
#include <utility>

namespace viewersettings::text {

// Compilers that do not say are those of little-endian Windows targets.
#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "UTF-16LE text is copied to and from memory as it is");
#endif

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      return "UTF-16LE";
    case TextEncoding::kUtf16Be:
      return "UTF-16BE";
    case TextEncoding::kUtf8:
      return "UTF-8";
  }
  return "";
}

TextEncoding DetectEncoding(std::string_view first) {
  const auto starts = [&](std::string_view prefix) {
    return first.substr(0, prefix.size()) == prefix;
  };
  const auto nonZero = [&](size_t i) { return i < first.size() && first[i] != '\0'; };
  if (starts("\xFF\xFE")) return TextEncoding::kUtf16Le;
  if (starts("\xFE\xFF")) return TextEncoding::kUtf16Be;
  if (starts("\xEF\xBB\xBF")) return TextEncoding::kUtf8;
  // "<" as 3C 00 ?? 00 is UTF-16LE, which is also what any other start is taken for.
  if (first.size() >= 4 && starts(std::string_view("\0<\0", 3))) return TextEncoding::kUtf16Be;
  if (nonZero(0) && nonZero(1)) return TextEncoding::kUtf8;
  return TextEncoding::kUtf16Le;
}

DecodedText DecodeFileText(std::u16string units, size_t byteCount,
                           std::vector<text::MalformedBytes>* malformed) {
  const std::string_view bytes(reinterpret_cast<const char*>(units.data()), byteCount);
  const TextEncoding encoding = DetectEncoding(bytes.substr(0, 4));
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      break;
    case TextEncoding::kUtf16Be:
      for (char16_t& unit : units) unit = static_cast<char16_t>(unit << 8 | unit >> 8);
      break;
    case TextEncoding::kUtf8: {
      size_t malformedCount = 0;
      std::u16string text = text::FromUtf8(bytes, malformedCount, malformed);
      return {std::move(text), {encoding, malformedCount == 0}};
    }
  }
  return {std::move(units), {encoding, true}};
}

DecodedText DecodeFileText(std::string_view bytes, std::vector<text::MalformedBytes>* malformed) {
  std::u16string units((bytes.size() + 1) / 2, u'\0');
  if (!bytes.empty()) std::memcpy(units.data(), bytes.data(), bytes.size());
  return DecodeFileText(std::move(units), bytes.size(), malformed);
}

std::optional<FileBytes> EncodeFileText(const std::u16string& text, TextForm form) {
  if (!form.writable) return std::nullopt;
  switch (form.encoding) {
    case TextEncoding::kUtf16Le:
      return FileBytes(text);
    case TextEncoding::kUtf16Be: {
      std::string bytes(text.size() * 2, '\0');
      char* next = bytes.data();
      for (const char16_t unit : text) {
        *next++ = static_cast<char>(unit >> 8);
        *next++ = static_cast<char>(unit & 0xFF);
      }
      return FileBytes(std::move(bytes));
    }
    case TextEncoding::kUtf8:
      if (std::optional<std::string> bytes = text::ToUtf8Exactly(text)) {
        return FileBytes(std::move(*bytes));
      }
      break;
  }
  return std::nullopt;
}

}  // namespace viewersettings::text
