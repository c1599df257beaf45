// viewer-settings schema: the JSON Schema of an export, generated from the catalogue, so that an
// editor completes and checks a station file and a script can validate one before importing it.
#include <cstdint>
#include <limits>
#include <type_traits>

#include "text/Utf8.h"
#include "tools/viewer-settings/Cli.h"
#include "tools/viewer-settings/Json.h"
#include "tools/viewer-settings/Tool.h"

namespace viewersettings::cli {
namespace {

using catalogue::FieldRef;
using text::ToUtf8;

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// What a modality name may hold (see dicom::IsUsableModalityName), and an entry's number as a
// key writes it.
constexpr char kNamePattern[] = "[^\\u0000-\\u0020<>=\\\\/?!\"'&\\[\\]]+";
constexpr char kNumberPattern[] = "(0|[1-9][0-9]{0,8})";

// The key of the table as an anchored regular expression: placeholders become their patterns,
// everything else stands for itself.
std::string KeyPattern(const std::string& key) {
  std::string pattern = "^";
  for (size_t at = 0; at < key.size();) {
    if (key.compare(at, catalogue::kNamePlaceholder.size(), catalogue::kNamePlaceholder) == 0) {
      pattern += kNamePattern;
      at += catalogue::kNamePlaceholder.size();
    } else if (key.compare(at, catalogue::kNumberPlaceholder.size(),
                           catalogue::kNumberPlaceholder) == 0) {
      pattern += kNumberPattern;
      at += catalogue::kNumberPlaceholder.size();
    } else {
      if (std::string_view("\\^$.|?*+()[]{}").find(key[at]) != std::string_view::npos) {
        pattern += '\\';
      }
      pattern += key[at++];
    }
  }
  return pattern + "$";
}

void Bounds(JsonWriter& json, int64_t minimum, int64_t maximum) {
  json.Key("type");
  json.String("integer");
  json.Key("minimum");
  json.Integer(minimum);
  json.Key("maximum");
  json.Integer(maximum);
}

// The type and range of one kind of field.
void WriteType(JsonWriter& json, const FieldRef& kind) {
  std::visit(Overloaded{[&](std::monostate) {},
                        [&](float*) {
                          json.Key("type");
                          json.String("number");
                        },
                        [&](std::u16string*) {
                          json.Key("type");
                          json.String("string");
                        },
                        [&](catalogue::FaceNameRef field) {
                          json.Key("type");
                          json.String("string");
                          json.Key("maxLength");
                          json.Integer(static_cast<int64_t>(field.size) - 1);
                        },
                        [&](catalogue::ModalityNameRef) {
                          json.Key("type");
                          json.String("string");
                          json.Key("pattern");
                          json.String(std::string("^") + kNamePattern + "$");
                        },
                        [&](auto* field) {
                          using Int = std::remove_pointer_t<decltype(field)>;
                          Bounds(json, std::numeric_limits<Int>::min(),
                                 std::numeric_limits<Int>::max());
                        }},
             kind);
}

void WriteSetting(JsonWriter& json, const catalogue::Setting& setting) {
  json.BeginObject();
  WriteType(json, setting.kind);
  json.Key("description");
  json.String(catalogue::WhatItTakes(setting.kind) + "; stored in SystemSetting/" +
              ToUtf8(setting.path) + "@" + ToUtf8(setting.attribute) + " (" +
              catalogue::Groups()[setting.group].setter + ")");
  json.EndObject();
}

}  // namespace

int Tool::Schema() {
  JsonWriter json(out_);
  json.BeginObject();
  json.Key("$schema");
  json.String("https://json-schema.org/draft/2020-12/schema");
  json.Key("title");
  json.String("Settings of a viewer station, as viewer-settings export writes them");
  json.Key("type");
  json.String("object");
  // Only what export writes: the settings that a setter can store again.
  for (const bool patterns : {false, true}) {
    json.Key(patterns ? "patternProperties" : "properties");
    json.BeginObject();
    for (const catalogue::Setting& setting : catalogue::Settings()) {
      const bool isPattern = setting.key.find('<') != std::string::npos;
      if (!setting.settable || isPattern != patterns) continue;
      json.Key(patterns ? KeyPattern(setting.key) : setting.key);
      WriteSetting(json, setting);
    }
    json.EndObject();
  }
  json.Key("additionalProperties");
  json.Boolean(false);
  json.EndObject();
  return kExitOk;
}

}  // namespace viewersettings::cli
