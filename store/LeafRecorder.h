// The leaves of one group's record, recorded by the leaf functions that its getter and setter run.
//
// A settings source describes a group by running the same leaf functions over a LeafRecorder
// that its getter runs over a SettingsReader and its setter over a SettingsWriter:
//
//   void DescribeNet(LeafRecorder& recorder, DICOMLocalInfo& info) {
//     recorder.Access(kNetSettingAccess);
//     NetLeaves(recorder, info);
//   }
//
// The recorder records each leaf's element path, attribute and place in the record. Lists describe
// each entry they may hold with Entry() first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "store/Access.h"
#include "store/FieldRef.h"

namespace viewersettings::store {

class LeafRecorder {
 public:
  // What the description is for: reading names the entries a record holds (and, for lists of
  // fixed length, those it could hold); writing also names the entry a growing list may add.
  enum class Purpose { kRead, kWrite };

  // One access of the group's getter and setter to the file: the path it walks and how it looks
  // up the leaves below.
  struct AccessInfo {
    std::vector<std::u16string> path;
    Search search;
    bool list = false;  // its leaves are entries of a list
  };

  // An entry of a list: its name in keys ("3", "Wave", "Modality2"), and how to add it to the
  // record when the record does not hold it (empty when it cannot be added).
  struct EntryInfo {
    std::u16string name;
    bool numbered;  // the name ends in the entry's number
    std::function<void()> add;
    // Where the entries' elements are not named after their number: the attribute holding it.
    std::u16string keyAttribute;
  };

  static constexpr size_t kNoEntry = static_cast<size_t>(-1);

  struct LeafInfo {
    size_t access;
    std::u16string element;
    std::u16string attribute;  // "Value" for a leaf holding one setting
    size_t entry;              // kNoEntry outside lists
    FieldRef field;            // std::monostate where the record does not hold the entry
    FieldRef kind;             // the kind of field, always
  };

  explicit LeafRecorder(Purpose purpose) : purpose_(purpose) {}

  bool ForWriting() const { return purpose_ == Purpose::kWrite; }
  const std::vector<AccessInfo>& Accesses() const { return accesses_; }
  const std::vector<EntryInfo>& Entries() const { return entries_; }
  const std::vector<LeafInfo>& Leaves() const { return leaves_; }

  // ---- For the describing functions ----

  void Access(ElementPath path, Search search = Search::kForward);
  // The access as the getter makes it.
  void Access(const FileAccess& access);
  // The leaves that follow, up to the next Entry or Access, belong to this entry. Where the
  // record does not hold it (`present` false), they have no place in the record.
  void Entry(std::u16string name, bool present, std::function<void()> add = nullptr,
             bool numbered = false, std::u16string keyAttribute = {});

  // ---- The interface of readers and writers that the leaf functions use ----

  bool Element(const char16_t* name) {
    element_ = name;
    return true;
  }
  bool OptionalElement(const char16_t* name) { return Element(name); }
  template <class Field>
  bool Leaf(const char16_t* element, Field&& field) {
    Element(element);
    Attr(u"Value", std::forward<Field>(field));
    return true;
  }
  template <class Int, std::enable_if_t<std::is_integral_v<Int>, int> = 0>
  void Attr(const char16_t* attribute, Int& field) {
    Add(attribute, &field);
  }
  void Attr(const char16_t* attribute, float& field) { Add(attribute, &field); }
  void Attr(const char16_t* attribute, std::u16string& field) { Add(attribute, &field); }
  void Attr(const char16_t* attribute, ModalityNameRef field) { Add(attribute, field); }
  void Attr(const char16_t* attribute, AsChar<uint8_t> field) { Add(attribute, &field.value); }
  template <size_t N>
  void Attr(const char16_t* attribute, AsFaceName<FontChar, N> field) {
    Add(attribute, FaceNameRef{field.units, N});
  }

 private:
  void Add(const char16_t* attribute, FieldRef field);

  Purpose purpose_;
  std::vector<AccessInfo> accesses_;
  std::vector<EntryInfo> entries_;
  std::vector<LeafInfo> leaves_;
  std::u16string element_;
  size_t entry_ = kNoEntry;
  bool entryPresent_ = true;
};

}  // namespace viewersettings::store
