// One access of a settings call to the settings file, and the walks and conversions it uses.
//
// A getter is   Get(access, [&](SettingsReader& r) { ...leaves... })
// and a setter  Set(access, [&](SettingsWriter& w) { ...leaves... }).
// Get and Set form the file path, read the file, parse it, run the read or write walk down the
// access's path, hand the positioned document to the body and, for setters, write the text back.
// The body only names leaves, attributes and record fields, so one leaf function serves the
// reader, the writer and the leaf recorder (LeafRecorder.h) alike:
//
//   template <class Visitor, class Record> void Leaves(Visitor& visit, Record& r) {
//     visit.Leaf(u"UseStudyUID", r.UseStudyUID);  // reads into or writes from the field
//   }
//
// Conversions follow the field's type: integers are decimal text ("%d"; a field narrower than 32
// bits keeps the low bits of the number read; a 32-bit unsigned colour is written as its signed
// value), floats are "%f", strings are the attribute text. One-byte font fields and the face
// name have text forms of their own (AsChar, AsFaceName).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <type_traits>

#include "ViewerSettings.h"
#include "store/FunctionRef.h"
#include "text/WideConvert.h"
#include "xmldoc/XmlDocument.h"

namespace viewersettings::store {

using ElementPath = std::initializer_list<const char16_t*>;

// A one-byte value stored as a text of one character whose code is the value; 0 is the empty
// text. Read back as the low 8 bits of the first code unit.
template <class Byte>
struct AsChar {
  Byte& value;
};
template <class Byte>
AsChar<Byte> CharForm(Byte& value) {
  return {value};
}

// A fixed array of UTF-16 units holding a NUL-terminated name; reading cuts a longer stored name
// so that the terminator always fits.
template <class Unit, size_t N>
struct AsFaceName {
  Unit (&units)[N];
};
template <class Unit, size_t N>
AsFaceName<Unit, N> FaceNameForm(Unit (&units)[N]) {
  return {units};
}

// How a leaf is looked up among its siblings.
enum class Search {
  kForward,    // after the element found last (from the first child on a fresh level)
  kFromFirst,  // from the first child every time
  // Writers whose readers search from the first child: the leaf is looked up there too, so the
  // element updated is the one read back, but a missing leaf is added right after the element
  // handled last, which keeps the order of a fresh group.
  kFromFirstAddAfterLast,
};

// One access of a settings function to the file: the levels it walks down from the document, and
// how the reader and the writer look up the leaves below. Getter, setter and description of a
// group take the same one, so that each path is named once. It holds the levels' names, which
// must outlive it, and allocates nothing.
class FileAccess {
 public:
  static constexpr size_t kMaxDepth = 8;  // the deepest settings lie 6 levels down

  FileAccess(ElementPath path, Search search = Search::kForward)
      : FileAccess(path, search, search) {}
  FileAccess(ElementPath path, Search readSearch, Search writeSearch)
      : readSearch(readSearch), writeSearch(writeSearch) {
    Append(path);
  }
  // The same access, `levels` further down.
  FileAccess Below(ElementPath levels) const {
    FileAccess below = *this;
    below.Append(levels);
    return below;
  }

  const char16_t* const* begin() const { return levels_; }
  const char16_t* const* end() const { return levels_ + depth_; }

  Search readSearch;
  Search writeSearch;

 private:
  void Append(ElementPath levels) {
    for (const char16_t* level : levels) {
      if (depth_ < kMaxDepth) levels_[depth_++] = level;
    }
  }

  const char16_t* levels_[kMaxDepth] = {};
  size_t depth_ = 0;
};

// What the getters on this thread read while it lives: the fields they took from an element of
// the document, and whether an access failed (the file could not be had, memory ran out). The
// catalogue tells from it which settings are stored without a second reading. Scopes nest; the
// innermost one hears.
class ReadLog {
 public:
  ReadLog();
  ~ReadLog();
  ReadLog(const ReadLog&) = delete;
  ReadLog& operator=(const ReadLog&) = delete;

  bool Read(const void* field) const { return fields_.count(field) != 0; }
  bool AccessFailed() const { return accessFailed_; }

  // For readers: `field` took its value from the document.
  static void NoteRead(const void* field);
  // For getters that read into a copy first: the fields of `from` that were read are now those
  // at the same places in `to`.
  static void NoteCopied(const void* from, size_t size, const void* to);
  static void NoteAccessFailed();

 private:
  std::set<const void*> fields_;
  bool accessFailed_ = false;
  ReadLog* outer_;
};

// A parsed settings document positioned by the read walk. Missing leaves turn the result into
// XMLR_GET_NOT_FOUND; attributes read after a lookup that missed leave their fields as they were.
//
// In both directions an element with several attributes reads
//   if (visit.Element(u"Magnifier")) { visit.Attr(...); ... }
// since the writer's Element fails only where it could neither find nor add the element, and
// then marks the result itself.
class SettingsReader {
 public:
  SettingsReader(CXmlDocument& doc, Search search) : doc_(doc), search_(search) {}

  // Read walk: find and enter each level; a missing level is skipped.
  void Walk(const FileAccess& access);
  // Looks an element up without touching the result.
  bool Find(const char16_t* name);
  // Looks a leaf up; missing marks the result.
  bool Element(const char16_t* name);
  // Looks an element up whose absence is no failure (the writer adds it all the same).
  bool OptionalElement(const char16_t* name) { return Find(name); }
  bool Enter() { return doc_.EnterElement(); }
  void Restart() { doc_.RestartLevel(); }

  template <class Field>
  bool Leaf(const char16_t* element, Field&& field) {
    if (!Element(element)) return false;
    Attr(u"Value", std::forward<Field>(field));
    return true;
  }

  std::u16string Text(const char16_t* attribute) const { return doc_.GetAttribute(attribute); }
  void Attr(const char16_t* attribute, std::u16string& field) {
    if (hasElement_) field = Text(attribute);
    Noted(&field);
  }
  void Attr(const char16_t* attribute, float& field);
  template <class Int, std::enable_if_t<std::is_integral_v<Int>, int> = 0>
  void Attr(const char16_t* attribute, Int& field) {
    // Narrower fields keep the low bits; a 32-bit unsigned field takes the signed value's bits.
    if (hasElement_) field = static_cast<Int>(static_cast<uint32_t>(IntAttr(attribute)));
    Noted(&field);
  }
  void Attr(const char16_t* attribute, AsChar<uint8_t> field);
  template <size_t N>
  void Attr(const char16_t* attribute, AsFaceName<char16_t, N> field) {
    if (hasElement_) ReadFaceName(Text(attribute), field.units, N);
    Noted(field.units);
  }
#if defined(_WIN32)
  template <size_t N>
  void Attr(const char16_t* attribute, AsFaceName<wchar_t, N> field) {
    if (hasElement_) ReadFaceName(Text(attribute), reinterpret_cast<char16_t*>(field.units), N);
    Noted(field.units);
  }
#endif

  void MarkMissing() {
    result_ = XMLR_GET_NOT_FOUND;
  }
  int32_t Result() const {
    return result_;
  }
  CXmlDocument& Document() {
    return doc_;
  }

 private:
  int32_t IntAttr(const char16_t* attribute) const;
  void Noted(const void* field) const {
    if (hasElement_) ReadLog::NoteRead(field);
  }
  static void ReadFaceName(const std::u16string& text, char16_t* units, size_t count);

  CXmlDocument& doc_;
  Search search_;
  int32_t result_ = XMLR_GET_OK;
  bool hasElement_ = false;  // the last lookup found its element
};

// A parsed settings document positioned by the write walk. Every attribute that cannot be set
// turns the result into XMLR_SET_FAILED; the remaining ones are still set.
class SettingsWriter {
 public:
  SettingsWriter(CXmlDocument& doc, Search search, int32_t success)
      : doc_(doc), search_(search), result_(success) {}

  // Write walk: find or add each level, then enter it.
  void Walk(const FileAccess& access);
  // Finds and enters an element but never adds it.
  void EnterExisting(const char16_t* name);
  // Looks an element up without adding it.
  bool Find(const char16_t* name);
  // Looks a leaf up, adding it where it is missing; it becomes the element attributes go to.
  // Where it can be neither found nor added, the result is marked and its attributes fail.
  bool Element(const char16_t* name);
  bool OptionalElement(const char16_t* name) { return Element(name); }
  // Adds an element after the current one without looking it up first.
  bool Add(const char16_t* name);
  bool Enter() { return doc_.EnterElement(); }
  void Restart() { doc_.RestartLevel(); }

  template <class Field>
  bool Leaf(const char16_t* element, const Field& field) {
    if (!Element(element)) return false;
    Attr(u"Value", field);
    return true;
  }

  std::u16string Text(const char16_t* attribute) const { return doc_.GetAttribute(attribute); }
  void Attr(const char16_t* attribute, const std::u16string& field) {
    Set(attribute, field.c_str());
  }
  void Attr(const char16_t* attribute, const float& field);
  template <class Int, std::enable_if_t<std::is_integral_v<Int>, int> = 0>
  void Attr(const char16_t* attribute, const Int& field) {
    // Signed fields widen with their sign; a 32-bit unsigned colour is written as its signed
    // value; smaller unsigned fields as their value.
    if constexpr (std::is_unsigned_v<Int> && sizeof(Int) == sizeof(int32_t)) {
      SetDecimal(attribute, static_cast<int32_t>(field));
    } else {
      SetDecimal(attribute, static_cast<int64_t>(field));
    }
  }
  void Attr(const char16_t* attribute, AsChar<const uint8_t> field);
  template <class Unit, size_t N>
  void Attr(const char16_t* attribute, AsFaceName<const Unit, N> field) {
    std::u16string name;
    for (size_t i = 0; i < N && field.units[i] != 0; ++i) {
      name += static_cast<char16_t>(field.units[i]);
    }
    Set(attribute, name.c_str());
  }

  void MarkFailed() { result_ = XMLR_SET_FAILED; }
  int32_t Result() const { return result_; }
  // True when a value was set but does not read back: the text is not written then.
  bool Unfaithful() const { return unfaithful_; }
  CXmlDocument& Document() { return doc_; }

 private:
  void SetDecimal(const char16_t* attribute, int64_t value);
  void Set(const char16_t* attribute, const char16_t* value);

  CXmlDocument& doc_;
  Search search_;
  int32_t result_;
  // False after an element could be neither found nor added, so that its attributes are not
  // set on whatever element was current before.
  bool hasElement_ = false;
  bool unfaithful_ = false;
};

// The result of a call made of several complete accesses, each run whatever the ones before it
// met (the list is evaluated in order): `ok` when every access returned it, else `otherwise`.
inline int32_t AllOrElse(std::initializer_list<int32_t> results, int32_t ok, int32_t otherwise) {
  for (const int32_t result : results) {
    if (result != ok) return otherwise;
  }
  return ok;
}

// A getter's access: XMLR_FILE_ERROR when the settings text cannot be obtained (the body does not
// run), else the reader's result after the read walk down `path` and the body.
int32_t Get(const FileAccess& access, FunctionRef<void(SettingsReader&)> body);
int32_t Get(ElementPath path, FunctionRef<void(SettingsReader&)> body,
            Search search = Search::kForward);

// A setter's access: holds the writers' lock from reading the file until its replacement is in
// place. XMLR_FILE_ERROR when the settings text cannot be obtained; else the write walk down
// `path`, the body, and the write-back, which happens whatever the body met. The result starts
// as `success` and becomes XMLR_SET_FAILED when an attribute or the write-back failed. An edit
// that a fresh reading of the text would not find as made (on hand-edited text the engine cannot
// edit faithfully) is not written: XMLR_SET_FAILED, the file unchanged; so is a file that holds
// bytes not valid in its encoding, and a value its encoding cannot hold. The text is written back
// in the encoding it was read in. A text that the store leaves as it was read is not written at
// all: the file keeps its bytes, identity and time, and the result is the body's. Any failure
// inside (out of memory included) is a result, never an exception.
int32_t Set(const FileAccess& access, FunctionRef<void(SettingsWriter&)> body,
            int32_t success = XMLR_SET_OK);
int32_t Set(ElementPath path, FunctionRef<void(SettingsWriter&)> body,
            Search search = Search::kForward, int32_t success = XMLR_SET_OK);

}  // namespace viewersettings::store
