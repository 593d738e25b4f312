#include "support/duplicate_reference.h"

namespace youran::testing {

ReferenceRemoval removeDuplicatesReference(std::vector<std::string> rows, int currentIndex) {
  ReferenceRemoval result;
  const size_t n = rows.size();
  for (size_t i = 1; i <= n; ++i) {
    if (i - 1 >= rows.size())
      continue;  // the row is gone: its path reads as empty, nothing follows it
    const std::string path = rows[i - 1];
    for (size_t j = i; j < rows.size(); ++j) {
      if (rows[j] != path) continue;
      if (static_cast<int>(j) + 1 == currentIndex) result.stoppedCurrent = true;
      result.positions.push_back(j);
      rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(j));
      break;
    }
  }
  result.rows = std::move(rows);
  return result;
}

}  // namespace youran::testing
