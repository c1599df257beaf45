// The settings catalogue: every setting by key, read and stored through its group's exported
// getter and setter. The C interface and the command-line tool are built on it.
//
// Keys follow the element paths: "MinDiskSpace", "DICOM.LocalImageDir",
// "Modality.<name>.Label.Text.Font.Height", "PatListHeader.<n>.ColumnName",
// "ECG.ColorSetting.Wave.Red". In the table, <name> stands for a modality's name and <n> for the
// number of an entry of a list; a key names them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Field.h"
#include "store/FunctionRef.h"

namespace viewersettings::catalogue {

inline constexpr std::string_view kNamePlaceholder = "<name>";
inline constexpr std::string_view kNumberPlaceholder = "<n>";
// The modality's level in the element paths of the table.
inline constexpr char16_t kModalityLevel[] = u"<name>";

// A group: one exported getter and the setter that stores what it reads.
struct GroupInfo {
  std::string getter;
  std::string setter;  // empty when the library has none
  bool perModality;
  bool listsModalities;  // its values are the names of the added modalities
  // The section of the file the group belongs to, for people; the first group of a section gives
  // its title and what a reading of it cannot tell. Per-modality sections say kNamePlaceholder
  // for the modality's name.
  std::string section;
  std::string sectionTitle;
  std::string sectionNote;
};
const std::vector<GroupInfo>& Groups();

// One setting of the table.
struct Setting {
  std::string key;  // with <name> and <n> where the key names them
  size_t group;     // in Groups()
  FieldRef kind;    // the kind of field, for what a value must be
  bool settable;
  bool listEntry;            // a field of an entry of a list
  std::u16string path;       // the elements below the root, "/" between them
  std::u16string attribute;  // of the last element; "Value" for a leaf of one setting
  // For an entry of a list whose elements are not named after their number: the attribute that
  // holds it (a patient-list column's ColumnNo).
  std::u16string entryAttribute;
};
// In the order of the groups, each group's settings in the order of its leaves.
const std::vector<Setting>& Settings();

// A key of the table, with the names it holds.
struct KeyMatch {
  size_t setting;           // in Settings()
  std::u16string modality;  // for a per-modality group
  int64_t number = -1;      // for an entry of a numbered list
};
// Nothing for a key that names no setting: no key of the table, or a modality name the library
// refuses (see IsUsableModalityName).
std::optional<KeyMatch> MatchKey(std::string_view key);

// A key and its value; nothing where the getter did not find it.
struct Entry {
  std::string key;
  std::optional<Value> value;
};

// ---- Reading ----

// Runs `body` with every getter on this thread answering from one reading of the settings file
// (created with the first-run defaults when missing). XMLR_FILE_ERROR when the file cannot be had,
// and then `body` does not run; else XMLR_GET_OK.
int32_t WithOneReading(store::FunctionRef<void()> body);

struct GroupValues {
  int32_t code = 0;  // the getter's result
  std::vector<Entry> entries;
};
// The settings of one group, by key, as its getter reads them (an empty modality for groups of
// the whole file), each with its value where the file stores its element and with none where it
// does not; XMLR_FILE_ERROR with no entries where an access of the getter failed.
GroupValues ReadGroup(size_t group, const std::u16string& modality = {});
// Every setting that the file stores, in the order of Settings(), the per-modality settings of
// each added modality (with a usable name, each once) after the list. Read from one reading of
// the file; XMLR_FILE_ERROR when any group could not be read whole.
int32_t ReadAll(std::vector<Entry>* entries);

// The names of the added modalities with a usable name, each once, in the list's order.
std::vector<std::u16string> AddedModalities();

struct KeyValue {
  int32_t code = 0;  // XMLR_GET_OK, XMLR_GET_NOT_FOUND, XMLR_FILE_ERROR or XMLR_UNKNOWN_KEY
  std::optional<Value> value;
  std::string getter;      // the exported function that read it
  int32_t getterCode = 0;  // what that function answered
};
KeyValue Get(std::string_view key);

// What a result code of the library means: "XMLR_GET_OK (5700: found)".
std::string ResultText(int32_t code);

// ---- Storing ----

struct Change {
  std::string key;
  std::u16string text;
};

struct Refusal {
  std::string key;
  int32_t code;        // XMLR_UNKNOWN_KEY, XMLR_BAD_VALUE or XMLR_SET_FAILED
  std::string reason;  // what the setting takes, or why it cannot be stored
};

struct StoreReport {
  int32_t code = 0;               // XMLR_SET_OK when every group was stored
  std::vector<Refusal> refusals;  // not empty: nothing was written
  std::string function;           // the exported function that answered a failure
  std::vector<Entry> stored;      // each change's value as it went into its record
  // Fields of the groups stored that the file did not hold before: the setters store whole
  // records, so these now hold the records' initial values.
  std::vector<Entry> alsoStored;
};

// The value that a change gives its setting; nothing where the key names no setting that can be
// set or the text does not fit it, and `refusal` then says why. Reads nothing.
std::optional<Value> CheckChange(const Change& change, Refusal* refusal);

// Every key and value is checked first, and nothing is written unless all of them fit. Then,
// holding the writers' lock throughout, each group is read once, given all its changes and
// stored with one call of its setter.
StoreReport Store(const std::vector<Change>& changes);
// The same, then removes the settings of `removals` (keys that the file stores) from the file:
// each element whose every stored setting goes, the highest such one, with everything inside it.
// A setting whose element holds a setting that stays cannot go alone: it is refused before
// anything is written. A list that lost entries is then stored again as its getter reads it, so
// that what it keeps beside its entries (the count of added modalities) agrees with them.
StoreReport Store(const std::vector<Change>& changes, const std::vector<std::string>& removals);

// ---- For the check of a settings file ----

// Sibling leaves that a getter and setter look for one after the other, each only after the one
// found last. The path is below the root; kModalityLevel stands for every modality.
struct ForwardSearch {
  std::vector<std::u16string> path;
  std::vector<std::u16string> leaves;
};
std::vector<ForwardSearch> ForwardSearched();

}  // namespace viewersettings::catalogue
