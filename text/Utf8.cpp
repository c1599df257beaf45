#include "text/Utf8.h"

namespace viewersettings::text {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// False at the first unpaired surrogate unless `replaceUnpaired`.
bool AppendText(std::string& out, std::u16string_view text, bool replaceUnpaired) {
  out.reserve(out.size() + text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      if (!replaceUnpaired) return false;
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return true;
}

// What a lead byte starts: the sequence's length (0: it starts none) and the range its second
// byte must lie in. The narrower ranges rule out overlong forms (after E0 and F0), surrogates
// (after ED) and values beyond U+10FFFF (after F4).
struct Lead {
  size_t length;
  unsigned char low;
  unsigned char high;
};

Lead LeadOf(unsigned char byte) {
  if (byte < 0x80) return {1, 0, 0};
  if (byte < 0xC2) return {0, 0, 0};
  if (byte < 0xE0) return {2, 0x80, 0xBF};
  if (byte == 0xE0) return {3, 0xA0, 0xBF};
  if (byte == 0xED) return {3, 0x80, 0x9F};
  if (byte < 0xF0) return {3, 0x80, 0xBF};
  if (byte == 0xF0) return {4, 0x90, 0xBF};
  if (byte < 0xF4) return {4, 0x80, 0xBF};
  if (byte == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  AppendText(out, text, true);
  return out;
}

std::optional<std::string> ToUtf8Exactly(std::u16string_view text) {
  std::string out;
  if (!AppendText(out, text, false)) return std::nullopt;
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  size_t malformedCount = 0;
  return FromUtf8(text, malformedCount);
}

std::u16string FromUtf8(std::string_view text, size_t& malformedCount,
                        std::vector<MalformedBytes>* where) {
  malformedCount = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  // No sequence gives more units than it has bytes.
  std::u16string out(size, u'\0');
  size_t units = 0;
  size_t i = 0;
  while (i < size) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      out[units++] = lead;
      ++i;
      continue;
    }
    const Lead form = LeadOf(lead);
    char32_t c = lead & (0x7F >> form.length);
    size_t length = 1;  // the bytes of the sequence that are well formed so far
    for (; length < form.length && i + length < size; ++length) {
      const unsigned char next = bytes[i + length];
      if (next < (length == 1 ? form.low : 0x80) || next > (length == 1 ? form.high : 0xBF)) {
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    if (length != form.length) {
      out[units++] = kReplacement;
      ++malformedCount;
      if (where) where->push_back({i, length});
    } else if (c < 0x10000) {
      out[units++] = static_cast<char16_t>(c);
    } else {
      c -= 0x10000;
      out[units++] = static_cast<char16_t>(0xD800 + (c >> 10));
      out[units++] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
    i += length;
  }
  out.resize(units);
  return out;
}

}  // namespace viewersettings::text
