#include "support/midi_fixtures.h"

namespace youran::testing {

namespace {
std::string be(uint32_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
  return out;
}
}  // namespace

std::string midiVarLength(uint32_t value) {
  std::string out(1, static_cast<char>(value & 0x7f));
  while (value >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7f)));
  return out;
}

MidiTrack& MidiTrack::at(uint32_t tick) {
  now_ = tick < written_ ? written_ : tick;
  return *this;
}

void MidiTrack::delta() {
  data_ += midiVarLength(now_ - written_);
  written_ = now_;
}

void MidiTrack::channelEvent(uint8_t status, std::string_view dataBytes) {
  delta();
  if (!runningStatus_ || status != status_) data_.push_back(static_cast<char>(status));
  status_ = status;
  data_ += dataBytes;
}

MidiTrack& MidiTrack::tempo(uint32_t microsPerQuarter) {
  delta();
  data_ += std::string("\xff\x51\x03", 3) + be(microsPerQuarter, 3);
  return *this;
}

MidiTrack& MidiTrack::program(int channel, int program) {
  channelEvent(static_cast<uint8_t>(0xc0 | channel), std::string(1, static_cast<char>(program)));
  return *this;
}

MidiTrack& MidiTrack::controller(int channel, int number, int value) {
  channelEvent(static_cast<uint8_t>(0xb0 | channel),
               std::string{static_cast<char>(number), static_cast<char>(value)});
  return *this;
}

MidiTrack& MidiTrack::noteOn(int channel, int key, int velocity) {
  channelEvent(static_cast<uint8_t>(0x90 | channel),
               std::string{static_cast<char>(key), static_cast<char>(velocity)});
  return *this;
}

MidiTrack& MidiTrack::noteOff(int channel, int key) {
  channelEvent(static_cast<uint8_t>(0x80 | channel), std::string{static_cast<char>(key), '\0'});
  return *this;
}

MidiTrack& MidiTrack::sysex(std::string_view bytesAfterF0) {
  delta();
  data_.push_back('\xf0');
  data_ += midiVarLength(static_cast<uint32_t>(bytesAfterF0.size()));
  data_ += bytesAfterF0;
  return *this;
}

MidiTrack& MidiTrack::end() {
  delta();
  data_ += std::string("\xff\x2f\x00", 3);
  return *this;
}

MidiTrack& MidiTrack::raw(std::string_view bytes) {
  delta();
  data_ += bytes;
  return *this;
}

std::string midiChunk(std::string_view id, std::string_view data,
                      std::optional<uint32_t> declaredLength) {
  return std::string(id) + be(declaredLength.value_or(static_cast<uint32_t>(data.size())), 4) +
         std::string(data);
}

std::string midiFile(int format, uint16_t division, const std::vector<MidiTrack>& tracks) {
  std::string header = be(static_cast<uint32_t>(format), 2) +
                       be(static_cast<uint32_t>(tracks.size()), 2) + be(division, 2);
  std::string file = midiChunk("MThd", header);
  for (const auto& t : tracks) file += midiChunk("MTrk", t.data());
  return file;
}

}  // namespace youran::testing
