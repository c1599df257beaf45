// Test support: what a setter may leave in the settings file, found by running it on copies of
// the file, undisturbed and with one of its write-backs failing.
//
// A setter writes the file back once; a composite setter is a sequence of such steps, and by
// design a step that fails does not stop the steps after it. So where one step fails, the file
// ends up as the undisturbed run would leave it without that step's changes, and the steps after
// it see the file without them. These texts are computed here with the library itself, by making
// a step fail at a clean point: its read (the step stores nothing) or its replacement (the step
// wrote its new text aside, and it was never put in place). The texts are the same however the
// write-back reaches the file; where it step starts depends on that.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "support/ExportedCalls.h"

namespace testing_support {

struct SetterOutcomes {
  int32_t result = 0;  // of the undisturbed run
  // The file's bytes before the call and after each of its write-backs, undisturbed.
  std::vector<std::string> texts;
  // For each write-back step, the number of the platform operation (as FaultEnv counts them,
  // from 1) with which it starts.
  std::vector<int> stepStarts;
  // For each step, the file after the whole call when that step could not read the file, and
  // when it could not put its new text in place.
  std::vector<std::string> failedAtRead;
  std::vector<std::string> failedAtWrite;

  const std::string& Old() const { return texts.front(); }
  const std::string& New() const { return texts.back(); }
  // The step (from 0) that operation `nth` belongs to.
  size_t StepOf(int nth) const;
};

// Settings files compared by where they first differ: a textual diff of two of them is long.
testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);

// How the write-back reaches the file: a new file replaces it, or (where the folder refuses new
// files, as FaultEnv::RefuseNewFilesIn makes it) it is rewritten in place.
enum class WriteBack { kReplace, kInPlace };

// Every setter, with each way of writing back, for parameterised tests, and their names.
inline auto EverySetterAndWriteBack(const std::vector<SetterCall>& setters) {
  return testing::Combine(testing::ValuesIn(setters),
                          testing::Values(WriteBack::kReplace, WriteBack::kInPlace));
}
inline std::string SetterAndWriteBackName(
    const testing::TestParamInfo<std::tuple<SetterCall, WriteBack>>& info) {
  return std::string(std::get<0>(info.param).name) +
         (std::get<1>(info.param) == WriteBack::kInPlace ? "InPlace" : "");
}

// Runs `setter` on copies of a settings file holding `bytes`.
SetterOutcomes FindSetterOutcomes(const std::function<int32_t()>& setter, const std::string& bytes,
                                  WriteBack writeBack = WriteBack::kReplace);

}  // namespace testing_support
