#pragma once

// RemoveDuplicates, worked out before any row is touched. The player's rule
// walks the rows once: for row i (1-based, i up to the row count at the
// start) it deletes the first later row holding the same path, if any, so
// each row loses at most one duplicate per run and three equal paths in a
// row leave two. Done literally that is a search per row and a shift per
// deletion; here one pass over linked rows gives the same deletions in the
// same order, with the position each deleted row held at that moment.

#include <cstddef>
#include <string_view>
#include <vector>

namespace youran {

struct DuplicateRemoval {
  // 0-based indices into the rows as they were, in the order the rule
  // deletes them.
  std::vector<size_t> removed;
  // Some deleted row stood at `currentIndex` (1-based) when it went: the
  // player stops that track.
  bool removesCurrent = false;
};

DuplicateRemoval planDuplicateRemoval(const std::vector<std::string_view>& paths, int currentIndex);

}  // namespace youran
