// A group of settings as the catalogue lists it: one exported getter, the setter that stores what
// it reads, the record they share, and the description of that record's leaves. Each settings
// source writes the entries of its groups beside their getters and setters; Groups.cpp lists
// them in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ViewerSettings.h"
#include "store/LeafRecorder.h"

namespace viewersettings::settings {

// One instance of a group's record, read and stored through the group's exported functions.
class GroupRecord {
 public:
  virtual ~GroupRecord() = default;
  virtual int32_t Get() = 0;
  // XMLR_SET_OK when stored.
  virtual int32_t Set() const = 0;
  virtual store::LeafRecorder RecordLeaves(store::LeafRecorder::Purpose purpose) = 0;
};

// What a record of the type is, for one modality (or none).
template <class Record>
struct RecordFunctions {
  std::function<int32_t(Record&)> get;
  // XMLR_SET_OK when stored; empty when the library has no setter.
  std::function<int32_t(const Record&)> set;
  // The record's initial values: those the caller's record starts from.
  std::function<Record()> initial;
  std::function<void(store::LeafRecorder&, Record&)> recordLeaves;
};

using MakeRecord = std::function<std::unique_ptr<GroupRecord>(const std::u16string& modality)>;

struct GroupEntry {
  std::string getter;  // the exported functions, by name
  std::string setter;  // empty when the library has none
  bool perModality = false;
  // Keys are the prefix ("<name>" standing for the modality's name), the levels of the access
  // path from `keyFromLevel` on (0 being SystemSetting), and the leaf: its entry's name within a
  // list, else its element (or what `renamed` gives for it; nothing for an empty name), then the
  // attribute unless it is "Value".
  std::string keyPrefix;
  size_t keyFromLevel = 1;
  std::vector<std::pair<std::u16string, std::string>> renamed;
  bool listsModalities = false;  // its values are the names of the added modalities
  // The section of the tool's `show` that the group belongs to; the first group of a section
  // gives its title (with "<name>" for the modality's name) and what a reading cannot tell.
  std::string section;
  std::string sectionTitle;
  std::string sectionNote;
  MakeRecord make;
};

template <class Record>
class RecordOf final : public GroupRecord {
 public:
  explicit RecordOf(RecordFunctions<Record> functions)
      : f_(std::move(functions)), record_(f_.initial()) {}

  int32_t Get() override { return f_.get(record_); }
  int32_t Set() const override { return f_.set ? f_.set(record_) : XMLR_SET_FAILED; }
  store::LeafRecorder RecordLeaves(store::LeafRecorder::Purpose purpose) override {
    store::LeafRecorder recorder(purpose);
    f_.recordLeaves(recorder, record_);
    return recorder;
  }

 private:
  RecordFunctions<Record> f_;
  Record record_;
};

// The records of a group whose functions do not depend on the modality.
template <class Record>
MakeRecord Records(RecordFunctions<Record> functions) {
  return
      [functions](const std::u16string&) { return std::make_unique<RecordOf<Record>>(functions); };
}

// The description of a record that one access reads: the access, then its leaves.
template <class Record>
std::function<void(store::LeafRecorder&, Record&)> OneAccess(const store::FileAccess& access,
                                                             void (*leaves)(store::LeafRecorder&,
                                                                            Record&)) {
  return [access, leaves](store::LeafRecorder& recorder, Record& record) {
    recorder.Access(access);
    leaves(recorder, record);
  };
}

// The records of a group whose exported getter and setter take the record by pointer (no setter:
// null), starting from a value-initialised record.
template <class Record>
MakeRecord Records(int32_t (*get)(Record*), int32_t (*set)(const Record*),
                   std::function<void(store::LeafRecorder&, Record&)> recordLeaves) {
  RecordFunctions<Record> functions{[get](Record& record) { return get(&record); }, nullptr,
                                    [] { return Record(); }, std::move(recordLeaves)};
  if (set) functions.set = [set](const Record& record) { return set(&record); };
  return Records(std::move(functions));
}

// The records of a per-modality group.
template <class Record>
MakeRecord ModalityRecords(RecordFunctions<Record> (*functions)(const std::u16string& modality)) {
  return [functions](const std::u16string& modality) {
    return std::make_unique<RecordOf<Record>>(functions(modality));
  };
}

// Every group, in order of precedence: a key that several groups reach belongs to the first, and
// in the order of the file, the per-modality groups following the list of added modalities.
const std::vector<GroupEntry>& Groups();

}  // namespace viewersettings::settings
