#include "catalogue/Catalogue.h"

#include <algorithm>
#include <map>
#include <memory>

#include "ViewerSettings.h"
#include "catalogue/Groups.h"
#include "platform/Utf8.h"
#include "settings/dicom/ModalityName.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"

namespace viewersettings::catalogue {
namespace {

using platform::FromUtf8;
using platform::ToUtf8;
using Purpose = LeafTable::Purpose;

constexpr char16_t kValue[] = u"Value";

// ---- Keys ----

// "3" -> "<n>", "Modality3" -> "Modality<n>".
std::string NumberedPattern(const std::u16string& name) {
  size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= u'0' && name[digits - 1] <= u'9') --digits;
  return ToUtf8(name.substr(0, digits)) + std::string(kNumberPlaceholder);
}

// The key of a leaf as GroupDef sets out; with `pattern`, the key of the table.
std::string KeyOf(const GroupDef& def, const std::string& modality, const LeafTable& table,
                  const LeafTable::LeafInfo& leaf, bool pattern) {
  std::string key = def.keyPrefix;
  const size_t name = key.find(kNamePlaceholder);
  if (name != std::string::npos && !pattern) key.replace(name, kNamePlaceholder.size(), modality);
  const std::vector<std::u16string>& path = table.Accesses()[leaf.access].path;
  for (size_t level = def.baseDepth; level < path.size(); ++level) {
    key += ToUtf8(path[level]) + ".";
  }
  std::string segment = ToUtf8(leaf.element);
  if (leaf.entry != LeafTable::kNoEntry) {
    const LeafTable::EntryInfo& entry = table.Entries()[leaf.entry];
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
  std::function<void()> add;  // adds the leaf's entry to the record
};

std::vector<KeyedLeaf> KeyedLeaves(size_t group, const std::u16string& modality,
                                   const LeafTable& table) {
  const GroupDef& def = GroupDefs()[group];
  const std::string name = ToUtf8(modality);
  std::vector<KeyedLeaf> leaves;
  for (const LeafTable::LeafInfo& leaf : table.Leaves()) {
    leaves.push_back(
        {KeyOf(def, name, table, leaf, false), KeyOf(def, name, table, leaf, true), leaf.field,
         leaf.kind, leaf.entry == LeafTable::kNoEntry ? nullptr : table.Entries()[leaf.entry].add});
  }
  return leaves;
}

// Below the root; an element named after its entry's number takes the placeholder.
std::u16string PathOf(const LeafTable& table, const LeafTable::LeafInfo& leaf) {
  const std::vector<std::u16string>& levels = table.Accesses()[leaf.access].path;
  std::u16string path;
  for (size_t level = 1; level < levels.size(); ++level) path += levels[level] + u"/";
  if (leaf.entry != LeafTable::kNoEntry) {
    const LeafTable::EntryInfo& entry = table.Entries()[leaf.entry];
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
    const std::vector<GroupDef>& defs = GroupDefs();
    for (size_t group = 0; group < defs.size(); ++group) {
      const GroupDef& def = defs[group];
      built.groups.push_back({def.getter, def.setter, def.perModality});
      const LeafTable leaves =
          def.make(def.perModality ? kModalityLevel : u"")->Describe(Purpose::kWrite);
      for (const LeafTable::LeafInfo& leaf : leaves.Leaves()) {
        const std::string key = KeyOf(def, "", leaves, leaf, true);
        if (built.byKey.count(key)) continue;  // a key of a group before, or another entry
        built.byKey[key] = built.settings.size();
        const bool listEntry = leaf.entry != LeafTable::kNoEntry;
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

void FillSentinels(Group& group, int which) {
  const LeafTable table = group.Describe(Purpose::kRead);
  for (const LeafTable::LeafInfo& leaf : table.Leaves()) {
    Assign(leaf.field, Sentinel(leaf.kind, which));
  }
}

struct LeafReading {
  std::string key;
  std::string pattern;
  std::optional<Value> value;  // nothing: not stored
};

struct InstanceReading {
  int32_t code = 0;
  bool whole = true;  // both readings agree: no access failed
  std::vector<LeafReading> leaves;
};

// Every leaf of a group's record, stored or not. A getter leaves the fields whose elements are
// missing as they were, so the record is read twice, filled first with one sentinel and then
// with the other: a field that keeps each is not stored. Two readings of one text agree
// otherwise; where they do not, an access failed in one of them (the composite getters answer
// XMLR_GET_NOT_FOUND for any failure, out of memory included), and nothing is told from them.
InstanceReading ReadInstance(size_t group, const std::u16string& modality) {
  const GroupDef& def = GroupDefs()[group];
  InstanceReading reading;
  const std::unique_ptr<Group> first = def.make(modality);
  FillSentinels(*first, 0);
  reading.code = first->Get();
  const std::unique_ptr<Group> second = def.make(modality);
  FillSentinels(*second, 1);
  reading.whole = second->Get() == reading.code;
  std::map<std::string, std::optional<Value>> again;
  for (const KeyedLeaf& leaf : KeyedLeaves(group, modality, second->Describe(Purpose::kRead))) {
    again[leaf.key] = ValueOf(leaf.field);
  }
  for (const KeyedLeaf& leaf : KeyedLeaves(group, modality, first->Describe(Purpose::kRead))) {
    std::optional<Value> value = ValueOf(leaf.field);
    const auto other = again.find(leaf.key);
    const std::optional<Value> otherValue =
        other == again.end() ? std::nullopt : std::move(other->second);
    if (other != again.end()) again.erase(other);
    if (value && otherValue && SameValue(*value, Sentinel(leaf.kind, 0)) &&
        SameValue(*otherValue, Sentinel(leaf.kind, 1))) {
      value.reset();
    } else if (value.has_value() != otherValue.has_value() ||
               (value && !SameValue(*value, *otherValue))) {
      reading.whole = false;
    }
    reading.leaves.push_back({leaf.key, leaf.pattern, std::move(value)});
  }
  reading.whole = reading.whole && again.empty();
  return reading;
}

// ---- Storing ----

// One group's record in a batch of changes.
struct Pending {
  size_t group;
  std::u16string modality;
  std::unique_ptr<Group> record;
};

// Gives the record's field for `key` the value, first adding the field's entry where the list
// does not hold it but can take it (and `mayAdd`): the value as it went in, or nothing where the
// record has no place for it.
std::optional<Value> Apply(Pending& pending, const std::string& key, const Value& value,
                           bool mayAdd) {
  for (bool added = false;; added = true) {
    const std::vector<KeyedLeaf> leaves =
        KeyedLeaves(pending.group, pending.modality, pending.record->Describe(Purpose::kWrite));
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
bool Agrees(const Pending& pending, const InstanceReading& reading) {
  std::map<std::string, const std::optional<Value>*> found;
  for (const LeafReading& leaf : reading.leaves) found[leaf.key] = &leaf.value;
  for (const KeyedLeaf& leaf :
       KeyedLeaves(pending.group, pending.modality, pending.record->Describe(Purpose::kRead))) {
    const auto stored = found.find(leaf.key);
    if (stored == found.end() || !*stored->second) continue;
    const std::optional<Value> value = ValueOf(leaf.field);
    if (!value || !SameValue(*value, **stored->second)) return false;
  }
  return true;
}

// The values of a group that it did not hold before the changes and now holds.
void NewlyStored(const Pending& pending, const InstanceReading& before,
                 const std::vector<Change>& changes, std::vector<Entry>& to) {
  std::map<std::string, bool> wasStored;
  for (const LeafReading& leaf : before.leaves) wasStored[leaf.key] = leaf.value.has_value();
  for (const KeyedLeaf& leaf :
       KeyedLeaves(pending.group, pending.modality, pending.record->Describe(Purpose::kRead))) {
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
  std::optional<store::DecodedText> read = store::ReadSettingsText(path);
  if (!read) return XMLR_FILE_ERROR;
  store::InMemorySettingsFile file(path, std::move(read->text));
  body();
  return XMLR_GET_OK;
}

Reading ReadGroup(size_t group, const std::u16string& modality) {
  InstanceReading read = ReadInstance(group, modality);
  if (!read.whole) return {XMLR_FILE_ERROR, {}};
  Reading reading{read.code, {}};
  for (LeafReading& leaf : read.leaves) {
    if (OwnerOf(leaf.pattern) == group)
      reading.entries.push_back({leaf.key, std::move(leaf.value)});
  }
  return reading;
}

int32_t ReadAll(std::vector<Entry>* entries) {
  bool whole = true;
  const int32_t read = WithOneReading([&] {
    const std::vector<GroupDef>& defs = GroupDefs();
    // The names of the added modalities, each once, from the list's own reading.
    std::vector<std::u16string> names;
    for (size_t group = 0; group < defs.size(); ++group) {
      if (!defs[group].perModality) {
        Reading reading = ReadGroup(group, u"");
        whole = whole && reading.code != XMLR_FILE_ERROR;
        for (Entry& entry : reading.entries) {
          if (!entry.value) continue;
          const auto* name = std::get_if<std::u16string>(&*entry.value);
          if (defs[group].listsModalities && dicom::IsUsableModalityName(*name) &&
              std::find(names.begin(), names.end(), *name) == names.end()) {
            names.push_back(*name);
          }
          entries->push_back(std::move(entry));
        }
        continue;
      }
      if (group > 0 && defs[group - 1].perModality) continue;
      // The per-modality groups, each modality's in a row.
      for (const std::u16string& name : names) {
        for (size_t each = group; each < defs.size() && defs[each].perModality; ++each) {
          Reading reading = ReadGroup(each, name);
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

KeyReading Get(std::string_view key) {
  KeyReading result;
  const std::optional<KeyMatch> match = MatchKey(key);
  if (!match) {
    result.code = XMLR_UNKNOWN_KEY;
    return result;
  }
  const size_t group = Settings()[match->setting].group;
  result.getter = GroupDefs()[group].getter;
  Reading reading;
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
    const InstanceReading before = ReadInstance(group.group, group.modality);
    group.record = GroupDefs()[group.group].make(group.modality);
    if (!before.whole || group.record->Get() == XMLR_FILE_ERROR || !Agrees(group, before)) {
      return GroupDefs()[group.group].getter;
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
                    GroupDefs()[setting.group].getter + " reads it)"};
    return std::nullopt;
  }
  if (!value) *refusal = {change.key, XMLR_BAD_VALUE, "it takes " + Describe(setting.kind)};
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
    report.function = GroupDefs()[pending.front().group].setter;
    return report;
  }
  std::optional<std::string> failedGetter;
  const int32_t read = WithOneReading(
      [&] { failedGetter = ReadAndChange(pending, changes, checked, owner, report); });
  if (read != XMLR_GET_OK || failedGetter) {
    StoreReport failure;
    failure.code = read != XMLR_GET_OK ? XMLR_FILE_ERROR : XMLR_SET_FAILED;
    failure.function = failedGetter.value_or(GroupDefs()[pending.front().group].getter);
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
      report.function = GroupDefs()[group.group].setter;
      return report;
    }
  }
  report.code = XMLR_SET_OK;
  return report;
}

std::vector<ForwardSearch> ForwardSearched() {
  std::vector<ForwardSearch> searches;
  for (const GroupDef& def : GroupDefs()) {
    const LeafTable table =
        def.make(def.perModality ? kModalityLevel : u"")->Describe(Purpose::kRead);
    for (size_t access = 0; access < table.Accesses().size(); ++access) {
      const LeafTable::AccessInfo& info = table.Accesses()[access];
      if (info.search != store::Search::kForward || info.list) continue;
      ForwardSearch search{{info.path.begin() + 1, info.path.end()}, {}};
      for (const LeafTable::LeafInfo& leaf : table.Leaves()) {
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
