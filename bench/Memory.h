#pragma once
// What the process holds in memory, for benchmarks that report it.

#include <fstream>

namespace lumidex::bench {

// The resident set of this process now, in KiB.
inline long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4;
}

}  // namespace lumidex::bench
