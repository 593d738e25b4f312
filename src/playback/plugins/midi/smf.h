#pragma once

// Standard MIDI Files (type 0 and 1, also inside a RIFF "RMID" wrapper):
// the events of every track merged into one time line, and the tempo map
// that turns their ticks into seconds. No synthesis here; the MIDI plug-in
// plays what this finds.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace youran::midi {

struct MidiEvent {
  int64_t tick = 0;
  // A channel message (0x80..0xEF) or 0xF0, a system exclusive message whose
  // bytes (without the leading F0 and the closing F7) are
  // Song::sysex[sysexOffset, sysexOffset + sysexSize).
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  uint32_t sysexOffset = 0;
  uint32_t sysexSize = 0;
};

struct TempoChange {
  int64_t tick = 0;
  uint32_t microsPerQuarter = 500000;  // 120 beats per minute until the first change
};

struct Song {
  int format = 0;
  int tracksRead = 0;
  // Ticks per quarter note, or for SMPTE time ticks per second.
  int ticksPerQuarter = 0;
  double smpteTicksPerSecond = 0;
  // By tick; events of one tick keep their track order, then file order.
  std::vector<MidiEvent> events;
  std::vector<uint8_t> sysex;
  // By tick, from every track; tempoSeconds[i] is where tempo[i] starts.
  std::vector<TempoChange> tempo;
  std::vector<double> tempoSeconds;
  // The last tick of the longest track: its End of Track event, or the last
  // event read from a track that was cut short.
  int64_t endTick = 0;
  // Something was cut: a track ended inside an event, a chunk length ran
  // past the file, or a track ran past the longest length we play.
  bool damaged = false;

  double secondsAt(int64_t tick) const;
  double lengthSeconds() const { return secondsAt(endTick); }
};

// Files longer than this are cut here (a broken delta time can claim years).
inline constexpr double kLongestSongSeconds = 24.0 * 3600.0;

// True when the bytes start like a MIDI file this parser reads ("MThd", or a
// RIFF RMID wrapper).
bool looksLikeSmf(std::span<const uint8_t> bytes);

// nullopt, with the reason in `why`, when the bytes are not a Standard MIDI
// File of type 0 or 1 or hold no track at all. A damaged file gives what was
// read up to the first inconsistency in each track.
std::optional<Song> parseSmf(std::span<const uint8_t> bytes, std::string* why = nullptr);

}  // namespace youran::midi
