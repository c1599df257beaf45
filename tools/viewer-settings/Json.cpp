#include "tools/viewer-settings/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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

void JsonWriter::Null() {
  BeforeValue();
  out_ << "null";
}

}  // namespace viewersettings::cli
