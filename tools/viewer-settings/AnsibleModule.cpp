#include "tools/viewer-settings/AnsibleModule.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ViewerSettings.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/Cli.h"
#include "tools/viewer-settings/Json.h"
#include "tools/viewer-settings/Tool.h"
#include "tools/viewer-settings/ValueText.h"

namespace viewersettings::cli {
namespace {

namespace fs = std::filesystem;
using Type = JsonValue::Type;

constexpr char kModuleName[] = "viewer_settings";

struct Arguments {
  std::string dir;
  TypedSettings settings;
  bool replace = false;
  Exclusions excluded;
  bool check = false;
  bool diff = false;
};

const char* TypeName(Type type) {
  switch (type) {
    case Type::kNull:
      return "null";
    case Type::kBoolean:
      return "a boolean";
    case Type::kNumber:
      return "a number";
    case Type::kString:
      return "text";
    case Type::kArray:
      return "a list";
    case Type::kObject:
      return "an object";
  }
  return "a value";
}

bool Boolean(const JsonValue& value, const std::string& name, bool* to, std::string* error) {
  if (value.type != Type::kBoolean) {
    *error = name + ": takes true or false, not " + TypeName(value.type);
    return false;
  }
  *to = value.text == "true";
  return true;
}

bool ReadArguments(const std::string& file, Arguments* arguments, std::string* error) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    *error = file + ": the arguments file cannot be read";
    return false;
  }
  std::string parseError;
  const std::optional<JsonValue> all = ParseJson(text, &parseError);
  if (!all || all->type != Type::kObject) {
    *error = file + ": the arguments are no JSON object" +
             (all ? std::string() : " (" + parseError + ")");
    return false;
  }
  bool hasDir = false;
  bool hasSettings = false;
  for (const auto& [name, value] : all->members) {
    if (name == "dir") {
      if (value.type != Type::kString || value.text.empty()) {
        *error = "dir: takes the station's folder as text";
        return false;
      }
      arguments->dir = value.text;
      hasDir = true;
    } else if (name == "settings") {
      if (value.type != Type::kObject) {
        *error =
            "settings: takes an object of key to value, not " + std::string(TypeName(value.type));
        return false;
      }
      for (const auto& [key, setting] : value.members) {
        if (setting.type != Type::kNumber && setting.type != Type::kString) {
          *error = "settings: " + key + ": takes a number or text, as an export holds it, not " +
                   TypeName(setting.type);
          return false;
        }
        arguments->settings.emplace_back(key, setting.text);
      }
      hasSettings = true;
    } else if (name == "replace") {
      if (!Boolean(value, name, &arguments->replace, error)) return false;
    } else if (name == "exclude") {
      if (value.type != Type::kArray) {
        *error = "exclude: takes a list of keys and groups";
        return false;
      }
      for (const JsonValue& item : value.items) {
        if (item.type != Type::kString) {
          *error =
              "exclude: takes a list of keys and groups, not " + std::string(TypeName(item.type));
          return false;
        }
        std::string excludeError;
        if (!arguments->excluded.Add(item.text, &excludeError)) {
          *error = "exclude: " + excludeError;
          return false;
        }
      }
    } else if (name == "_ansible_check_mode") {
      if (!Boolean(value, name, &arguments->check, error)) return false;
    } else if (name == "_ansible_diff") {
      if (!Boolean(value, name, &arguments->diff, error)) return false;
    } else if (name.compare(0, 9, "_ansible_") != 0) {
      *error = "unsupported parameter \"" + name +
               "\" (the module takes dir, settings, replace "
               "and exclude)";
      return false;
    }
  }
  if (!hasDir || !hasSettings) {
    *error = std::string("missing required parameter ") + (hasDir ? "settings" : "dir");
    return false;
  }
  return true;
}

int Failed(std::ostream& out, const std::string& message) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("failed");
  json.Boolean(true);
  json.Key("changed");
  json.Boolean(false);
  json.Key("msg");
  json.String(message);
  json.EndObject();
  return 1;
}

}  // namespace

bool IsAnsibleModuleCall(const std::string& programPath, size_t argumentCount) {
  // Either separator, whichever system the path comes from.
  std::string name = programPath.substr(programPath.find_last_of("/\\") + 1);
  constexpr std::string_view kExe = ".exe";
  if (name.size() > kExe.size()) {
    std::string extension = name.substr(name.size() - kExe.size());
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == kExe) name.resize(name.size() - kExe.size());
  }
  // Ansible runs a copy named after the module with this prefix.
  constexpr std::string_view kCopyPrefix = "AnsiballZ_";
  if (name.compare(0, kCopyPrefix.size(), kCopyPrefix) == 0) name.erase(0, kCopyPrefix.size());
  return argumentCount == 1 && name == kModuleName;
}

int RunAnsibleModule(const std::string& argumentsFile, std::ostream& out) {
  try {
    Arguments arguments;
    std::string error;
    if (!ReadArguments(argumentsFile, &arguments, &error)) return Failed(out, error);
    std::error_code failure;
    if (!fs::is_directory(fs::u8path(arguments.dir), failure)) {
      return Failed(out, "dir: " + arguments.dir + " is no folder");
    }
    // As import refuses an export without settings: replacing with nothing would remove all.
    if (arguments.replace && arguments.settings.empty()) {
      return Failed(out, "settings: empty, and replace would remove every setting of the station");
    }
    // As with --dir: the settings that hold folders are stored as absolute paths.
    const fs::path folder = fs::absolute(fs::u8path(arguments.dir), failure).lexically_normal();
    if (failure) return Failed(out, "dir: " + arguments.dir + " cannot be made absolute");
    SetExeRootPathOverride(text::FromUtf8(folder.u8string()));

    std::istringstream in;
    std::ostringstream said;
    std::ostringstream errors;
    Tool tool(in, said, errors);
    TypedSettings wanted;
    for (const auto& [key, value] : arguments.settings) {
      if (!arguments.excluded.Excludes(key)) wanted.emplace_back(key, value);
    }
    PlanOptions plan;
    plan.listsWhole = true;
    plan.replace = arguments.replace;
    Converged converged;
    if (tool.Converge(wanted, plan, arguments.check, arguments.excluded, &converged) != kExitOk) {
      return Failed(out, OneMessage(errors.str()));
    }

    const size_t count = converged.changes.size();
    JsonWriter json(out);
    json.BeginObject();
    json.Key("changed");
    json.Boolean(count > 0);
    json.Key("msg");
    json.String(Summary(count, arguments.check));
    if (arguments.diff) {
      std::string before;
      std::string after;
      for (const KeyChange& change : converged.changes) {
        if (change.before) before += change.key + " = " + PlainText(*change.before) + "\n";
        if (change.after) after += change.key + " = " + PlainText(*change.after) + "\n";
      }
      json.Key("diff");
      json.BeginObject();
      json.Key("before");
      json.String(before);
      json.Key("after");
      json.String(after);
      json.EndObject();
    }
    json.EndObject();
    return 0;
  } catch (const std::exception& error) {
    return Failed(out, error.what());
  }
}

}  // namespace viewersettings::cli
