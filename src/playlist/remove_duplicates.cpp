#include "playlist/remove_duplicates.h"

#include <limits>
#include <unordered_map>

namespace youran {

namespace {

constexpr size_t kNone = std::numeric_limits<size_t>::max();

// Counts the rows still present before an index, to know where a row
// stands after the deletions so far.
class PresentRows {
 public:
  explicit PresentRows(size_t size) : tree_(size + 1, 0) {
    for (size_t i = 1; i <= size; ++i) {
      tree_[i] += 1;
      size_t parent = i + (i & (~i + 1));
      if (parent <= size) tree_[parent] += tree_[i];
    }
  }
  void remove(size_t index) {
    for (size_t i = index + 1; i < tree_.size(); i += i & (~i + 1)) --tree_[i];
  }
  // Present rows with an index below `index`: the row's 0-based position.
  size_t before(size_t index) const {
    size_t count = 0;
    for (size_t i = index; i > 0; i -= i & (~i + 1)) count += tree_[i];
    return count;
  }

 private:
  std::vector<size_t> tree_;
};

}  // namespace

DuplicateRemoval planDuplicateRemoval(const std::vector<std::string_view>& paths,
                                      int currentIndex) {
  const size_t n = paths.size();
  DuplicateRemoval plan;
  // Each row links to the next present row, and to the next present row
  // with the same path.
  std::vector<size_t> next(n), nextSame(n, kNone), previousSame(n, kNone), previous(n);
  std::unordered_map<std::string_view, size_t> lastWithPath;
  lastWithPath.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    next[i] = i + 1 < n ? i + 1 : kNone;
    previous[i] = i > 0 ? i - 1 : kNone;
    auto [it, fresh] = lastWithPath.try_emplace(paths[i], i);
    if (!fresh) {
      nextSame[it->second] = i;
      previousSame[i] = it->second;
      it->second = i;
    }
  }
  PresentRows present(n);

  // Deletions only ever fall after the row being looked at, so the row of
  // step i is the present row after the one of step i-1.
  size_t row = n > 0 ? 0 : kNone;
  for (size_t step = 0; step < n && row != kNone; ++step) {
    const size_t twin = nextSame[row];
    if (twin != kNone) {
      if (currentIndex >= 1 && present.before(twin) + 1 == static_cast<size_t>(currentIndex))
        plan.removesCurrent = true;
      plan.removed.push_back(twin);
      present.remove(twin);
      if (next[twin] != kNone) previous[next[twin]] = previous[twin];
      if (previous[twin] != kNone) next[previous[twin]] = next[twin];
      if (nextSame[twin] != kNone) previousSame[nextSame[twin]] = previousSame[twin];
      if (previousSame[twin] != kNone) nextSame[previousSame[twin]] = nextSame[twin];
    }
    row = next[row];
  }
  return plan;
}

}  // namespace youran
