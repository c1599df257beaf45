#include "store/LeafRecorder.h"

namespace viewersettings::store {

void LeafRecorder::Access(ElementPath path, Search search) {
  Access(FileAccess(path, search));
}

void LeafRecorder::Access(const FileAccess& access) {
  accesses_.push_back(
      {std::vector<std::u16string>(access.begin(), access.end()), access.readSearch});
  entry_ = kNoEntry;
  entryPresent_ = true;
}

void LeafRecorder::Entry(std::u16string name, bool present, std::function<void()> add,
                         bool numbered, std::u16string keyAttribute) {
  if (!accesses_.empty()) accesses_.back().list = true;
  entries_.push_back(
      {std::move(name), numbered, present ? nullptr : std::move(add), std::move(keyAttribute)});
  entry_ = entries_.size() - 1;
  entryPresent_ = present;
}

void LeafRecorder::Add(const char16_t* attribute, FieldRef field) {
  leaves_.push_back({accesses_.size() - 1, element_, attribute, entry_,
                     entryPresent_ ? field : FieldRef(), KindOf(field)});
}

}  // namespace viewersettings::store
