#include "playlist/track_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace youran {
namespace {

TEST(FileNameDisplayName, FollowsTheFileNameRule) {
  struct Case {
    const char* path;
    const char* name;
  };
  const Case cases[] = {
      {"/music/song.mp3", "song"},
      {"/home/u/music/song.flac", "song"},    // the dot the four-character cut leaves is removed
      {"/home/u/音乐/周杰伦-晴天.mp3", "周杰伦-晴天"},
      {"/歌/夜曲.flac", "夜曲"},               // characters, not bytes, are cut
      {"song.mp3", "song"},
      {"/a/b.c.flac", "bc."},                 // first dot at or after character 2 of "b.c."
      {"/x/y/z/w/ab.flac", "ab."},            // search starts at character 5: the dot stays
      {"/m/a.b", "m"},                         // the cut reaches into the folder name
      {"abc", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(fileNameDisplayName(c.path), c.name) << c.path;
}

TEST(RowNumberText, RightAlignsInThreeCharacters) {
  EXPECT_EQ(rowNumberText(1), "  1");
  EXPECT_EQ(rowNumberText(42), " 42");
  EXPECT_EQ(rowNumberText(999), "999");
  EXPECT_EQ(rowNumberText(100000), "100000");
}

struct Recorder {
  std::vector<std::string> events;
  TrackList::Observer observer() {
    TrackList::Observer o;
    o.rowsInserted = [this](size_t f, size_t n) { add("insert", f, n); };
    o.rowsRemoved = [this](size_t f, size_t n) { add("remove", f, n); };
    o.rowsChanged = [this](size_t f, size_t n) { add("change", f, n); };
    return o;
  }
  void add(const char* what, size_t first, size_t count) {
    events.push_back(std::string(what) + " " + std::to_string(first) + "+" + std::to_string(count));
  }
};

TEST(TrackList, AddTrackNamesARowByTheFileOnlyWithoutAGivenName) {
  TrackList list;
  list.addTrack("/m/one.mp3", "03:45", "Artist-Title", "真");
  list.addTrack("/m/two.mp3", "01:00", "Given-Name", "");
  list.addTrack("/m/three.ogg");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.atIndex(0), (TrackEntry{"/m/one.mp3", "  1", "Artist-Title", "03:45", "真"}));
  EXPECT_EQ(list.atIndex(1), (TrackEntry{"/m/two.mp3", "  2", "Given-Name", "01:00", ""}));
  EXPECT_EQ(list.atIndex(2), (TrackEntry{"/m/three.ogg", "  3", "three", "", ""}));
  EXPECT_TRUE(list.atIndex(0).converted());
  EXPECT_FALSE(list.atIndex(1).converted());
  EXPECT_EQ(list.pathAtRow(1), "/m/one.mp3");
  EXPECT_EQ(list.pathAtRow(3), "/m/three.ogg");
  EXPECT_EQ(list.pathAtRow(0), "");
  EXPECT_EQ(list.pathAtRow(4), "");
  EXPECT_EQ(list.atIndex(2).column(2), "three");
  EXPECT_EQ(list.atIndex(2).column(5), "");
}

TEST(TrackList, RemovingAndRenumberingKeepPathsWithTheirRows) {
  TrackList list;
  Recorder recorder;
  list.setObserver(recorder.observer());
  for (const char* p : {"/a/1.mp3", "/a/2.mp3", "/a/3.mp3", "/a/4.mp3"}) list.addTrack(p);
  EXPECT_TRUE(list.removeAtIndex(1));
  EXPECT_FALSE(list.removeAtIndex(3));
  list.renumberRows();
  list.renumberRows();  // nothing left to change: no notification
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.pathAtRow(2), "/a/3.mp3");
  EXPECT_EQ(list.atIndex(1).name, "3");
  EXPECT_EQ(list.atIndex(1).number, "  2");
  EXPECT_EQ(list.atIndex(2).number, "  3");
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"insert 0+1", "insert 1+1", "insert 2+1",
                                                       "insert 3+1", "remove 1+1", "change 1+2"}));
}

TEST(TrackList, ConvertedColumnsLandOnlyOnTheRowWithThatPath) {
  TrackList list;
  Recorder recorder;
  list.addTrack("/a/1.mp3");
  list.addTrack("/a/2.mp3");
  list.setObserver(recorder.observer());
  EXPECT_FALSE(list.setConverted(0, "/a/2.mp3", "X-Y", "00:10", "真"));
  EXPECT_FALSE(list.setConverted(5, "/a/1.mp3", "X-Y", "00:10", "真"));
  EXPECT_EQ(list.atIndex(0).name, "1");
  EXPECT_TRUE(list.setConverted(1, "/a/2.mp3", "X-Y", "00:10", "真"));
  EXPECT_EQ(list.atIndex(1), (TrackEntry{"/a/2.mp3", "  2", "X-Y", "00:10", "真"}));
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"change 1+1", "remove 0+2"}));
}

}  // namespace
}  // namespace youran
