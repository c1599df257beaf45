// Live heap bytes of the whole process, counted by the benchmark binary's own global operator
// new and delete, for the peak memory of one call.
#pragma once

#include <cstddef>

namespace bench {

size_t LiveHeapBytes();
// The highest live byte count since the last ResetHeapPeak.
size_t PeakHeapBytes();
void ResetHeapPeak();

}  // namespace bench
