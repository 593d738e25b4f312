#pragma once

// The lyric of the playing track and the once-a-second choice of the line to
// show. No Qt: the timer and the windows live in the UI.

#include <cstdint>
#include <string>
#include <string_view>

namespace youran {

class LyricSync {
 public:
  // What one tick shows.
  struct Shown {
    std::string desktopText;      // always set
    bool showInBigLabel = false;  // also in the big label when its page is open
    // The line's sung span for the karaoke sweep; -1 when unknown (a notice,
    // the display name, a line held over from the previous track).
    int64_t lineStartMs = -1;
    int64_t lineEndMs = -1;
  };

  // A new track's lyric (UTF-8, already cut at a zero byte). The held line
  // stays on screen until the new lyric's first line is reached.
  void setLyricText(std::string text);
  const std::string& lyricText() const { return lyricText_; }
  const std::string& currentLine() const { return currentLine_; }
  const std::string& heldLine() const { return heldLine_; }

  Shown tick(std::string_view positionText, std::string_view displayName);

 private:
  std::string lyricText_;
  std::string currentLine_;
  std::string heldLine_;
  int64_t heldStartMs_ = -1;
  int64_t heldEndMs_ = -1;
};

}  // namespace youran
