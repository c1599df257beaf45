// The XML engine under arbitrary input: a document text, then a program of navigation and edits.
//
// Input: the document text as UTF-8 (any byte that does not start a well-formed sequence is a
// code unit of its own value, and three-byte sequences reach lone surrogates), up to the first
// zero byte; after it the program, one operation per byte:
//   F<n> FindElement(element name n)   E EnterElement   L LeaveElement   R RestartLevel
//   A<n> AddElement(element name n)    G<a> GetAttribute(attribute name a)   D RemoveElement
//   S<a><value>; SetAttribute(attribute name a, value up to ";" or the end, decoded as the text)
// Any other byte stands for the operation at its value modulo 8 in "FELRASGD". n and a are taken
// modulo the size of their pool (16 and 8), so "0" to "9" and ":" to "?" pick the element names
// in order, "0" to "7" the attribute names.
//
// Checked: nothing crashes or trips a sanitizer, and both ParseText overloads build the same
// document. Where the engine can keep the index in step with the text (the text parsed or holds
// no element at all, and no start tag is of a kind that edits put out of step, see StartTag),
// after every edit a fresh parse of the text gives the same index, after SetAttribute on a
// well-formed start tag the attribute reads back as set while the others keep their values, and
// RemoveElement takes out the element's text and white space around it, nothing else.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "DocumentChecks.h"
#include "xmldoc/XmlDocument.h"

namespace {

using fuzzing::Fail;
using fuzzing::StartTag;

// Settings names, names that are prefixes of one another, and the empty name (FindElement: the
// next element whatever its name; AddElement: refused).
constexpr std::array<const char16_t*, 16> kElementNames = {
    u"",          u"SystemSetting", u"LocalSetting", u"MinDiskSpace", u"a",   u"b",
    u"Value",     u"Val",           u"ValueX",       u"x.y",          u"n-1", u"\u00e9t\u00e9",
    u"Modality0", u"DICOMViewer",   u"Item",         u"a b"};
constexpr std::array<const char16_t*, 8> kAttributeNames = {u"Value", u"ValueX", u"Val",   u"a",
                                                            u"b-c",   u"Left",   u"Color", u"_d"};

constexpr size_t kMaxOperations = 200;
constexpr size_t kMaxValueBytes = 64;

bool IsContinuation(uint8_t byte) {
  return (byte & 0xC0) == 0x80;
}

std::u16string Decode(const uint8_t* data, size_t size) {
  std::u16string text;
  text.reserve(size);
  for (size_t i = 0; i < size;) {
    const uint8_t b = data[i];
    const size_t left = size - i;
    if ((b & 0xE0) == 0xC0 && left >= 2 && IsContinuation(data[i + 1])) {
      text += static_cast<char16_t>((b & 0x1F) << 6 | (data[i + 1] & 0x3F));
      i += 2;
    } else if ((b & 0xF0) == 0xE0 && left >= 3 && IsContinuation(data[i + 1]) &&
               IsContinuation(data[i + 2])) {
      text += static_cast<char16_t>((b & 0x0F) << 12 | (data[i + 1] & 0x3F) << 6 |
                                    (data[i + 2] & 0x3F));
      i += 3;
    } else if ((b & 0xF8) == 0xF0 && left >= 4 && IsContinuation(data[i + 1]) &&
               IsContinuation(data[i + 2]) && IsContinuation(data[i + 3])) {
      const uint32_t code = static_cast<uint32_t>(b & 0x07) << 18 | (data[i + 1] & 0x3F) << 12 |
                            (data[i + 2] & 0x3F) << 6 | (data[i + 3] & 0x3F);
      const uint32_t offset = (code - 0x10000) & 0xFFFFF;
      text += static_cast<char16_t>(0xD800 + (offset >> 10));
      text += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
      i += 4;
    } else {
      text += static_cast<char16_t>(b);
      ++i;
    }
  }
  return text;
}

class Program {
 public:
  Program(const uint8_t* data, size_t size) : next_(data), end_(data + size) {}
  bool Done() const { return next_ == end_; }
  uint8_t Byte() { return Done() ? 0 : *next_++; }
  template <size_t N>
  const char16_t* Name(const std::array<const char16_t*, N>& pool) {
    return pool[Byte() % N];
  }
  std::u16string Value() {
    const uint8_t* start = next_;
    while (!Done() && *next_ != ';' && static_cast<size_t>(next_ - start) < kMaxValueBytes) {
      ++next_;
    }
    std::u16string value = Decode(start, static_cast<size_t>(next_ - start));
    if (!Done() && *next_ == ';') ++next_;
    return value;
  }

 private:
  const uint8_t* next_;
  const uint8_t* end_;
};

char Operation(uint8_t byte) {
  constexpr char kOperations[] = "FELRASGD";
  for (const char* op = kOperations; *op != '\0'; ++op) {
    if (byte == static_cast<uint8_t>(*op)) return *op;
  }
  return kOperations[byte % 8];
}

void CheckIndex(const CXmlDocument& doc, const char* operation) {
  if (doc.Index()[0].firstChildSlot == 0) return;  // no root yet: nothing was edited
  const std::string difference = fuzzing::DifferenceFromReparse(doc);
  if (!difference.empty()) {
    Fail(std::string("after ") + operation + ": " + difference, doc.DocText());
  }
}

void AddElement(CXmlDocument& doc, const char16_t* name, bool checked) {
  doc.AddElement(name);
  if (checked) CheckIndex(doc, "AddElement");
}

void SetAttribute(CXmlDocument& doc, const char16_t* name, const std::u16string& value,
                  bool checked) {
  const CXmlDocument::Position at = doc.GetPosition();
  const bool readable =
      checked && at.mainPos != 0 &&
      fuzzing::ClassifyStartTag(doc.DocText(), doc.Index()[at.mainPos]) == StartTag::kWellFormed;
  std::array<std::u16string, kAttributeNames.size()> before;
  if (readable) {
    for (size_t i = 0; i < kAttributeNames.size(); ++i) {
      before[i] = doc.GetAttribute(kAttributeNames[i]);
    }
  }
  doc.SetAttribute(name, value.c_str());
  if (!checked) return;
  CheckIndex(doc, "SetAttribute");
  if (!readable) return;
  // The engine takes the value up to its first NUL.
  const std::u16string stored = value.substr(0, value.find(u'\0'));
  for (size_t i = 0; i < kAttributeNames.size(); ++i) {
    const bool isSet = std::u16string(kAttributeNames[i]) == name;
    const std::u16string& expected = isSet ? stored : before[i];
    if (doc.GetAttribute(kAttributeNames[i]) != expected) {
      Fail(isSet ? "SetAttribute: the value does not read back"
                 : "SetAttribute: another attribute changed",
           doc.DocText());
    }
  }
}

bool IsWhiteSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

void RemoveElement(CXmlDocument& doc, bool checked) {
  const CXmlDocument::Position at = doc.GetPosition();
  const std::u16string before = doc.DocText();
  const ElemPos element = doc.Index()[static_cast<size_t>(at.mainPos)];
  const bool removed = doc.RemoveElement();
  if (!checked) return;
  // A main element below the root goes; the root stays.
  if (removed != (at.mainPos != 0 && at.parentPos != 0)) {
    Fail(removed ? "RemoveElement: the root went" : "RemoveElement: refused below the root",
         before);
  }
  if (!removed) {
    if (doc.DocText() != before) Fail("RemoveElement: refused but changed the text", before);
    return;
  }
  if (doc.RestorePosition(at)) Fail("RemoveElement: the removed element can be restored", before);
  // The text left must be the text before without one range: the element's characters and
  // white space on either side of them.
  const std::u16string& left = doc.DocText();
  const size_t tagOpen = static_cast<size_t>(element.tagOpen);
  const size_t elementEnd = static_cast<size_t>(element.elementClose) + 1;
  size_t first = 0;
  while (first < tagOpen && first < left.size() && before[first] == left[first]) ++first;
  const size_t after = first + (before.size() - std::min(before.size(), left.size()));
  const bool onlyTheElement =
      left.size() < before.size() && after >= elementEnd &&
      before.compare(0, first, left, 0, first) == 0 &&
      before.compare(after, std::u16string::npos, left, first, std::u16string::npos) == 0 &&
      std::all_of(before.begin() + static_cast<std::ptrdiff_t>(first),
                  before.begin() + static_cast<std::ptrdiff_t>(tagOpen), IsWhiteSpace) &&
      std::all_of(before.begin() + static_cast<std::ptrdiff_t>(elementEnd),
                  before.begin() + static_cast<std::ptrdiff_t>(after), IsWhiteSpace);
  if (!onlyTheElement) Fail("RemoveElement: more than the element and white space went", before);
  CheckIndex(doc, "RemoveElement");
}

// Both ParseText overloads must build the same document from the same text.
void CheckOverloadsAgree(const std::u16string& text, const CXmlDocument& byValue, bool parsed) {
  CXmlDocument byPointer;
  const bool parsedByPointer = byPointer.ParseText(text.c_str());
  bool same = parsedByPointer == parsed && byPointer.DocText() == byValue.DocText() &&
              byPointer.GetError() == byValue.GetError() &&
              byPointer.NextFreeSlot() == byValue.NextFreeSlot();
  for (int32_t slot = 0; same && slot < byValue.NextFreeSlot(); ++slot) {
    const ElemPos& a = byValue.Index()[slot];
    const ElemPos& b = byPointer.Index()[slot];
    same = a.tagOpen == b.tagOpen && a.startTagClose == b.startTagClose &&
           a.endTagOpen == b.endTagOpen && a.elementClose == b.elementClose &&
           a.parentSlot == b.parentSlot && a.firstChildSlot == b.firstChildSlot &&
           a.nextSiblingSlot == b.nextSiblingSlot;
  }
  if (!same) Fail("the two ParseText overloads disagree", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t textBytes = 0;
  while (textBytes < size && data[textBytes] != 0) ++textBytes;
  const std::u16string text = Decode(data, textBytes);
  CXmlDocument doc;
  const bool parsed = doc.ParseText(std::u16string(text));
  CheckOverloadsAgree(text, doc, parsed);
  const bool checked =
      (parsed || fuzzing::HoldsNoElement(doc.DocText())) && fuzzing::EditsKeepIndex(doc);

  const size_t programStart = std::min(textBytes + 1, size);
  Program program(data + programStart, size - programStart);
  for (size_t step = 0; step < kMaxOperations && !program.Done(); ++step) {
    switch (Operation(program.Byte())) {
      case 'F':
        doc.FindElement(program.Name(kElementNames));
        break;
      case 'E':
        doc.EnterElement();
        break;
      case 'L':
        doc.LeaveElement();
        break;
      case 'R':
        doc.RestartLevel();
        break;
      case 'A':
        AddElement(doc, program.Name(kElementNames), checked);
        break;
      case 'S': {
        const char16_t* name = program.Name(kAttributeNames);
        SetAttribute(doc, name, program.Value(), checked);
        break;
      }
      case 'G':
        doc.GetAttribute(program.Name(kAttributeNames));
        break;
      case 'D':
        RemoveElement(doc, checked);
        break;
    }
  }
  return 0;
}
