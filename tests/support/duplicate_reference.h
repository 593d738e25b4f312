#pragma once

// RemoveDuplicates done the straightforward way, row by row over a vector,
// as the player's rule reads: the yardstick for the fast plan in tests and
// benchmarks.

#include <string>
#include <vector>

namespace youran::testing {

struct ReferenceRemoval {
  std::vector<std::string> rows;  // what is left
  std::vector<size_t> positions;  // 0-based position of each deletion, in order
  bool stoppedCurrent = false;    // a deleted row stood at currentIndex
};

ReferenceRemoval removeDuplicatesReference(std::vector<std::string> rows, int currentIndex);

}  // namespace youran::testing
