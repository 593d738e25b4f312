#pragma once

// The lyric of the playing track and the choice of the line to show at a
// moment of it. No Qt: the timers and the windows live in the UI.

#include <cstdint>
#include <string>
#include <string_view>

#include "lyrics/lrc_document.h"

namespace youran {

class LyricSync {
 public:
  // What is shown at a moment.
  struct Shown {
    std::string desktopText;  // always set
    std::string translation;  // beneath the line, when the file has one
    std::string romanization;
    // An unsynced lyric: the whole text for the now-playing page (the
    // desktop line shows its first line).
    std::string staticBlock;
    bool showInBigLabel = false;  // also in the big label when its page is open
    // The line in document().lines(); -1 for a notice, the display name, an
    // unsynced lyric or a line held over from the previous track.
    int lineIndex = -1;
    LrcMoment moment;
  };

  // A new track's lyric (UTF-8, already cut at a zero byte). The held line
  // stays on screen until the new lyric's first line is reached.
  void setLyricText(std::string text);
  const std::string& lyricText() const { return lyricText_; }
  const LrcDocument& document() const { return document_; }
  const std::string& currentLine() const { return currentLine_; }
  const std::string& heldLine() const { return held_.desktopText; }

  Shown tick(int64_t positionMs, std::string_view displayName);
  // When the line shown changes next after `positionMs`; -1 never.
  int64_t nextChangeMs(int64_t positionMs) const { return document_.nextChangeMs(positionMs); }

 private:
  std::string lyricText_;
  LrcDocument document_;
  std::string currentLine_;
  Shown held_;
  bool anyHeld_ = false;
};

}  // namespace youran
