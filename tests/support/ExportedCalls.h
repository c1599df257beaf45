// Test support: every exported settings function as one call on a station's settings file, for
// the tests that run each of them under faults, power cuts and failing allocations.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

// The settings file of a station after some use, as UTF-16LE bytes: the first-run defaults,
// every group stored once and a second modality "CT" with display settings of its own. The
// calls below store values that differ from these in every one of their write-backs.
const std::string& StationSettingsBytes();

struct SetterCall {
  const char* name;
  int32_t success;  // what the call returns when it stored everything
  std::function<int32_t()> call;
};

struct GetterCall {
  const char* name;
  // The result code; for the value getters the value, and for the name getter 1 when it gives
  // the stored name, 0 when it gives the empty default.
  std::function<int32_t()> call;
  std::vector<int32_t> failures;  // what the call answers when it cannot read the file
};

// Hooks that run right before and right after the library function inside each call, so that
// what a call does around it (making its arguments, looking at its answer) stays out of what a
// test counts. Both do nothing until set; null restores that.
void SetLibraryCallHooks(void (*enter)(), void (*leave)());

// Every exported setter (XMLSet*), composites included, and XMLSetSetting for a group of one
// access (XMLSetSettings holds the writers' lock over several groups, which the sweeps do not
// take apart step by step).
const std::vector<SetterCall>& SetterCalls();
// Every exported getter (XMLGet*, XMLIs*), composites and value getters included, and the two
// reading functions of the C interface.
const std::vector<GetterCall>& GetterCalls();

inline void PrintTo(const SetterCall& call, std::ostream* out) {
  *out << call.name;
}
inline void PrintTo(const GetterCall& call, std::ostream* out) {
  *out << call.name;
}

}  // namespace testing_support
