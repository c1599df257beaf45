// Which elements to take out of the file so that given settings go and every other stored one
// stays. Internal to the catalogue.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Catalogue.h"
#include "store/Removal.h"

namespace viewersettings::catalogue {

// The element that holds the key's setting: its path below the root with the modality's name
// and the entry's number put in, and for an entry named by an attribute, that attribute. Nothing
// for a key of no setting.
std::optional<store::ElementToRemove> ElementOf(std::string_view key);

struct RemovalPlan {
  // The highest elements whose every stored setting goes, none inside another.
  std::vector<store::ElementToRemove> elements;
  // Settings that cannot go alone: their element holds a setting that stays.
  std::vector<Refusal> refusals;
};

// `stored`: every key the file stores; `removals`: those of them that go.
RemovalPlan PlanRemoval(const std::vector<std::string>& stored,
                        const std::vector<std::string>& removals);

}  // namespace viewersettings::catalogue
