#include "tools/viewer-settings/ImportPlan.h"

#include <algorithm>
#include <set>

#include "ViewerSettings.h"
#include "text/Utf8.h"
#include "tools/viewer-settings/ValueText.h"

namespace viewersettings::cli {
namespace {

using catalogue::Value;
using text::ToUtf8;

bool SameStored(const Value& a, const Value& b) {
  return catalogue::TextOf(a) == catalogue::TextOf(b);
}

// Where an entry of a list lies: the list (its group and the element holding its entries) and
// the entry in it (its element, and its number where entries are numbered).
struct ListPlace {
  std::string list;
  std::string entry;
  int64_t number;  // of a numbered entry, else -1
};

std::optional<ListPlace> ListPlaceOf(const std::string& key) {
  const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(key);
  if (!match) return std::nullopt;
  const catalogue::Setting& setting = catalogue::Settings()[match->setting];
  if (!setting.listEntry) return std::nullopt;
  const std::string path = ToUtf8(setting.path);
  const std::string list = std::to_string(setting.group) + "/" + path.substr(0, path.rfind('/'));
  return ListPlace{list, list + "|" + path + "|" + std::to_string(match->number), match->number};
}

}  // namespace

void StoredSettings::Add(const std::string& key, Value value) {
  if (values.emplace(key, std::move(value)).second) keys.push_back(key);
}

const Value* StoredSettings::Find(const std::string& key) const {
  const auto found = values.find(key);
  return found == values.end() ? nullptr : &found->second;
}

int32_t ReadStored(const Exclusions& excluded, StoredSettings* settings) {
  std::vector<catalogue::Entry> entries;
  const int32_t code = catalogue::ReadAll(&entries);
  for (catalogue::Entry& entry : entries) {
    const std::optional<catalogue::KeyMatch> match = catalogue::MatchKey(entry.key);
    if (match && catalogue::Settings()[match->setting].settable && !excluded.Excludes(entry.key)) {
      settings->Add(entry.key, std::move(*entry.value));
    }
  }
  return code;
}

Plan PlanChanges(const TypedSettings& wanted, const StoredSettings& stored,
                 const PlanOptions& options) {
  Plan plan;
  StoredSettings after;
  for (const auto& [key, text] : wanted) {
    const std::optional<std::u16string> units = FromUtf8Exactly(text);
    catalogue::Refusal refusal{key, XMLR_BAD_VALUE, "it is not UTF-8 text"};
    const std::optional<Value> value =
        units ? catalogue::CheckChange({key, *units}, &refusal) : std::nullopt;
    if (!value) {
      plan.refusals.push_back(std::move(refusal));
      continue;
    }
    after.keys.erase(std::remove(after.keys.begin(), after.keys.end(), key), after.keys.end());
    after.values.erase(key);
    after.Add(key, *value);
  }
  if (!plan.refusals.empty()) return plan;
  // A list is taken whole where its entries are given as an export holds them: numbered ones
  // from 0 on without a gap. Entries given otherwise are set one by one, as set sets them.
  std::map<std::string, std::set<int64_t>> numbers;
  for (const std::string& key : after.keys) {
    const std::optional<ListPlace> place = ListPlaceOf(key);
    if (place && place->number >= 0) numbers[place->list].insert(place->number);
  }
  const auto whole = [&](const std::string& list) {
    const auto given = numbers.find(list);
    if (given == numbers.end()) return true;
    return *given->second.rbegin() + 1 == static_cast<int64_t>(given->second.size());
  };

  for (const std::string& key : after.keys) {
    const Value& value = after.values.at(key);
    const Value* before = stored.Find(key);
    if (before && SameStored(*before, value)) continue;
    plan.changes.push_back({key, before ? std::optional<Value>(*before) : std::nullopt, value});
  }

  std::set<std::string> listsMentioned;
  std::set<std::string> entriesMentioned;
  for (const std::string& key : after.keys) {
    if (const std::optional<ListPlace> place = ListPlaceOf(key); place && whole(place->list)) {
      listsMentioned.insert(place->list);
      entriesMentioned.insert(place->entry);
    }
  }
  for (const std::string& key : stored.keys) {
    if (after.Find(key)) continue;
    bool goes = options.replace;
    if (const std::optional<ListPlace> place = ListPlaceOf(key); place && options.listsWhole) {
      goes = goes || (listsMentioned.count(place->list) && !entriesMentioned.count(place->entry));
    }
    if (goes) plan.changes.push_back({key, stored.values.at(key), std::nullopt});
  }
  return plan;
}

}  // namespace viewersettings::cli
