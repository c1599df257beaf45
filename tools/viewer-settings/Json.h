// A small streaming JSON writer: objects, arrays, strings, integers, floats and null, indented
// by two spaces.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
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
  void Null();

 private:
  void BeforeValue();
  void Close(char bracket);
  void NewLine();

  std::ostream& out_;
  std::vector<bool> levelHasItems_;
  bool afterKey_ = false;
};

}  // namespace viewersettings::cli
