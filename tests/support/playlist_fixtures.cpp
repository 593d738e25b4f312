#include "support/playlist_fixtures.h"

#include <cstdio>

#include "base/text_encoding.h"
#include "support/temp_folder.h"

namespace youran::testing {

std::string musicListBytes(const std::vector<std::string>& lines) {
  std::string text = "[音乐播放器列表文件]";
  for (const auto& line : lines) text += "\r\n" + line;
  return utf8ToGb18030(text);
}

std::string musicListLine(const std::string& path, size_t row, const std::string& name,
                          const std::string& duration, const std::string& flag) {
  char number[24];
  std::snprintf(number, sizeof number, "%3zu", row);
  return path + "|" + number + "|" + name + "|" + duration + "|" + flag;
}

std::string largeMusicList(size_t rows) {
  std::vector<std::string> lines;
  lines.reserve(rows);
  for (size_t i = 0; i < rows; ++i) {
    std::string artist = "歌手" + std::to_string(i % 700);
    std::string title = "歌曲" + std::to_string(i);
    std::string stem = std::to_string(i % 20 + 1) + " " + title;
    std::string path =
        "/home/user/Music/Collection/" + artist + "/Album No." + std::to_string(i % 4000) + "/" + stem + ".mp3";
    bool converted = i % 10 != 0;
    lines.push_back(musicListLine(path, i + 1, converted ? artist + "-" + title : stem,
                                  converted ? "03:4" + std::to_string(i % 10) : "",
                                  converted ? "真" : ""));
  }
  return musicListBytes(lines);
}

bool makeTrack(const std::filesystem::path& file, double seconds, const std::string& artist,
               const std::string& title) {
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i " +
                        shellQuote("sine=frequency=440:sample_rate=44100:duration=" +
                                   std::to_string(seconds));
  if (!artist.empty()) command += " -metadata " + shellQuote("artist=" + artist);
  if (!title.empty()) command += " -metadata " + shellQuote("title=" + title);
  command += " " + shellQuote(file.string()) + " >/dev/null 2>&1";
  return runCommand(command) == 0;
}

}  // namespace youran::testing
