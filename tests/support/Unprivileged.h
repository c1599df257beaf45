// Test support: part of a test run as an ordinary user, as the viewer runs on a station. Root
// ignores permissions, so where the tests run as root a forked process switches to the user
// `nobody` and runs the part there; its failures become failures of the test. Where the tests
// run as an ordinary user already, the part runs in the test's own process.
#pragma once

#if !defined(_WIN32)

#include <functional>

namespace testing_support {

// Whether the tests run as root (and so whatever a test prepares belongs to root).
bool RunningAsRoot();
// Runs `part` as an ordinary user; ASSERT and EXPECT work inside it as anywhere in a test.
void RunAsOrdinaryUser(const std::function<void()>& part);

}  // namespace testing_support

#endif
