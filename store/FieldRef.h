// One setting's place in a caller-owned record, as a leaf recorder names it (see LeafRecorder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>

#include "ViewerSettings.h"

namespace viewersettings::store {

// The font record's own types: LONG and WCHAR on Windows, int32_t and char16_t elsewhere.
using FontLong = decltype(LOGFONTW::lfHeight);
using FontChar = std::remove_extent_t<decltype(LOGFONTW::lfFaceName)>;

// A fixed array of UTF-16 units holding a NUL-terminated name (a font's face name).
struct FaceNameRef {
  FontChar* units;
  size_t size;
};

// Text that names a modality, and so must be usable as an element name.
struct ModalityNameRef {
  std::u16string* name;
};

// The field's place in its record. std::monostate stands for an entry of a list that the record
// does not hold. A FieldRef whose pointer is null stands for the kind of field alone.
#if defined(_WIN32)
using FieldRef = std::variant<std::monostate, int16_t*, int32_t*, FontLong*, uint32_t*, uint8_t*,
                              float*, std::u16string*, FaceNameRef, ModalityNameRef>;
#else
using FieldRef = std::variant<std::monostate, int16_t*, int32_t*, uint32_t*, uint8_t*, float*,
                              std::u16string*, FaceNameRef, ModalityNameRef>;
#endif

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// The same kind of field with a null pointer.
FieldRef KindOf(const FieldRef& ref);

// Where the field lies in its record; null for std::monostate.
const void* AddressOf(const FieldRef& ref);

}  // namespace viewersettings::store
