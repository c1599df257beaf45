// A non-owning reference to a callable: passing a lambda to Get or Set (store/Access.h) allocates
// nothing, so no allocation failure can happen outside the access that turns failures into
// result codes.
#pragma once

#include <type_traits>
#include <utility>

namespace viewersettings::store {

template <class Signature>
class FunctionRef;

template <class Result, class... Args>
class FunctionRef<Result(Args...)> {
 public:
  template <class Callable,
            class = std::enable_if_t<!std::is_same_v<std::decay_t<Callable>, FunctionRef>>>
  FunctionRef(Callable&& callable) noexcept  // NOLINT: converts implicitly, as std::function does
      : object_(const_cast<void*>(static_cast<const void*>(&callable))),
        call_([](void* object, Args... args) -> Result {
          return (*static_cast<std::remove_reference_t<Callable>*>(object))(
              std::forward<Args>(args)...);
        }) {}

  Result operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

 private:
  void* object_;
  Result (*call_)(void*, Args...);
};

}  // namespace viewersettings::store
