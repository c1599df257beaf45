#include "catalogue/Catalogue.h"

#include <algorithm>
#include <map>
#include <memory>

#include "ViewerSettings.h"
#include "settings/Group.h"
#include "settings/dicom/ModalityName.h"
#include "store/Access.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"
#include "store/WriterLock.h"
#include "text/Utf8.h"

namespace viewersettings::catalogue {
namespace {

using settings::GroupEntry;
using settings::GroupRecord;
using store::LeafRecorder;
using text::FromUtf8;
using text::ToUtf8;
using Purpose = LeafRecorder::Purpose;

constexpr char16_t kValue[] = u"Value";

// ---- Keys ----

// "3" -> "<n>", "Modality3" -> "Modality<n>".
std::string NumberedPattern(const std::u16string& name) {
  size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= u'0' && name[digits - 1] <= u'9') --digits;
  return ToUtf8(name.substr(0, digits)) + std::string(kNumberPlaceholder);
}

// The key of a leaf as GroupEntry sets out; with `pattern`, the key of the table.
std::string KeyOf(const GroupEntry& def, const std::string& modality, const LeafRecorder& table,
                  const LeafRecorder::LeafInfo& leaf, bool pattern) {
  std::string key = def.keyPrefix;
  const size_t name = key.find(kNamePlaceholder);
  if (name != std::string::npos && !pattern) key.replace(name, kNamePlaceholder.size(), modality);
  const std::vector<std::u16string>& path = table.Accesses()[leaf.access].path;
  for (size_t level = def.keyFromLevel; level < path.size(); ++level) {
    key += ToUtf8(path[level]) + ".";
  }
  std::string segment = ToUtf8(leaf.element);
  if (leaf.entry != LeafRecorder::kNoEntry) {
    const LeafRecorder::EntryInfo& entry = table.Entries()[leaf.entry];
    segment = pattern && entry.numbered ? NumberedPattern(entry.name) : ToUtf8(entry.name);
  } else {
    for (const auto& [element, renamed] : def.renamed) {
      if (element == leaf.element) segment = renamed;
    }
  }
  key += segment;
  if (leaf.attribute != kValue) key += (segment.empty() ? "" : ".") + ToUtf8(leaf.attribute);
  return key;
}

struct KeyedLeaf {
  std::string key;
  std::string pattern;
  FieldRef field;
  FieldRef kind;
  bool listEntry;
  std::function<void()> add;  // adds the leaf's entry to the record
};

std::vector<KeyedLeaf> KeyedLeaves(size_t group, const std::u16string& modality,
                                   const LeafRecorder& table) {
  const GroupEntry& def = settings::Groups()[group];
  const std::string name = ToUtf8(modality);
  std::vector<KeyedLeaf> leaves;
  for (const LeafRecorder::LeafInfo& leaf : table.Leaves()) {
    leaves.push_back(
        {KeyOf(def, name, table, leaf, false), KeyOf(def, name, table, leaf, true), leaf.field,
         leaf.kind, leaf.entry != LeafRecorder::kNoEntry,
         leaf.entry == LeafRecorder::kNoEntry ? nullptr : table.Entries()[leaf.entry].add});
  }
  return leaves;
}

// Below the root; an element named after its entry's number takes the placeholder.
std::u16string PathOf(const LeafRecorder& table, const LeafRecorder::LeafInfo& leaf) {
  const std::vector<std::u16string>& levels = table.Accesses()[leaf.access].path;
  std::u16string path;
  for (size_t level = 1; level < levels.size(); ++level) path += levels[level] + u"/";
  if (leaf.entry != LeafRecorder::kNoEntry) {
    const LeafRecorder::EntryInfo& entry = table.Entries()[leaf.entry];
    if (entry.numbered && entry.name == leaf.element) {
      return path + FromUtf8(NumberedPattern(entry.name));
    }
  }
  return path + leaf.element;
}

struct Table {
  std::vector<GroupInfo> groups;
  std::vector<Setting> settings;
  std::map<std::string, size_t> byKey;
};

const Table& TheTable() {
  static const Table table = [] {
    Table built;
    const std::vector<GroupEntry>& defs = settings::Groups();
    for (size_t group = 0; group < defs.size(); ++group) {
      const GroupEntry& def = defs[group];
      built.groups.push_back({def.getter, def.setter, def.perModality, def.listsModalities,
                              def.section, def.sectionTitle, def.sectionNote});
      const LeafRecorder leaves =
          def.make(def.perModality ? kModalityLevel : u"")->RecordLeaves(Purpose::kWrite);
      for (const LeafRecorder::LeafInfo& leaf : leaves.Leaves()) {
        const std::string key = KeyOf(def, "", leaves, leaf, true);
        if (built.byKey.count(key)) continue;  // a key of a group before, or another entry
        built.byKey[key] = built.settings.size();
        const bool listEntry = leaf.entry != LeafRecorder::kNoEntry;
        built.settings.push_back({key, group, leaf.kind, !def.setter.empty(), listEntry,
                                  PathOf(leaves, leaf), leaf.attribute,
                                  listEntry ? leaves.Entries()[leaf.entry].keyAttribute : u""});
      }
    }
    return built;
  }();
  return table;
}

size_t OwnerOf(const std::string& pattern) {
  return TheTable().settings[TheTable().byKey.at(pattern)].group;
}

// One placeholder at most: "<name>" takes any text, "<n>" a number in its shortest decimal form.
bool MatchPattern(std::string_view pattern, std::string_view key, std::string* name,
                  int64_t* number) {
  const size_t open = pattern.find('<');
  if (open == std::string_view::npos) return pattern == key;
  const std::string_view rest = pattern.substr(open);
  const bool isName = rest.substr(0, kNamePlaceholder.size()) == kNamePlaceholder;
  const bool isNumber = rest.substr(0, kNumberPlaceholder.size()) == kNumberPlaceholder;
  if (!isName && !isNumber) return false;
  const std::string_view head = pattern.substr(0, open);
  const std::string_view tail =
      rest.substr(isName ? kNamePlaceholder.size() : kNumberPlaceholder.size());
  if (key.size() <= head.size() + tail.size() || key.substr(0, head.size()) != head ||
      key.substr(key.size() - tail.size()) != tail) {
    return false;
  }
  const std::string_view middle = key.substr(head.size(), key.size() - head.size() - tail.size());
  if (isName) {
    *name = middle;
    return true;
  }
  if (middle.size() > 9 || (middle.size() > 1 && middle.front() == '0') ||
      !std::all_of(middle.begin(), middle.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  *number = std::stoll(std::string(middle));
  return true;
}

// ---- Reading ----

struct LeafValue {
  std::string key;
  std::string pattern;
  std::optional<Value> value;  // nothing: not stored
};

struct RecordValues {
  int32_t code = 0;
  bool whole = true;  // no access failed
  std::vector<LeafValue> leaves;
};

// Every leaf of a group's record, stored or not, from one reading: the readers log the fields
// they take from an element of the document, and a leaf is stored when its field is among them,
// or, within a list, when the record holds its entry (the getters put only the entries they
// found). A getter that met a failed access (the composite ones answer XMLR_GET_NOT_FOUND for
// any failure, out of memory included) tells nothing whole.
RecordValues ReadInstance(size_t group, const std::u16string& modality) {
  RecordValues reading;
  const std::unique_ptr<GroupRecord> record = settings::Groups()[group].make(modality);
  store::ReadLog log;
  reading.code = record->Get();
  reading.whole = !log.AccessFailed();
  const LeafRecorder leaves = record->RecordLeaves(Purpose::kRead);
  for (const KeyedLeaf& leaf : KeyedLeaves(group, modality, leaves)) {
    std::optional<Value> value = ValueOf(leaf.field);
    if (!leaf.listEntry && !log.Read(store::AddressOf(leaf.field))) value.reset();
    reading.leaves.push_back({leaf.key, leaf.pattern, std::move(value)});
  }
  return reading;
}

// ---- Storing ----

// One group's record in a batch of changes.
struct Pending {
  size_t group;
  std::u16string modality;
  std::unique_ptr<GroupRecord> record;
};

// Gives the record's field for `key` the value, first adding the field's entry where the list
// does not hold it but can take it (and `mayAdd`): the value as it went in, or nothing where the
// record has no place for it.
std::optional<Value> Apply(Pending& pending, const std::string& key, const Value& value,
                           bool mayAdd) {
  for (bool added = false;; added = true) {
    const std::vector<KeyedLeaf> leaves =
        KeyedLeaves(pending.group, pending.modality, pending.record->RecordLeaves(Purpose::kWrite));
    const auto leaf = std::find_if(leaves.begin(), leaves.end(),
                                   [&](const KeyedLeaf& each) { return each.key == key; });
    if (leaf == leaves.end()) return std::nullopt;
    if (!std::holds_alternative<std::monostate>(leaf->field)) {
      Assign(leaf->field, value);
      return ValueOf(leaf->field);
    }
    if (added || !mayAdd || !leaf->add) return std::nullopt;
    leaf->add();
  }
}

// The record read for storing holds what the readings found stored.
bool Agrees(const Pending& pending, const RecordValues& reading) {
  std::map<std::string, const std::optional<Value>*> found;
  for (const LeafValue& leaf : reading.leaves) found[leaf.key] = &leaf.value;
  for (const KeyedLeaf& leaf :
       KeyedLeaves(pending.group, pending.modality, pending.record->RecordLeaves(Purpose::kRead))) {
    const auto stored = found.find(leaf.key);
    if (stored == found.end() || !*stored->second) continue;
    const std::optional<Value> value = ValueOf(leaf.field);
    if (!value || !SameValue(*value, **stored->second)) return false;
  }
  return true;
}

// The values of a group that it did not hold before the changes and now holds.
void NewlyStored(const Pending& pending, const RecordValues& before,
                 const std::vector<Change>& changes, std::vector<Entry>& to) {
  std::map<std::string, bool> wasStored;
  for (const LeafValue& leaf : before.leaves) wasStored[leaf.key] = leaf.value.has_value();
  for (const KeyedLeaf& leaf :
       KeyedLeaves(pending.group, pending.modality, pending.record->RecordLeaves(Purpose::kRead))) {
    const bool changed = std::any_of(changes.begin(), changes.end(),
                                     [&](const Change& change) { return change.key == leaf.key; });
    const auto value = ValueOf(leaf.field);
    if (value && !changed && !wasStored[leaf.key]) to.push_back({leaf.key, value});
  }
}

}  // namespace

const std::vector<GroupInfo>& Groups() {
  return TheTable().groups;
}

const std::vector<Setting>& Settings() {
  return TheTable().settings;
}

std::optional<KeyMatch> MatchKey(std::string_view key) {
  const std::vector<Setting>& settings = Settings();
  for (size_t index = 0; index < settings.size(); ++index) {
    std::string name;
    KeyMatch match{index, u"", -1};
    if (!MatchPattern(settings[index].key, key, &name, &match.number)) continue;
    if (!Groups()[settings[index].group].perModality) return match;
    match.modality = FromUtf8(name);
    if (ToUtf8(match.modality) == name && dicom::IsUsableModalityName(match.modality)) {
      return match;
    }
  }
  return std::nullopt;
}

int32_t WithOneReading(store::FunctionRef<void()> body) {
  store::CallScope call;
  const std::u16string path = store::GetSettingsFilePath();
  std::optional<text::DecodedText> read = store::ReadSettingsText(path);
  if (!read) return XMLR_FILE_ERROR;
  store::InMemorySettingsFile file(path, std::move(read->text));
  body();
  return XMLR_GET_OK;
}

GroupValues ReadGroup(size_t group, const std::u16string& modality) {
  RecordValues read = ReadInstance(group, modality);
  if (!read.whole) return {XMLR_FILE_ERROR, {}};
  GroupValues reading{read.code, {}};
  for (LeafValue& leaf : read.leaves) {
    if (OwnerOf(leaf.pattern) == group)
      reading.entries.push_back({leaf.key, std::move(leaf.value)});
  }
  return reading;
}

namespace {

// The names of the added modalities that a reading of the list holds.
std::vector<std::u16string> ModalitiesOf(const GroupValues& list) {
  std::vector<std::u16string> names;
  for (const Entry& entry : list.entries) {
    if (!entry.value) continue;
    const auto& name = std::get<std::u16string>(*entry.value);
    if (dicom::IsUsableModalityName(name) &&
        std::find(names.begin(), names.end(), name) == names.end()) {
      names.push_back(name);
    }
  }
  return names;
}

size_t ModalityListGroup() {
  const std::vector<GroupEntry>& groups = settings::Groups();
  return static_cast<size_t>(
      std::find_if(groups.begin(), groups.end(),
                   [](const GroupEntry& group) { return group.listsModalities; }) -
      groups.begin());
}

}  // namespace

std::vector<std::u16string> AddedModalities() {
  return ModalitiesOf(ReadGroup(ModalityListGroup()));
}

int32_t ReadAll(std::vector<Entry>* entries) {
  bool whole = true;
  const int32_t read = WithOneReading([&] {
    const std::vector<GroupEntry>& defs = settings::Groups();
    std::vector<std::u16string> names;
    for (size_t group = 0; group < defs.size(); ++group) {
      if (!defs[group].perModality) {
        GroupValues reading = ReadGroup(group, u"");
        whole = whole && reading.code != XMLR_FILE_ERROR;
        if (defs[group].listsModalities) names = ModalitiesOf(reading);
        for (Entry& entry : reading.entries) {
          if (entry.value) entries->push_back(std::move(entry));
        }
        continue;
      }
      if (group > 0 && defs[group - 1].perModality) continue;
      // The per-modality groups, each modality's in a row.
      for (const std::u16string& name : names) {
        for (size_t each = group; each < defs.size() && defs[each].perModality; ++each) {
          GroupValues reading = ReadGroup(each, name);
          whole = whole && reading.code != XMLR_FILE_ERROR;
          for (Entry& entry : reading.entries) {
            if (entry.value) entries->push_back(std::move(entry));
          }
        }
      }
    }
  });
  return whole ? read : XMLR_FILE_ERROR;
}

std::string ResultText(int32_t code) {
  struct Known {
    int32_t code;
    const char* name;
    const char* meaning;
  };
  static constexpr Known kCodes[] = {
      {XMLR_GET_OK, "XMLR_GET_OK", "found"},
      {XMLR_GET_NOT_FOUND, "XMLR_GET_NOT_FOUND", "an element was missing"},
      {XMLR_SET_OK, "XMLR_SET_OK", "stored and written"},
      {XMLR_SET_FAILED, "XMLR_SET_FAILED", "a value or the file was not written"},
      {XMLR_FILE_ERROR, "XMLR_FILE_ERROR", "the settings file can be neither read nor created"},
      {XMLR_UNKNOWN_KEY, "XMLR_UNKNOWN_KEY", "no setting has this key"},
      {XMLR_BAD_VALUE, "XMLR_BAD_VALUE", "the text does not fit the setting"}};
  for (const Known& known : kCodes) {
    if (known.code == code) {
      return std::string(known.name) + " (" + std::to_string(code) + ": " + known.meaning + ")";
    }
  }
  return "result " + std::to_string(code);
}

KeyValue Get(std::string_view key) {
  KeyValue result;
  const std::optional<KeyMatch> match = MatchKey(key);
  if (!match) {
    result.code = XMLR_UNKNOWN_KEY;
    return result;
  }
  const size_t group = Settings()[match->setting].group;
  result.getter = settings::Groups()[group].getter;
  GroupValues reading;
  if (WithOneReading([&] { reading = ReadGroup(group, match->modality); }) != XMLR_GET_OK ||
      reading.code == XMLR_FILE_ERROR) {
    result.code = result.getterCode = XMLR_FILE_ERROR;
    return result;
  }
  result.getterCode = reading.code;
  result.code = XMLR_GET_NOT_FOUND;
  for (Entry& entry : reading.entries) {
    if (entry.key == key && entry.value) {
      result.code = XMLR_GET_OK;
      result.value = std::move(entry.value);
    }
  }
  return result;
}

namespace {

// A change whose key and value fit.
struct Checked {
  KeyMatch match;
  Value value;
};

// Every key and value against the table, before anything is read.
std::vector<Checked> CheckChanges(const std::vector<Change>& changes,
                                  std::vector<Refusal>& refusals) {
  std::vector<Checked> checked;
  for (const Change& change : changes) {
    Refusal refusal;
    std::optional<Value> value = CheckChange(change, &refusal);
    if (value) {
      checked.push_back({*MatchKey(change.key), std::move(*value)});
    } else {
      refusals.push_back(std::move(refusal));
    }
  }
  return checked;
}

// Reads each group's record and gives it its changes, and those of other groups whose leaves it
// holds as well, so that no setter stores a value from before. Entries of a list are added in
// number order, so that the next one is always the one after the last. The name of the getter
// whose reading failed, or nothing.
std::optional<std::string> ReadAndChange(std::vector<Pending>& pending,
                                         const std::vector<Change>& changes,
                                         const std::vector<Checked>& checked,
                                         const std::vector<size_t>& owner, StoreReport& report) {
  // (std::stable_sort would go on without its buffer when that cannot be had.)
  std::vector<size_t> order(changes.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return std::make_pair(checked[a].match.number, a) < std::make_pair(checked[b].match.number, b);
  });
  std::vector<std::optional<Value>> stored(changes.size());
  for (size_t p = 0; p < pending.size(); ++p) {
    Pending& group = pending[p];
    const RecordValues before = ReadInstance(group.group, group.modality);
    group.record = settings::Groups()[group.group].make(group.modality);
    if (!before.whole || group.record->Get() == XMLR_FILE_ERROR || !Agrees(group, before)) {
      return settings::Groups()[group.group].getter;
    }
    for (const size_t i : order) {
      std::optional<Value> value = Apply(group, changes[i].key, checked[i].value, owner[i] == p);
      if (owner[i] != p) continue;
      if (!value) {
        report.refusals.push_back(
            {changes[i].key, XMLR_SET_FAILED,
             "the list holds no such entry, and only the one after its last entry can be added"});
      }
      stored[i] = std::move(value);
    }
    NewlyStored(group, before, changes, report.alsoStored);
  }
  for (size_t i = 0; i < changes.size(); ++i) report.stored.push_back({changes[i].key, stored[i]});
  return std::nullopt;
}

}  // namespace

std::optional<Value> CheckChange(const Change& change, Refusal* refusal) {
  const std::optional<KeyMatch> match = MatchKey(change.key);
  if (!match) {
    *refusal = {change.key, XMLR_UNKNOWN_KEY, "no setting has this key"};
    return std::nullopt;
  }
  const Setting& setting = Settings()[match->setting];
  std::optional<Value> value = Parse(setting.kind, change.text);
  if (!setting.settable) {
    *refusal = {change.key, XMLR_SET_FAILED,
                "it is read only: the library has no setter for it (" +
                    settings::Groups()[setting.group].getter + " reads it)"};
    return std::nullopt;
  }
  if (!value) *refusal = {change.key, XMLR_BAD_VALUE, "it takes " + WhatItTakes(setting.kind)};
  return value;
}

StoreReport Store(const std::vector<Change>& changes) {
  StoreReport report;
  const std::vector<Checked> checked = CheckChanges(changes, report.refusals);
  if (!report.refusals.empty() || changes.empty()) {
    report.code = report.refusals.empty() ? XMLR_SET_OK : report.refusals.front().code;
    return report;
  }
  // The groups in the order of their first change.
  std::vector<Pending> pending;
  std::vector<size_t> owner(changes.size());
  for (size_t i = 0; i < changes.size(); ++i) {
    const size_t group = Settings()[checked[i].match.setting].group;
    const auto known = std::find_if(pending.begin(), pending.end(), [&](const Pending& each) {
      return each.group == group && each.modality == checked[i].match.modality;
    });
    owner[i] = static_cast<size_t>(known - pending.begin());
    if (known == pending.end()) pending.push_back({group, checked[i].match.modality, nullptr});
  }

  // The lock that each setter takes (see store::Set), held from the first reading to the last
  // write-back.
  store::CallScope call;
  store::WriterLock lock(store::WritersDirectoryOf(store::GetSettingsFilePath()));
  if (!lock.Held()) {
    report.code = XMLR_FILE_ERROR;
    report.function = settings::Groups()[pending.front().group].setter;
    return report;
  }
  std::optional<std::string> failedGetter;
  const int32_t read = WithOneReading(
      [&] { failedGetter = ReadAndChange(pending, changes, checked, owner, report); });
  if (read != XMLR_GET_OK || failedGetter) {
    StoreReport failure;
    failure.code = read != XMLR_GET_OK ? XMLR_FILE_ERROR : XMLR_SET_FAILED;
    failure.function = failedGetter.value_or(settings::Groups()[pending.front().group].getter);
    return failure;
  }
  if (!report.refusals.empty()) {
    report.code = report.refusals.front().code;
    report.stored.clear();
    report.alsoStored.clear();
    return report;
  }
  for (const Pending& group : pending) {
    const int32_t result = group.record->Set();
    if (result != XMLR_SET_OK) {
      report.code = result;
      report.function = settings::Groups()[group.group].setter;
      return report;
    }
  }
  report.code = XMLR_SET_OK;
  return report;
}

std::vector<ForwardSearch> ForwardSearched() {
  std::vector<ForwardSearch> searches;
  for (const GroupEntry& def : settings::Groups()) {
    const LeafRecorder table =
        def.make(def.perModality ? kModalityLevel : u"")->RecordLeaves(Purpose::kRead);
    for (size_t access = 0; access < table.Accesses().size(); ++access) {
      const LeafRecorder::AccessInfo& info = table.Accesses()[access];
      if (info.search != store::Search::kForward || info.list) continue;
      ForwardSearch search{{info.path.begin() + 1, info.path.end()}, {}};
      for (const LeafRecorder::LeafInfo& leaf : table.Leaves()) {
        if (leaf.access == access &&
            (search.leaves.empty() || search.leaves.back() != leaf.element)) {
          search.leaves.push_back(leaf.element);
        }
      }
      if (search.leaves.size() >= 2) searches.push_back(std::move(search));
    }
  }
  return searches;
}

}  // namespace viewersettings::catalogue
