#include <array>
#include <string>

#include "base/text_encoding.h"
#include "tags/id3.h"

namespace youran {

namespace {

// The ID3v1 genre list with its common extension, names without the blanks
// inside them, spellings as the list has always had them.
constexpr std::array<std::string_view, 148> kGenres = {
    "Blues", "ClassicRock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "NewAge", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "DeathMetal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "SoundClip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "InstrumentalPop", "InstrumentalRock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "SouthernRock", "Comedy",
    "Cult", "Gangsta", "Top40", "ChristianRap", "Pop/Funk", "Jungle", "NativeAmerican", "Cabaret",
    "NewWave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "AcidPunk",
    "AcidJazz", "Polka", "Retro", "Musical", "Rock&Roll", "HardRock", "Folk", "Folk-Rock",
    "NationalFolk", "Swing", "FastFusion", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass",
    "Avantgarde", "GothicRock", "ProgessiveRock", "PsychedelicRock", "SymphonicRock", "SlowRock",
    "BigBand", "Chorus", "EasyListening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "ChamberMusic", "Sonata", "Symphony", "BootyBass", "Primus", "PornGroove", "Satire",
    "SlowJam", "Club", "Tango", "Samba", "Folklore", "Ballad", "PowerBallad", "RhythmicSoul",
    "Freestyle", "Duet", "PunkRock", "DrumSolo", "Acapella", "Euro-House", "DanceHall", "Goa",
    "Drum&Bass", "Club-House", "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk",
    "PolskPunk", "Beat", "ChristianGangstaRap", "HeavyMetal", "BlackMetal", "Crossover",
    "ContemporaryChristian", "ChristianRock", "Merengue", "Salsa", "TrashMetal", "Anime", "JPop",
    "Synthpop",
};

// Layout of the last 128 bytes: "TAG", title 3-32, artist 33-62, album 63-92,
// year 93-96, comment 97-126 (ID3v1.1: 97-124, zero at 125, track at 126),
// genre 127.
std::string Field(std::string_view tag, std::size_t at, std::size_t length) {
  std::string_view text = tag.substr(at, length);
  text = text.substr(0, text.find('\0'));
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  return legacyTextToUtf8(text);
}

void Store(std::string& field, std::string value) {
  if (!value.empty()) field = std::move(value);
}

}  // namespace

std::string_view Id3v1Genre(unsigned index) {
  return index < kGenres.size() ? kGenres[index] : std::string_view{};
}

std::uint64_t Id3v1Size(ByteSource& source) {
  if (source.size() < 128) return 0;
  return source.peek(source.size() - 128, 3) == "TAG" ? 128 : 0;
}

std::uint64_t Id3v1Size(const std::string& path) {
  auto source = FileSource::open(path);
  return source ? Id3v1Size(*source) : 0;
}

void ReadId3v1(ByteSource& source, TagInfo& record) {
  if (source.size() < 128) return;
  const std::string_view tag = source.peek(source.size() - 128, 128);
  if (tag.size() < 128 || tag.substr(0, 3) != "TAG") return;
  Store(record.title, Field(tag, 3, 30));
  Store(record.artist, Field(tag, 33, 30));
  Store(record.album, Field(tag, 63, 30));
  Store(record.year, Field(tag, 93, 4));
  const bool v11 = tag[125] == '\0';
  Store(record.comment, Field(tag, 97, v11 ? 28 : 30));
  // Track 0 is what an ID3v1.1 tag holds when it has no track number.
  if (v11 && tag[126] != '\0') {
    record.track = std::to_string(static_cast<unsigned char>(tag[126]));
  }
  Store(record.genre, std::string(Id3v1Genre(static_cast<unsigned char>(tag[127]))));
}

void ReadId3v1(const std::string& path, TagInfo& record) {
  auto source = FileSource::open(path);
  if (source) ReadId3v1(*source, record);
}

}  // namespace youran
