#pragma once

// Standard MIDI Files written by the tests: tracks of events at absolute
// ticks, put together into a file, with ways to break the chunks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace youran::testing {

class MidiTrack {
 public:
  // Later events are written without their status byte when it repeats.
  explicit MidiTrack(bool runningStatus = false) : runningStatus_(runningStatus) {}

  // The absolute tick of the events that follow (never before the last).
  MidiTrack& at(uint32_t tick);
  MidiTrack& tempo(uint32_t microsPerQuarter);
  MidiTrack& program(int channel, int program);
  MidiTrack& controller(int channel, int number, int value);
  MidiTrack& noteOn(int channel, int key, int velocity);
  MidiTrack& noteOff(int channel, int key);
  MidiTrack& sysex(std::string_view bytesAfterF0);
  MidiTrack& end();
  // Any bytes after the delta time, as they are.
  MidiTrack& raw(std::string_view bytes);

  const std::string& data() const { return data_; }

 private:
  void channelEvent(uint8_t status, std::string_view dataBytes);
  void delta();

  std::string data_;
  uint32_t now_ = 0;
  uint32_t written_ = 0;
  uint8_t status_ = 0;
  bool runningStatus_;
};

std::string midiVarLength(uint32_t value);

// A chunk; `declaredLength` replaces the true length in its header.
std::string midiChunk(std::string_view id, std::string_view data,
                      std::optional<uint32_t> declaredLength = std::nullopt);

// MThd (format, track count, division) and one MTrk chunk per track.
std::string midiFile(int format, uint16_t division, const std::vector<MidiTrack>& tracks);

}  // namespace youran::testing
