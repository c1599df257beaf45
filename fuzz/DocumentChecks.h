// What the fuzzers assert about documents, written independently of the engine's own scanning.
#pragma once

#include <cstdint>
#include <string>

#include "xmldoc/XmlDocument.h"

namespace fuzzing {

// Reports a broken property with the document it was seen on and ends the run, so that
// libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what, const std::u16string& text);

// How the attribute lookup reads an element's start tag, token by token from the name on.
enum class StartTag {
  // name, then only name="value" or name='value' pairs, then ">" or "/>": every attribute that
  // is set can be read back.
  kWellFormed,
  // Tokens of any other kind (an unquoted value, a stray "/", "?" or "<"), all ending before
  // the start tag's ">".
  kLoose,
  // A quoted token runs past the ">" that the parser took as the end of the start tag, or is
  // never closed. Lookups then read beyond the tag, so edits of such an element may land
  // outside it.
  kQuoteRunsPast,
  // The first token after "<" is a ">": the parser takes it for the name, and the end tag the
  // engine writes for such an element, "</>>", ends at its first ">".
  kNameIsGreaterThan,
  // An empty element whose "/>" follows another "/", as in "<a//>": when a child is added, the
  // last "/" makes way for ">" and the child, and the other one then ends the tag as empty.
  kSlashBeforeEmptyEnd,
};
StartTag ClassifyStartTag(const std::u16string& text, const ElemPos& element);

// Whether some element of the index has a start tag of the kind given.
bool AnyStartTag(const CXmlDocument& doc, StartTag kind);

// Whether the engine can keep the index in step with the text under any edit: no start tag is
// of one of the kinds where it cannot.
bool EditsKeepIndex(const CXmlDocument& doc);

// Whether the text holds no element at all, only characters, white space and complete comments,
// processing instructions and declarations: an element appended to it becomes the root.
bool HoldsNoElement(const std::u16string& text);

// Empty when a fresh parse of the document's text gives the same index: the same elements in
// document order with the same four positions and the same parent, first child and next
// sibling (slots mapped through document order), and every slot handed out either linked or
// released by RemoveElement. Else
// what differs first.
std::string DifferenceFromReparse(const CXmlDocument& edited);

}  // namespace fuzzing
