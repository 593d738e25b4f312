#include "lyrics/lyric_sync.h"

#include "lyrics/lrc_lookup.h"

namespace youran {

void LyricSync::setLyricText(std::string text) {
  lyricText_ = std::move(text);
  // The held line belongs to the previous lyric; its timing means nothing now.
  heldStartMs_ = -1;
  heldEndMs_ = -1;
}

LyricSync::Shown LyricSync::tick(std::string_view positionText, std::string_view displayName) {
  const LyricMatch match = matchLineForPosition(positionText, lyricText_);
  currentLine_.assign(match.line);
  Shown shown;
  if (lyricText_.empty()) {
    shown.desktopText = "暂无 ";
    shown.desktopText += displayName;
    shown.desktopText += "的歌词";
    return shown;
  }
  if (!currentLine_.empty()) {
    heldLine_ = currentLine_;
    heldStartMs_ = match.timeMs;
    heldEndMs_ = nextTagTimeMs(lyricText_, match.timeMs);
  }
  if (!heldLine_.empty()) {
    shown.desktopText = heldLine_;
    shown.showInBigLabel = true;
    shown.lineStartMs = heldStartMs_;
    shown.lineEndMs = heldEndMs_;
    return shown;
  }
  shown.desktopText.assign(displayName);
  return shown;
}

}  // namespace youran
