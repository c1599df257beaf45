// The settings as the tool sees them: groups of fields, each group behind one exported getter and,
// where the library has one, its setter. This is the one table of keys that show, get, set and
// the help text all use.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/viewer-settings/Fields.h"

namespace viewersettings::cli {

struct Entry {
  std::string key;
  std::optional<Value> value;  // nothing: not stored
};

// One read of a group.
struct Reading {
  int32_t code = 0;  // the getter's result code
  std::vector<Entry> entries;
};

struct KeyInfo {
  std::string key;
  std::string takes;  // what a value must be, from the field's type
  bool settable = false;
  bool listEntry = false;  // an entry of a list: get reads it, set does not take it
};

// The outcome of setting one field.
struct StoreOutcome {
  std::string refusal;   // not empty: the value does not fit the field, and nothing was called
  int32_t code = 0;      // the setter's result, or the getter's XMLR_FILE_ERROR
  std::string function;  // the exported function that answered `code`
  Value stored;          // the value as it went into the record
  // Fields of the group that were not stored before: the setter stores the whole record, so
  // they now hold the record's defaults.
  std::vector<Entry> alsoStored;
};

class Accessor {
 public:
  Accessor(std::string getter, std::string setter)
      : getter_(std::move(getter)), setter_(std::move(setter)) {}
  virtual ~Accessor() = default;

  const std::string& Getter() const { return getter_; }
  // Empty when the library has no setter for the group.
  const std::string& Setter() const { return setter_; }

  // Each field's value, or nothing where the getter left the field as it was. Getters that answer
  // with the value itself (the flags, the process name) always count as stored.
  virtual Reading Read() const = 0;
  virtual std::vector<KeyInfo> Keys() const = 0;
  // Get-modify-set of the group's record: the value is checked against the field first, and when
  // it does not fit, nothing is read or written. A group that is not stored yet starts from the
  // record's defaults. `key` must be one of Keys() that is settable.
  virtual StoreOutcome Store(const std::string& key, std::string_view text) const = 0;

 private:
  std::string getter_;
  std::string setter_;
};

struct Group {
  std::string id;     // as `show GROUP` takes it
  std::string title;  // for people
  std::string note;   // what a reading of this group cannot tell
  std::unique_ptr<Accessor> accessor;
};

// The groups that `show` prints, in order, before the display settings of the modalities.
std::vector<Group> FixedGroups();
// All display settings of one modality; its id is "Modality.<name>".
Group ModalityGroup(const std::u16string& name);
inline constexpr std::string_view kModalityPrefix = "Modality.";

// The accessor that get and set use for `key`, where the narrowest getter and setter of the
// library serve it (MinDiskSpace alone rather than all of LocalSetting); null for an unknown key.
std::unique_ptr<Accessor> AccessorForKey(const std::string& key);
// Every key that get knows, modality keys with the name "<name>", in the order of show.
std::vector<KeyInfo> AllKeys();

}  // namespace viewersettings::cli
