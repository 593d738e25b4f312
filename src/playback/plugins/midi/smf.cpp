#include "playback/plugins/midi/smf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

namespace youran::midi {

namespace {

constexpr std::array<uint8_t, 4> kTrackId = {'M', 'T', 'r', 'k'};

uint32_t be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t le32(const uint8_t* p) {
  return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool idIs(std::span<const uint8_t> bytes, size_t at, std::string_view id) {
  return at + id.size() <= bytes.size() &&
         std::memcmp(bytes.data() + at, id.data(), id.size()) == 0;
}

// Chunk ids are four printable ASCII characters; anything else means the
// previous chunk's length was wrong.
bool plausibleChunkId(std::span<const uint8_t> bytes, size_t at) {
  if (at + 8 > bytes.size()) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (bytes[at + i] < 0x20 || bytes[at + i] > 0x7e) return false;
  }
  return true;
}

size_t findTrackChunk(std::span<const uint8_t> bytes, size_t from) {
  if (from >= bytes.size()) return bytes.size();
  auto it = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                        kTrackId.begin(), kTrackId.end());
  return static_cast<size_t>(it - bytes.begin());
}

// The SMF inside a RIFF RMID file: the "data" chunk. Empty when none.
std::span<const uint8_t> unwrapRmid(std::span<const uint8_t> bytes) {
  // "RIFF" size "RMID", then chunks of id, little-endian size, data padded
  // to an even length.
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    size_t size = le32(bytes.data() + at + 4);
    size_t start = at + 8;
    if (idIs(bytes, at, "data")) return bytes.subspan(start, std::min(size, bytes.size() - start));
    if (size > bytes.size() - start) break;
    at = start + size + (size & 1);
  }
  return {};
}

class TrackReader {
 public:
  TrackReader(std::span<const uint8_t> data, Song& song, std::vector<MidiEvent>& out)
      : data_(data), song_(song), out_(out) {}

  // Reads up to End of Track or the first inconsistency. Returns the offset
  // where reading stopped and the track's last tick.
  std::pair<size_t, int64_t> read() {
    while (at_ < data_.size()) {
      uint32_t delta = 0;
      if (!vlq(delta)) return cut();
      tick_ += delta;
      if (at_ >= data_.size()) return cut();
      uint8_t status = data_[at_];
      if (status < 0x80) {
        // Running status: the data bytes of another message like the last.
        if (running_ == 0) return cut();
        status = running_;
      } else {
        ++at_;
      }
      if (status < 0xf0) {
        if (!channelMessage(status)) return cut();
        running_ = status;
      } else if (status == 0xff) {
        if (at_ >= data_.size()) return cut();
        uint8_t type = data_[at_++];
        uint32_t size = 0;
        if (!vlq(size) || size > data_.size() - at_) return cut();
        const uint8_t* body = data_.data() + at_;
        at_ += size;
        lastTick_ = tick_;
        if (type == 0x2f) return {at_, tick_};  // End of Track
        // Set Tempo: microseconds per quarter note, 24 bits; 0 is meaningless.
        if (type == 0x51 && size >= 3) {
          uint32_t micros = uint32_t(body[0]) << 16 | uint32_t(body[1]) << 8 | body[2];
          if (micros > 0) song_.tempo.push_back({tick_, micros});
        }
      } else if (status == 0xf0 || status == 0xf7) {
        uint32_t size = 0;
        if (!vlq(size) || size > data_.size() - at_) return cut();
        // F7 packets escape arbitrary bytes (or continue a split message);
        // only whole F0 messages reach the synthesiser.
        if (status == 0xf0) {
          uint32_t bytes = size;
          if (bytes > 0 && data_[at_ + bytes - 1] == 0xf7) --bytes;
          MidiEvent e;
          e.tick = tick_;
          e.status = 0xf0;
          e.sysexOffset = static_cast<uint32_t>(song_.sysex.size());
          e.sysexSize = bytes;
          song_.sysex.insert(song_.sysex.end(), data_.begin() + static_cast<std::ptrdiff_t>(at_),
                             data_.begin() + static_cast<std::ptrdiff_t>(at_ + bytes));
          out_.push_back(e);
        }
        at_ += size;
        lastTick_ = tick_;
      } else {
        // System common and real-time bytes have no place in a file.
        return cut();
      }
    }
    // The chunk ended without End of Track.
    return cut();
  }

 private:
  std::pair<size_t, int64_t> cut() {
    song_.damaged = true;
    return {at_, lastTick_};
  }

  // A variable-length quantity: at most four bytes of seven bits each.
  bool vlq(uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (at_ >= data_.size()) return false;
      uint8_t b = data_[at_++];
      value = value << 7 | (b & 0x7f);
      if (!(b & 0x80)) return true;
    }
    return false;
  }

  bool channelMessage(uint8_t status) {
    // Program change and channel pressure carry one data byte, the rest two.
    int count = (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2;
    if (at_ + static_cast<size_t>(count) > data_.size()) return false;
    MidiEvent e;
    e.tick = tick_;
    e.status = status;
    e.data1 = data_[at_];
    e.data2 = count == 2 ? data_[at_ + 1] : 0;
    if ((e.data1 | e.data2) & 0x80) return false;
    at_ += static_cast<size_t>(count);
    out_.push_back(e);
    lastTick_ = tick_;
    return true;
  }

  std::span<const uint8_t> data_;
  Song& song_;
  std::vector<MidiEvent>& out_;
  size_t at_ = 0;
  int64_t tick_ = 0;
  int64_t lastTick_ = 0;  // of the last whole event
  uint8_t running_ = 0;
};

bool fail(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

bool readHeader(std::span<const uint8_t> bytes, Song& song, size_t& tracksAt, int& declaredTracks,
                std::string* why) {
  if (bytes.size() < 14 || !idIs(bytes, 0, "MThd")) return fail(why, "no MThd header");
  uint32_t size = be32(bytes.data() + 4);
  if (size < 6) return fail(why, "MThd shorter than 6 bytes");
  song.format = be16(bytes.data() + 8);
  declaredTracks = be16(bytes.data() + 10);
  uint16_t division = be16(bytes.data() + 12);
  if (song.format > 1) return fail(why, "only types 0 and 1 are played");
  if (division & 0x8000) {
    // SMPTE: the high byte is minus the frames per second (29 stands for
    // 29.97 drop-frame), the low byte ticks per frame.
    int fps = -static_cast<int8_t>(division >> 8);
    int perFrame = division & 0xff;
    if (fps <= 0 || perFrame == 0) return fail(why, "bad SMPTE division");
    song.smpteTicksPerSecond = (fps == 29 ? 29.97 : fps) * perFrame;
  } else {
    if (division == 0) return fail(why, "zero ticks per quarter note");
    song.ticksPerQuarter = division;
  }
  // A header longer than six bytes is allowed; its extra bytes are skipped.
  // A length that leads nowhere is wrong: the tracks are looked for.
  tracksAt = 8 + size_t(size);
  if (size > bytes.size() - 8 || !plausibleChunkId(bytes, tracksAt))
    tracksAt = findTrackChunk(bytes, 14);
  return true;
}

void buildTempoMap(Song& song) {
  std::stable_sort(song.tempo.begin(), song.tempo.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  if (song.tempo.empty() || song.tempo.front().tick != 0)
    song.tempo.insert(song.tempo.begin(), TempoChange{});
  song.tempoSeconds.assign(song.tempo.size(), 0.0);
  if (song.smpteTicksPerSecond > 0) return;  // SMPTE time ignores tempo
  for (size_t i = 1; i < song.tempo.size(); ++i) {
    const auto& before = song.tempo[i - 1];
    song.tempoSeconds[i] = song.tempoSeconds[i - 1] + double(song.tempo[i].tick - before.tick) *
                                                          before.microsPerQuarter / 1e6 /
                                                          song.ticksPerQuarter;
  }
}

int64_t tickAtSeconds(const Song& song, double seconds) {
  if (song.smpteTicksPerSecond > 0) return static_cast<int64_t>(seconds * song.smpteTicksPerSecond);
  size_t i = static_cast<size_t>(
      std::upper_bound(song.tempoSeconds.begin(), song.tempoSeconds.end(), seconds) -
      song.tempoSeconds.begin());
  i = i == 0 ? 0 : i - 1;
  double perTick = song.tempo[i].microsPerQuarter / 1e6 / song.ticksPerQuarter;
  return song.tempo[i].tick + static_cast<int64_t>((seconds - song.tempoSeconds[i]) / perTick);
}

}  // namespace

double Song::secondsAt(int64_t tick) const {
  if (smpteTicksPerSecond > 0) return double(tick) / smpteTicksPerSecond;
  if (tempo.empty() || ticksPerQuarter <= 0) return 0;
  auto it = std::upper_bound(tempo.begin(), tempo.end(), tick,
                             [](int64_t t, const TempoChange& c) { return t < c.tick; });
  size_t i = it == tempo.begin() ? 0 : static_cast<size_t>(it - tempo.begin()) - 1;
  return tempoSeconds[i] +
         double(tick - tempo[i].tick) * tempo[i].microsPerQuarter / 1e6 / ticksPerQuarter;
}

bool looksLikeSmf(std::span<const uint8_t> bytes) {
  return idIs(bytes, 0, "MThd") || (idIs(bytes, 0, "RIFF") && idIs(bytes, 8, "RMID"));
}

std::optional<Song> parseSmf(std::span<const uint8_t> bytes, std::string* why) {
  if (idIs(bytes, 0, "RIFF") && idIs(bytes, 8, "RMID")) bytes = unwrapRmid(bytes);
  Song song;
  size_t at = 0;
  int declaredTracks = 0;
  if (!readHeader(bytes, song, at, declaredTracks, why)) return std::nullopt;

  std::vector<MidiEvent> track;
  while (song.tracksRead < declaredTracks && at + 8 <= bytes.size()) {
    size_t size = be32(bytes.data() + at + 4);
    size_t start = at + 8;
    size_t declaredEnd = size > bytes.size() - start ? bytes.size() : start + size;
    if (!idIs(bytes, at, "MTrk")) {
      // Another chunk type is skipped whole; it may be followed by tracks.
      at = declaredEnd;
      if (at < bytes.size() && !plausibleChunkId(bytes, at)) at = findTrackChunk(bytes, start);
      continue;
    }
    if (declaredEnd == bytes.size() && start + size != bytes.size()) song.damaged = true;
    track.clear();
    auto [stoppedAt, lastTick] =
        TrackReader(bytes.subspan(start, declaredEnd - start), song, track).read();
    song.events.insert(song.events.end(), track.begin(), track.end());
    song.endTick = std::max(song.endTick, lastTick);
    ++song.tracksRead;
    // Where the declared length does not lead to another chunk, it was
    // wrong: look for the next track after what this one used.
    at = declaredEnd;
    if (at < bytes.size() && !plausibleChunkId(bytes, at)) {
      song.damaged = true;
      at = findTrackChunk(bytes, start + stoppedAt);
    }
  }
  if (song.tracksRead == 0) {
    if (why) *why = "no track";
    return std::nullopt;
  }

  std::stable_sort(song.events.begin(), song.events.end(),
                   [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
  buildTempoMap(song);
  if (song.lengthSeconds() > kLongestSongSeconds) {
    int64_t last = tickAtSeconds(song, kLongestSongSeconds);
    song.endTick = last;
    auto keep = std::upper_bound(song.events.begin(), song.events.end(), last,
                                 [](int64_t t, const MidiEvent& e) { return t < e.tick; });
    song.events.erase(keep, song.events.end());
    song.damaged = true;
  }
  return song;
}

}  // namespace youran::midi
