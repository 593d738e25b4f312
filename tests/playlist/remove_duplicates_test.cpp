#include "playlist/remove_duplicates.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "playlist/track_list.h"
#include "support/duplicate_reference.h"

namespace youran {
namespace {

std::vector<std::string_view> views(const std::vector<std::string>& paths) {
  return {paths.begin(), paths.end()};
}

// Applies a plan to plain paths and returns what is left.
std::vector<std::string> applied(std::vector<std::string> paths, const DuplicateRemoval& plan) {
  TrackList list;
  for (auto& path : paths) list.addTrack(path);
  list.removeAtIndices(plan.removed);
  std::vector<std::string> left;
  for (const auto& row : list.rows()) left.push_back(row.path);
  return left;
}

TEST(RemoveDuplicates, EachRowLosesAtMostOneLaterTwinPerRun) {
  struct Case {
    std::vector<std::string> rows;
    std::vector<std::string> afterOneRun;
  };
  const Case cases[] = {
      {{}, {}},
      {{"a"}, {"a"}},
      {{"a", "a", "a"}, {"a", "a"}},
      {{"a", "b", "a", "b"}, {"a", "b"}},
      {{"a", "a", "a", "a"}, {"a", "a"}},
      // Row 2 is looked at after row 1's twin went: it is now "b".
      {{"a", "a", "b", "b"}, {"a", "b"}},
      {{"a", "b", "c"}, {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    auto plan = planDuplicateRemoval(views(c.rows), 0);
    EXPECT_EQ(applied(c.rows, plan), c.afterOneRun) << ::testing::PrintToString(c.rows);
    EXPECT_EQ(testing::removeDuplicatesReference(c.rows, 0).rows, c.afterOneRun);
  }
}

TEST(RemoveDuplicates, ThreeEqualPathsLeaveTwoThenOne) {
  std::vector<std::string> rows = {"/m/x.mp3", "/m/x.mp3", "/m/x.mp3"};
  rows = applied(rows, planDuplicateRemoval(views(rows), 0));
  EXPECT_EQ(rows.size(), 2u);
  rows = applied(rows, planDuplicateRemoval(views(rows), 0));
  EXPECT_EQ(rows.size(), 1u);
}

TEST(RemoveDuplicates, ReportsTheDeletionThatHitsTheCurrentPosition) {
  // Current row 3 holds "b"; row 1's twin at position 1 goes first, so the
  // deletion of row 2's twin ("b" moved to position 2) hits position 3-1.
  std::vector<std::string> rows = {"a", "a", "b", "b"};
  EXPECT_TRUE(planDuplicateRemoval(views(rows), 3).removesCurrent);
  EXPECT_FALSE(planDuplicateRemoval(views(rows), 1).removesCurrent);
  EXPECT_FALSE(planDuplicateRemoval(views(rows), 4).removesCurrent)
      << "position 4 is never deleted: the rows shift before it is reached";
}

TEST(RemoveDuplicates, AgreesWithTheRowByRowRuleOnRandomLists) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 1000; ++round) {
    const int size = std::uniform_int_distribution<int>(0, 60)(random);
    const int distinct = std::uniform_int_distribution<int>(1, 12)(random);
    std::vector<std::string> rows;
    for (int i = 0; i < size; ++i)
      rows.push_back("/music/" +
                     std::to_string(std::uniform_int_distribution<int>(0, distinct - 1)(random)) +
                     ".mp3");
    const int current = std::uniform_int_distribution<int>(0, size + 1)(random);

    auto reference = testing::removeDuplicatesReference(rows, current);
    auto plan = planDuplicateRemoval(views(rows), current);
    ASSERT_EQ(applied(rows, plan), reference.rows) << "round " << round;
    ASSERT_EQ(plan.removesCurrent, reference.stoppedCurrent) << "round " << round;
    // The same rows in the same order: replaying the plan's original
    // indices as positions at deletion time gives the reference's positions.
    std::vector<size_t> alive(rows.size());
    for (size_t i = 0; i < alive.size(); ++i) alive[i] = i;
    std::vector<size_t> positions;
    for (size_t original : plan.removed) {
      auto at = std::find(alive.begin(), alive.end(), original);
      ASSERT_NE(at, alive.end());
      positions.push_back(static_cast<size_t>(at - alive.begin()));
      alive.erase(at);
    }
    ASSERT_EQ(positions, reference.positions) << "round " << round;
  }
}

TEST(TrackListRemoveRows, KeepsTheOrderAndTellsTheModelOnce) {
  TrackList list;
  for (int i = 1; i <= 6; ++i) list.addTrack("/m/" + std::to_string(i) + ".mp3");
  std::vector<std::string> events;
  TrackList::Observer observer;
  observer.rowsRemoved = [&](size_t first, size_t count) {
    events.push_back("removed " + std::to_string(first) + "+" + std::to_string(count));
  };
  observer.reset = [&] { events.push_back("reset"); };
  list.setObserver(observer);

  list.removeAtIndices({4, 1, 9, 1});  // any order, repeats and indices past the end ignored
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list.atIndex(0).path, "/m/1.mp3");
  EXPECT_EQ(list.atIndex(1).path, "/m/3.mp3");
  EXPECT_EQ(list.atIndex(2).path, "/m/4.mp3");
  EXPECT_EQ(list.atIndex(3).path, "/m/6.mp3");
  list.removeAtIndices({1, 2});
  EXPECT_EQ(list.atIndex(1).path, "/m/6.mp3");
  list.removeAtIndices({});
  EXPECT_EQ(events, (std::vector<std::string>{"reset", "removed 1+2"}));
}

}  // namespace
}  // namespace youran
