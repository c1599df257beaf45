// Test support of the allocation-failure tests: this executable's global operator new, in all its
// forms, counts allocations while told to and fails one of them.
#pragma once

namespace allocation_testing {

// Counts allocations from now on and fails the `nth` of them (from 1; 0 fails none): the
// throwing forms throw std::bad_alloc, the nothrow forms return null. Only that one fails.
void StartCounting(long nth);
// Stops counting and returns how many allocations were counted.
long StopCounting();

}  // namespace allocation_testing
