#include "store/FieldRef.h"

namespace viewersettings::store {

FieldRef KindOf(const FieldRef& ref) {
  return std::visit(Overloaded{[](std::monostate) { return FieldRef(); },
                               [](FaceNameRef field) {
                                 return FieldRef(FaceNameRef{nullptr, field.size});
                               },
                               [](ModalityNameRef) { return FieldRef(ModalityNameRef{nullptr}); },
                               [](auto* field) { return FieldRef(decltype(field)(nullptr)); }},
                    ref);
}

const void* AddressOf(const FieldRef& ref) {
  return std::visit(Overloaded{[](std::monostate) -> const void* { return nullptr; },
                               [](FaceNameRef field) -> const void* { return field.units; },
                               [](ModalityNameRef field) -> const void* { return field.name; },
                               [](auto* field) -> const void* { return field; }},
                    ref);
}

}  // namespace viewersettings::store
