#include "tools/viewer-settings/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "text/Utf8.h"

namespace viewersettings::cli {

std::string JsonQuoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void JsonWriter::NewLine() {
  out_ << '\n' << std::string(2 * levelHasItems_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levelHasItems_.empty()) return;
  if (levelHasItems_.back()) out_ << ',';
  levelHasItems_.back() = true;
  NewLine();
}

void JsonWriter::BeginObject() {
  BeforeValue();
  out_ << '{';
  levelHasItems_.push_back(false);
}

void JsonWriter::BeginArray() {
  BeforeValue();
  out_ << '[';
  levelHasItems_.push_back(false);
}

void JsonWriter::Close(char bracket) {
  const bool hadItems = levelHasItems_.back();
  levelHasItems_.pop_back();
  if (hadItems) NewLine();
  out_ << bracket;
  if (levelHasItems_.empty()) out_ << '\n';
}

void JsonWriter::EndObject() {
  Close('}');
}

void JsonWriter::EndArray() {
  Close(']');
}

void JsonWriter::Key(std::string_view key) {
  BeforeValue();
  out_ << JsonQuoted(key) << ": ";
  afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_ << JsonQuoted(text);
}

void JsonWriter::Integer(int64_t value) {
  BeforeValue();
  out_ << value;
}

void JsonWriter::Number(float value) {
  if (!std::isfinite(value)) {
    String(std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf");
    return;
  }
  BeforeValue();
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out_ << std::string_view(digits, static_cast<size_t>(end - digits));
}

void JsonWriter::Boolean(bool value) {
  BeforeValue();
  out_ << (value ? "true" : "false");
}

void JsonWriter::Null() {
  BeforeValue();
  out_ << "null";
}

}  // namespace viewersettings::cli

namespace viewersettings::cli {
namespace {

// Objects and arrays nested deeper than this are refused rather than followed down the stack.
constexpr int kMaxDepth = 32;

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  std::optional<JsonMembers> ReadFlatObject(std::string* error) {
    JsonMembers members;
    Blanks();
    if (!Take('{')) return Fail(error, "an object");
    Blanks();
    if (!Take('}')) {
      do {
        Blanks();
        std::optional<std::string> key = String();
        if (!key) return Fail(error, "a member's name in double quotes");
        Blanks();
        if (!Take(':')) return Fail(error, "\":\"");
        Blanks();
        std::optional<JsonScalar> value = Scalar();
        if (!value) return Fail(error, "text in double quotes or a number");
        members.emplace_back(std::move(*key), std::move(*value));
        Blanks();
      } while (Take(','));
      if (!Take('}')) return Fail(error, "\",\" or \"}\"");
    }
    Blanks();
    if (pos_ != text_.size()) return Fail(error, "the end of the text");
    return members;
  }

  std::optional<JsonValue> ReadValue(std::string* error) {
    Blanks();
    JsonValue value;
    if (!Value(value, 0, error)) return std::nullopt;
    Blanks();
    if (pos_ != text_.size()) {
      Fail(error, "the end of the text");
      return std::nullopt;
    }
    return value;
  }

 private:
  std::nullopt_t Fail(std::string* error, const std::string& expected) const {
    size_t line = 1;
    for (size_t i = 0; i < pos_ && i < text_.size(); ++i) line += text_[i] == '\n' ? 1 : 0;
    *error = "line " + std::to_string(line) + ": expected " + expected;
    return std::nullopt;
  }

  bool Expected(std::string* error, const std::string& what) const {
    Fail(error, what);
    return false;
  }

  bool TakeWord(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Value(JsonValue& value, int depth, std::string* error) {
    const char c = pos_ < text_.size() ? text_[pos_] : '\0';
    if (c == '{' || c == '[') {
      if (depth == kMaxDepth) {
        return Expected(error,
                        "at most " + std::to_string(kMaxDepth) + " levels of objects and arrays");
      }
      return c == '{' ? Object(value, depth + 1, error) : Array(value, depth + 1, error);
    }
    if (c == '"') {
      std::optional<std::string> text = String();
      if (!text) return Expected(error, "a string in double quotes with valid escapes");
      value.type = JsonValue::Type::kString;
      value.text = std::move(*text);
      return true;
    }
    for (const char* word : {"true", "false"}) {
      if (TakeWord(word)) {
        value.type = JsonValue::Type::kBoolean;
        value.text = word;
        return true;
      }
    }
    if (TakeWord("null")) return true;
    std::optional<std::string> number = Number();
    if (!number) return Expected(error, "a value");
    value.type = JsonValue::Type::kNumber;
    value.text = std::move(*number);
    return true;
  }

  bool Object(JsonValue& value, int depth, std::string* error) {
    value.type = JsonValue::Type::kObject;
    Take('{');
    Blanks();
    if (Take('}')) return true;
    do {
      Blanks();
      std::optional<std::string> key = String();
      if (!key) return Expected(error, "a member's name in double quotes");
      Blanks();
      if (!Take(':')) return Expected(error, "\":\"");
      Blanks();
      JsonValue member;
      if (!Value(member, depth, error)) return false;
      value.members.emplace_back(std::move(*key), std::move(member));
      Blanks();
    } while (Take(','));
    if (!Take('}')) return Expected(error, "\",\" or \"}\"");
    return true;
  }

  bool Array(JsonValue& value, int depth, std::string* error) {
    value.type = JsonValue::Type::kArray;
    Take('[');
    Blanks();
    if (Take(']')) return true;
    do {
      Blanks();
      JsonValue item;
      if (!Value(item, depth, error)) return false;
      value.items.push_back(std::move(item));
      Blanks();
    } while (Take(','));
    if (!Take(']')) return Expected(error, "\",\" or \"]\"");
    return true;
  }

  bool Take(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  void Blanks() {
    while (pos_ < text_.size() && std::string_view(" \t\r\n").find(text_[pos_]) != npos) ++pos_;
  }

  std::optional<uint32_t> Hex4() {
    if (pos_ + 4 > text_.size()) return std::nullopt;
    uint32_t unit = 0;
    const auto [end, failure] =
        std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, unit, 16);
    if (failure != std::errc() || end != text_.data() + pos_ + 4) return std::nullopt;
    pos_ += 4;
    return unit;
  }

  // \uXXXX, a surrogate pair as two of them; a lone surrogate is no text.
  bool Escaped(std::string& to) {
    const char c = pos_ < text_.size() ? text_[pos_++] : '\0';
    static constexpr std::string_view kFrom = "\"\\/bfnrt";
    static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
    if (const size_t at = kFrom.find(c); c != '\0' && at != npos) {
      to += kTo[at];
      return true;
    }
    if (c != 'u') return false;
    const std::optional<uint32_t> unit = Hex4();
    if (!unit || (*unit >= 0xDC00 && *unit <= 0xDFFF)) return false;
    std::u16string units(1, static_cast<char16_t>(*unit));
    if (*unit >= 0xD800 && *unit <= 0xDBFF) {
      if (!Take('\\') || !Take('u')) return false;
      const std::optional<uint32_t> low = Hex4();
      if (!low || *low < 0xDC00 || *low > 0xDFFF) return false;
      units += static_cast<char16_t>(*low);
    }
    to += text::ToUtf8(units);
    return true;
  }

  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string text;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      const char c = text_[pos_++];
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c != '\\') {
        text += c;
      } else if (!Escaped(text)) {
        return std::nullopt;
      }
    }
    if (!Take('"')) return std::nullopt;
    return text;
  }

  // As JSON writes numbers: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  std::optional<std::string> Number() {
    const size_t start = pos_;
    const auto digits = [&] {
      const size_t from = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      return pos_ - from;
    };
    Take('-');
    const size_t whole = digits();
    if (whole == 0 || (whole > 1 && text_[pos_ - whole] == '0')) return std::nullopt;
    if (Take('.') && digits() == 0) return std::nullopt;
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (digits() == 0) return std::nullopt;
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  std::optional<JsonScalar> Scalar() {
    if (pos_ < text_.size() && text_[pos_] == '"') {
      std::optional<std::string> text = String();
      if (!text) return std::nullopt;
      return JsonScalar{true, std::move(*text)};
    }
    std::optional<std::string> number = Number();
    if (!number) return std::nullopt;
    return JsonScalar{false, std::move(*number)};
  }

  static constexpr size_t npos = std::string_view::npos;
  std::string_view text_;
  size_t pos_ = 0;
};

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr char kSaveAs[] = "save it as UTF-8, or as UTF-16 with a byte-order mark";

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// The UTF-16 text after a byte-order mark, as UTF-8.
std::optional<std::string> FromUtf16(std::string_view bytes, bool bigEndian, const char* name,
                                     std::string* error) {
  if (bytes.size() % 2 != 0) {
    *error = std::string(name) + " text of an odd number of bytes";
    return std::nullopt;
  }
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  std::optional<std::string> utf8 = text::ToUtf8Exactly(units);
  if (!utf8) *error = std::string("not valid ") + name + ": it holds an unpaired surrogate";
  return utf8;
}

// JSON text is UTF-8; a byte-order mark says which other encoding a Windows tool wrote.
std::optional<std::string> JsonTextAsUtf8(std::string_view bytes, std::string* error) {
  if (StartsWith(bytes, kUtf16LeMark)) {
    return FromUtf16(bytes.substr(kUtf16LeMark.size()), false, "UTF-16LE", error);
  }
  if (StartsWith(bytes, kUtf16BeMark)) {
    return FromUtf16(bytes.substr(kUtf16BeMark.size()), true, "UTF-16BE", error);
  }
  const size_t mark = StartsWith(bytes, kUtf8Mark) ? kUtf8Mark.size() : 0;
  bytes.remove_prefix(mark);
  // No JSON text holds a zero byte; UTF-16 puts one beside every ASCII character.
  if (const size_t zero = bytes.find('\0'); zero != std::string_view::npos) {
    *error = zero < 2 ? std::string("UTF-16 without a byte-order mark: ") + kSaveAs
                      : "a zero byte at byte " + std::to_string(mark + zero) + ", which is no text";
    return std::nullopt;
  }
  size_t malformedCount = 0;
  std::vector<text::MalformedBytes> malformed;
  text::FromUtf8(bytes, malformedCount, &malformed);
  if (malformedCount != 0) {
    *error = "bytes not valid in UTF-8 at byte " + std::to_string(mark + malformed.front().offset) +
             ": " + kSaveAs;
    return std::nullopt;
  }
  return std::string(bytes);
}

}  // namespace

std::optional<JsonMembers> ParseFlatObject(std::string_view bytes, std::string* error) {
  const std::optional<std::string> text = JsonTextAsUtf8(bytes, error);
  if (!text) return std::nullopt;
  return JsonReader(*text).ReadFlatObject(error);
}

std::optional<JsonValue> ParseJson(std::string_view bytes, std::string* error) {
  const std::optional<std::string> text = JsonTextAsUtf8(bytes, error);
  if (!text) return std::nullopt;
  return JsonReader(*text).ReadValue(error);
}

}  // namespace viewersettings::cli
