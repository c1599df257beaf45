// Removing settings from the file: elements taken out whole, for an import that makes a station
// hold exactly another's settings. Like every setter's edit, a removal is checked by a fresh
// parse and by reading back before anything is written, and goes through the one write path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace viewersettings::store {

// An element below the root: the names of the levels down to it, each the first of its name on
// its level, as the read walk finds them; the last one, where `keyAttribute` is given, among the
// elements of its name the one whose attribute has the text `keyText` (a patient-list column by
// its number).
struct ElementToRemove {
  std::vector<std::u16string> path;
  std::u16string keyAttribute = {};
  std::u16string keyText = {};
};

// Removes each element, with everything inside it, and every further element that its path
// names, so that no reader finds one afterwards. Holds the writers' lock from reading the file
// until its replacement is in place. XMLR_SET_OK, also when none of them was there (the file is
// then not written); XMLR_FILE_ERROR when the file cannot be had; XMLR_SET_FAILED, with the file
// unchanged, when the edited text would not read as edited or cannot be written.
int32_t RemoveElements(const std::vector<ElementToRemove>& elements);

}  // namespace viewersettings::store
