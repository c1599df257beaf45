// A small streaming JSON writer: objects, arrays, strings, integers, floats and null, indented
// by two spaces; a reader of flat objects, as `export` writes them; and a reader of any JSON
// value, for the arguments Ansible hands a module.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace viewersettings::cli {

// `text` (UTF-8) as a JSON string literal: quotes, backslashes and every control character
// escaped.
std::string JsonQuoted(std::string_view text);

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // Inside an object, before each value.
  void Key(std::string_view key);

  void String(std::string_view text);
  void Integer(int64_t value);
  // Non-finite floats have no JSON form; they are written as the strings "inf", "-inf", "nan".
  void Number(float value);
  void Boolean(bool value);
  void Null();

 private:
  void BeforeValue();
  void Close(char bracket);
  void NewLine();

  std::ostream& out_;
  std::vector<bool> levelHasItems_;
  bool afterKey_ = false;
};

// A member's value in a flat object: text (UTF-8), or a number as it is written.
struct JsonScalar {
  bool isText;
  std::string text;
};
using JsonMembers = std::vector<std::pair<std::string, JsonScalar>>;

// The members of one JSON object whose values are strings or numbers, in their order. `bytes`
// are UTF-8, with or without a byte-order mark, or UTF-16LE or UTF-16BE with one (as Windows
// tools write). Nothing when they are in no such encoding or are not such an object; `error`
// then says what is wrong and where.
std::optional<JsonMembers> ParseFlatObject(std::string_view bytes, std::string* error);

// Any JSON value. Numbers keep the text they are written as; a boolean's text is "true" or
// "false".
struct JsonValue {
  enum class Type { kNull, kBoolean, kNumber, kString, kArray, kObject };
  Type type = Type::kNull;
  std::string text;                                        // a string (UTF-8), number or boolean
  std::vector<JsonValue> items;                            // of an array
  std::vector<std::pair<std::string, JsonValue>> members;  // of an object, in their order
};

// `bytes` in the encodings ParseFlatObject takes. Nothing when they are in none of them, are no
// JSON value, or nest deeper than settings need; `error` then says what is wrong and where.
std::optional<JsonValue> ParseJson(std::string_view bytes, std::string* error);

}  // namespace viewersettings::cli
