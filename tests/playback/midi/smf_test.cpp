// The Standard MIDI File reader on files the tests write: lengths from the
// tempo map, and what is kept of broken files.

#include "playback/plugins/midi/smf.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>

#include "support/midi_fixtures.h"

namespace youran::testing {
namespace {

using midi::parseSmf;
using midi::Song;

std::span<const uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// One note per beat on channel 0 from tick 0, `beats` of them, 480 ticks each.
MidiTrack beats(int beats, bool runningStatus = false) {
  MidiTrack t(runningStatus);
  t.program(0, 0);
  for (int i = 0; i < beats; ++i)
    t.at(480u * i).noteOn(0, 60 + i % 12, 100).at(480u * i + 240).noteOff(0, 60 + i % 12);
  return t;
}

int countNotesOn(const Song& song) {
  int n = 0;
  for (const auto& e : song.events) n += (e.status & 0xf0) == 0x90 && e.data2 > 0;
  return n;
}

struct LengthCase {
  const char* name;
  std::function<std::string()> file;
  double seconds;
  int notes;
  bool damaged;
};

TEST(MidiSmf, LengthFollowsTheTempoMap) {
  const LengthCase cases[] = {
      {"type 0, default 120 bpm", [] { return midiFile(0, 480, {beats(4).at(1920).end()}); }, 2.0,
       4, false},
      {"running status", [] { return midiFile(0, 480, {beats(4, true).at(1920).end()}); }, 2.0, 4,
       false},
      {"type 1, tempo halves at beat 2",
       [] {
         MidiTrack tempo;
         tempo.tempo(500000).at(960).tempo(1000000).at(1920).end();
         return midiFile(1, 480, {tempo, beats(4).at(1920).end()});
       },
       0.5 * 2 + 1.0 * 2, 4, false},
      {"tempo on the second track applies to the first",
       [] {
         MidiTrack tempo;
         tempo.at(480).tempo(250000).at(960).end();
         return midiFile(1, 96 * 5, {beats(4).at(1920).end(), tempo});
       },
       0.5 + 0.25 * 3, 4, false},
      {"the longest track gives the length",
       [] {
         MidiTrack longer;
         longer.at(4800).end();
         return midiFile(1, 480, {beats(2).at(960).end(), longer});
       },
       5.0, 2, false},
      {"note held past its track's last event",
       [] {
         MidiTrack t;
         t.noteOn(0, 60, 100).at(1440).end();
         return midiFile(0, 480, {t});
       },
       1.5, 1, false},
      {"SMPTE 25 fps x 40 ticks",
       [] {
         MidiTrack t;
         t.noteOn(0, 60, 100).at(1000).noteOff(0, 60).at(2500).end();
         return midiFile(0, 0xe728, {t});
       },
       2.5, 1, false},
      {"MThd with extra header bytes",
       [] {
         std::string header("\x00\x00\x00\x01\x01\xe0xyzw", 10);
         return midiChunk("MThd", header) + midiChunk("MTrk", beats(2).at(960).end().data());
       },
       1.0, 2, false},
      {"unknown chunk between tracks is skipped",
       [] {
         std::string header("\x00\x01\x00\x02\x01\xe0", 6);
         return midiChunk("MThd", header) + midiChunk("MTrk", beats(1).at(480).end().data()) +
                midiChunk("XFIH", "whatever") + midiChunk("MTrk", beats(3).at(1440).end().data());
       },
       1.5, 4, false},
      {"RIFF RMID wrapper",
       [] {
         std::string smf = midiFile(0, 480, {beats(2).at(960).end()});
         auto le = [](uint32_t v) {
           return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
         };
         return "RIFF" + le(uint32_t(smf.size() + 12)) + "RMID" + "data" +
                le(uint32_t(smf.size())) + smf;
       },
       1.0, 2, false},
      // Broken files: what came before the fault is kept.
      {"track truncated inside an event",
       [] {
         std::string whole = midiFile(0, 480, {beats(4).at(1920).end()});
         return whole.substr(0, whole.size() - 9);  // inside the last note-off
       },
       1.5, 4, true},
      {"track length shorter than the track",
       [] {
         std::string header("\x00\x01\x00\x02\x01\xe0", 6);
         std::string first = beats(2).at(960).end().data();
         return midiChunk("MThd", header) + midiChunk("MTrk", first, uint32_t(first.size() - 5)) +
                midiChunk("MTrk", beats(4).at(1920).end().data());
       },
       2.0, 2 + 4, true},
      {"track length running into the next track",
       [] {
         std::string header("\x00\x01\x00\x02\x01\xe0", 6);
         std::string first = beats(2).at(960).end().data();
         std::string second = beats(4).at(1920).end().data();
         return midiChunk("MThd", header) + midiChunk("MTrk", first, uint32_t(first.size() + 12)) +
                midiChunk("MTrk", second);
       },
       2.0, 2 + 4, true},
      {"track length beyond the file",
       [] {
         std::string data = beats(2).at(960).end().data();
         return midiChunk("MThd", std::string("\x00\x00\x00\x01\x01\xe0", 6)) +
                midiChunk("MTrk", data, 100000);
       },
       1.0, 2, true},
      {"MThd length leading nowhere",
       [] {
         std::string header("\x00\x00\x00\x01\x01\xe0", 6);
         return midiChunk("MThd", header, 0x7fffffff) +
                midiChunk("MTrk", beats(2).at(960).end().data());
       },
       1.0, 2, false},
      {"status byte of a system common message",
       [] {
         MidiTrack t = beats(2);
         t.at(960).raw("\xf3\x01").at(1920).noteOn(0, 70, 100).end();
         return midiFile(0, 480, {t});
       },
       0.5 + 0.25, 2, true},
      {"data byte with no status before it",
       [] {
         MidiTrack t;
         t.raw(std::string("\x3c\x40", 2)).at(480).end();
         return midiFile(0, 480, {t});
       },
       0.0, 0, true},
      {"a delta time claiming years is cut at a day",
       [] {
         MidiTrack t;
         t.noteOn(0, 60, 100).at(0x0fffffff).noteOff(0, 60);  // the largest delta time
         return midiFile(0, 1, {t});                          // one tick a beat
       },
       midi::kLongestSongSeconds, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = c.file();
    std::string why;
    auto song = parseSmf(bytesOf(bytes), &why);
    ASSERT_TRUE(song.has_value()) << why;
    EXPECT_NEAR(song->lengthSeconds(), c.seconds, 0.001);
    EXPECT_EQ(countNotesOn(*song), c.notes);
    EXPECT_EQ(song->damaged, c.damaged);
    for (size_t i = 1; i < song->events.size(); ++i)
      ASSERT_LE(song->events[i - 1].tick, song->events[i].tick);
  }
}

TEST(MidiSmf, RefusesWhatIsNotAType0Or1File) {
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"not MIDI", std::string("RIFF\x10\x00\x00\x00WAVEfmt ", 16)},
      {"header cut", std::string("MThd\x00\x00\x00\x06\x00\x00", 10)},
      {"header shorter than 6", midiChunk("MThd", std::string("\x00\x00\x00\x01", 4)) +
                                    midiChunk("MTrk", beats(1).end().data())},
      {"type 2", midiFile(2, 480, {beats(1).end()})},
      {"zero ticks per quarter", midiFile(0, 0, {beats(1).end()})},
      {"SMPTE with zero ticks per frame", midiFile(0, 0xe700, {beats(1).end()})},
      {"no track chunk", midiChunk("MThd", std::string("\x00\x00\x00\x01\x01\xe0", 6))},
      {"RMID without data", std::string("RIFF\x04\x00\x00\x00RMID", 12)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    std::string why;
    EXPECT_FALSE(parseSmf(bytesOf(bytes), &why).has_value());
    EXPECT_FALSE(why.empty());
  }
}

TEST(MidiSmf, EventsMergeByTickAndKeepTrackOrder) {
  MidiTrack a, b;
  a.at(0).controller(0, 7, 100).at(480).noteOn(0, 60, 90).at(960).end();
  b.at(0)
      .program(1, 40)
      .at(480)
      .noteOn(1, 67, 80)
      .at(480)
      .sysex(std::string("\x7e\x7f\x09\x01\xf7", 5))
      .end();
  std::string bytes = midiFile(1, 480, {a, b});
  auto song = parseSmf(bytesOf(bytes));
  ASSERT_TRUE(song.has_value());
  ASSERT_EQ(song->events.size(), 5u);
  const uint8_t statuses[] = {0xb0, 0xc1, 0x90, 0x91, 0xf0};
  const int64_t ticks[] = {0, 0, 480, 480, 480};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(song->events[i].status, statuses[i]) << i;
    EXPECT_EQ(song->events[i].tick, ticks[i]) << i;
  }
  // The GM-on message, without the F0 before it and the F7 after it.
  const auto& sysex = song->events[4];
  ASSERT_EQ(sysex.sysexSize, 4u);
  EXPECT_EQ(std::string(song->sysex.begin() + sysex.sysexOffset,
                        song->sysex.begin() + sysex.sysexOffset + 4),
            std::string("\x7e\x7f\x09\x01", 4));
  EXPECT_TRUE(midi::looksLikeSmf(bytesOf(bytes)));
}

}  // namespace
}  // namespace youran::testing
