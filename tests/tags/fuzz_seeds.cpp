// Writes the seed corpora of fuzz/tags from the test fixtures:
//   tags_fuzz_seeds OUTPUT_DIR
// creates OUTPUT_DIR/<target>/<n>.bin for every fuzz target.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/tag_fixtures.h"

using namespace youran::testing;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: tags_fuzz_seeds OUTPUT_DIR\n", stderr);
    return 2;
  }
  const std::string jpeg = fakeJpeg(64);
  const std::string frames = mpegFrame(0xFFFB9000, 417, xingBody("Xing", 3, 100, 40000)) +
                             mpegFrame(0xFFFB9000, 417);
  const std::string id3v23 = id3v2Tag(
      3, {{"TIT2", id3Text(1, "\xFF\xFE" + utf16le("title"))}, {"TPE1", id3Text(0, "artist")},
          {"COMM", id3Comment(0, "eng", "d", "comment")}, {"WXXX", std::string("\0\0http://u/", 11)},
          {"APIC", id3Apic(0, "image/jpeg", 3, "desc", jpeg)}},
      Id3TagOptions().padded(16));
  const std::string id3v24 =
      id3v2Tag(4, {{"TIT2", id3Text(3, std::string(200, 't'))}, {"USLT", id3Comment(3, "chi", "", "l")},
                   {"APIC", syncsafeBytes(static_cast<std::uint32_t>(jpeg.size() + 13)) +
                                unsynchronise(id3Apic(0, "image/jpeg", 3, "", jpeg)), 0x0003}});
  const std::string id3v22 = id3v2Tag(2, {{"TT2", id3Text(0, "t")}, {"PIC", std::string("\0JPG\x03\0", 6) + jpeg}});
  const std::string id3unsync =
      id3v2Tag(3, {{"TIT2", id3Text(0, "\xFF\xE0")}}, Id3TagOptions().unsynchronised());
  const std::string id3v1 = id3v1Tag("title", "artist", "album", "2001", "comment", 3, 17);
  const std::string ape = apeTag({apeItem("Title", "t"), apeItem("Artist", "a"),
                                  apeItem("Cover Art (Front)", std::string("c.jpg\0", 6) + jpeg, 2)},
                                 true);
  const std::string ogg = oggStream(
      {vorbisIdentification(2, 44100, 128000),
       vorbisCommentPacket("v", {"TITLE=t", "ARTIST=a",
                                 "METADATA_BLOCK_PICTURE=" + base64(flacPicture(3, "image/jpeg", "", jpeg))}),
       std::string(40, 'a')},
      44100, 1, 3);
  const std::string flac = "fLaC" + flacBlock(0, flacStreamInfo(44100, 2, 16, 441000), false) +
                           flacBlock(4, vorbisComment("v", {"TITLE=t", "Url=u"}), false) +
                           flacBlock(6, flacPicture(3, "image/jpeg", "", jpeg), true) +
                           std::string(64, '\x55');
  const std::string mp4 = mp4File({mp4Item("\xA9nam", 1, "t"), mp4Item("aART", 1, "a"),
                                   mp4Item("covr", 13, jpeg)});
  const std::string wma = asfHeader(
      {asfFileProperties(30000000, 1000), asfContentDescription("t", "a", "c", "d"),
       asfExtendedContent({{"WM/AlbumTitle", 0, utf16le("al", true)},
                           {"WM/Track", 3, le32Bytes(2)},
                           {"WM/Picture", 1, asfPicture(3, "image/jpeg", jpeg)}}),
       asfCodecList("WMA", "128 kbps, 44 kHz, stereo")});

  const std::map<std::string, std::vector<std::string>> corpora = {
      {"tags_fuzz_id3v2", {id3v23, id3v24, id3v22, id3unsync}},
      {"tags_fuzz_id3v1", {id3v1, "x" + id3v1}},
      {"tags_fuzz_mpeg", {frames, id3v23 + frames, mpegFrame(0xFFFB9000, 417, vbriBody(9000, 30))}},
      {"tags_fuzz_ape",
       {ape, frames + ape + id3v1, macHeaderNew(3990, 294912, 100, 3, 16, 2, 44100) + ape,
        macHeaderOld(3800, 4000, 2, 44100, 3, 100)}},
      {"tags_fuzz_ogg", {ogg}},
      {"tags_fuzz_flac", {flac}},
      {"tags_fuzz_mp4", {mp4}},
      {"tags_fuzz_wma", {wma}},
      {"tags_fuzz_dispatch", {"mp3:" + id3v23 + frames + ape + id3v1, "ogg:" + ogg, "flac:" + flac,
                              "wma:" + wma, "m4a:" + mp4, "ape:" + ape}},
  };
  for (const auto& [target, seeds] : corpora) {
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / target;
    std::filesystem::create_directories(dir);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
      std::ofstream(dir / ("seed" + std::to_string(i) + ".bin"), std::ios::binary) << seeds[i];
    }
  }
  return 0;
}
