#include "catalogue/Removal.h"

#include <algorithm>
#include <set>

#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"
#include "store/WriterLock.h"
#include "text/Utf8.h"
#include "text/WideConvert.h"

namespace viewersettings::catalogue {
namespace {

using store::ElementToRemove;

const std::u16string kNumber = text::FromUtf8(kNumberPlaceholder);

bool Same(const ElementToRemove& a, const ElementToRemove& b) {
  return a.path == b.path && a.keyAttribute == b.keyAttribute && a.keyText == b.keyText;
}

// `inner` is `outer` or lies inside it.
bool Within(const ElementToRemove& inner, const ElementToRemove& outer) {
  if (!outer.keyAttribute.empty()) return Same(inner, outer);
  return inner.path.size() >= outer.path.size() &&
         std::equal(outer.path.begin(), outer.path.end(), inner.path.begin()) &&
         (inner.path.size() > outer.path.size() || inner.keyAttribute.empty());
}

std::string Named(const ElementToRemove& element) {
  std::u16string path;
  for (const std::u16string& level : element.path) path += (path.empty() ? u"" : u"/") + level;
  if (!element.keyAttribute.empty()) {
    path += u"[@" + element.keyAttribute + u"=" + element.keyText + u"]";
  }
  return text::ToUtf8(path);
}

}  // namespace

std::optional<ElementToRemove> ElementOf(std::string_view key) {
  const std::optional<KeyMatch> match = MatchKey(key);
  if (!match) return std::nullopt;
  const Setting& setting = Settings()[match->setting];
  const std::u16string number =
      match->number >= 0 ? text::FormatDecimal(match->number) : std::u16string();
  ElementToRemove element;
  bool numberInPath = false;
  for (size_t from = 0; from <= setting.path.size();) {
    const size_t slash = std::min(setting.path.find(u'/', from), setting.path.size());
    std::u16string level = setting.path.substr(from, slash - from);
    if (level == kModalityLevel) level = match->modality;
    if (const size_t at = level.find(kNumber); at != std::u16string::npos) {
      level.replace(at, kNumber.size(), number);
      numberInPath = true;
    }
    element.path.push_back(std::move(level));
    from = slash + 1;
  }
  if (match->number >= 0 && !numberInPath) {
    if (setting.entryAttribute.empty()) return std::nullopt;
    element.keyAttribute = setting.entryAttribute;
    element.keyText = number;
  }
  return element;
}

RemovalPlan PlanRemoval(const std::vector<std::string>& stored,
                        const std::vector<std::string>& removals) {
  RemovalPlan plan;
  const std::set<std::string> going(removals.begin(), removals.end());
  std::vector<std::pair<std::string, ElementToRemove>> placed;
  for (const std::string& key : stored) {
    if (std::optional<ElementToRemove> element = ElementOf(key)) {
      placed.emplace_back(key, std::move(*element));
    }
  }
  // An element may go when every stored setting inside it goes.
  const auto mayGo = [&](const ElementToRemove& candidate, std::string* staying) {
    for (const auto& [key, element] : placed) {
      if (Within(element, candidate) && !going.count(key)) {
        *staying = key;
        return false;
      }
    }
    return true;
  };
  for (const std::string& key : removals) {
    const std::optional<ElementToRemove> own = ElementOf(key);
    std::string staying;
    if (!own || !mayGo(*own, &staying)) {
      plan.refusals.push_back({key, XMLR_SET_FAILED,
                               own ? "it cannot be removed alone: its element " + Named(*own) +
                                         " also holds " + staying + ", which stays"
                                   : "no element of the file holds it alone"});
      continue;
    }
    // The highest element that may go: an ancestor whose settings all go takes this one along.
    ElementToRemove highest = *own;
    for (size_t depth = 1; depth < own->path.size(); ++depth) {
      const ElementToRemove ancestor{{own->path.begin(), own->path.begin() + depth}};
      if (mayGo(ancestor, &staying)) {
        highest = ancestor;
        break;
      }
    }
    const bool covered =
        std::any_of(plan.elements.begin(), plan.elements.end(),
                    [&](const ElementToRemove& chosen) { return Within(highest, chosen); });
    if (covered) continue;
    plan.elements.erase(
        std::remove_if(plan.elements.begin(), plan.elements.end(),
                       [&](const ElementToRemove& chosen) { return Within(chosen, highest); }),
        plan.elements.end());
    plan.elements.push_back(std::move(highest));
  }
  return plan;
}

}  // namespace viewersettings::catalogue

namespace viewersettings::catalogue {

StoreReport Store(const std::vector<Change>& changes, const std::vector<std::string>& removals) {
  if (removals.empty()) return Store(changes);
  StoreReport report;
  // Held, as each setter takes it, from the first reading to the lists' last write-back.
  store::CallScope call;
  store::WriterLock lock(store::WritersDirectoryOf(store::GetSettingsFilePath()));
  std::vector<Entry> entries;
  if (!lock.Held() || ReadAll(&entries) != XMLR_GET_OK) {
    report.code = XMLR_FILE_ERROR;
    report.function = Groups().front().getter;
    return report;
  }
  std::vector<std::string> stored;
  for (const Entry& entry : entries) {
    const std::optional<KeyMatch> match = MatchKey(entry.key);
    if (match && Settings()[match->setting].settable) stored.push_back(entry.key);
  }
  RemovalPlan plan = PlanRemoval(stored, removals);
  if (!plan.refusals.empty()) {
    report.refusals = std::move(plan.refusals);
    report.code = report.refusals.front().code;
    return report;
  }
  report = Store(changes);
  if (report.code != XMLR_SET_OK) return report;
  const int32_t removed = store::RemoveElements(plan.elements);
  if (removed != XMLR_SET_OK) {
    report.code = removed;
    report.function = "the removal of settings";
    return report;
  }
  // A list that lost entries is stored again as its getter now reads it, so that what the list
  // keeps beside its entries (the count of added modalities) agrees with them. Groups that hold
  // fields the file does not store are left alone: their setter would add those.
  std::vector<std::pair<size_t, std::u16string>> lists;
  for (const std::string& key : removals) {
    const std::optional<KeyMatch> match = MatchKey(key);
    const std::pair<size_t, std::u16string> list{Settings()[match->setting].group, match->modality};
    if (Settings()[match->setting].listEntry &&
        std::find(lists.begin(), lists.end(), list) == lists.end()) {
      lists.push_back(list);
    }
  }
  for (const auto& [group, modality] : lists) {
    int32_t result = XMLR_SET_OK;
    const int32_t read = WithOneReading([&, group = group, &modality = modality] {
      const GroupValues reading = ReadGroup(group, modality);
      if (reading.code == XMLR_FILE_ERROR) result = XMLR_FILE_ERROR;
      if (std::any_of(reading.entries.begin(), reading.entries.end(),
                      [](const Entry& entry) { return !entry.value; })) {
        result = XMLR_GET_NOT_FOUND;
      }
    });
    if (read != XMLR_GET_OK || result == XMLR_FILE_ERROR) {
      report.code = XMLR_FILE_ERROR;
      report.function = Groups()[group].getter;
      return report;
    }
    if (result != XMLR_SET_OK) continue;
    const std::unique_ptr<settings::GroupRecord> record = settings::Groups()[group].make(modality);
    if (record->Get() == XMLR_FILE_ERROR || record->Set() != XMLR_SET_OK) {
      report.code = XMLR_SET_FAILED;
      report.function = Groups()[group].setter;
      return report;
    }
  }
  return report;
}

}  // namespace viewersettings::catalogue
