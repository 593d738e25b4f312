#include "lyrics/lyric_sync.h"

namespace youran {

void LyricSync::setLyricText(std::string text) {
  lyricText_ = std::move(text);
  document_ = LrcDocument::parse(lyricText_);
  // The held line belongs to the previous lyric; its timing means nothing now.
  held_.lineIndex = -1;
  held_.moment = {};
}

LyricSync::Shown LyricSync::tick(int64_t positionMs, std::string_view displayName) {
  currentLine_.clear();
  Shown shown;
  if (lyricText_.empty()) {
    shown.desktopText = "暂无 ";
    shown.desktopText += displayName;
    shown.desktopText += "的歌词";
    return shown;
  }
  if (!document_.synced() && !document_.plainText().empty()) {
    const std::string& block = document_.plainText();
    shown.desktopText = block.substr(0, block.find('\n'));
    shown.staticBlock = block;
    shown.showInBigLabel = true;
    return shown;
  }
  const LrcMoment m = document_.at(positionMs);
  if (m.index >= 0) {
    const LrcLine& line = document_.lines()[static_cast<size_t>(m.index)];
    currentLine_ = line.text;
    shown.desktopText = line.text;
    shown.translation = line.translation;
    shown.romanization = line.romanization;
    shown.showInBigLabel = true;
    shown.lineIndex = m.index;
    shown.moment = m;
    held_ = shown;
    anyHeld_ = true;
    return shown;
  }
  if (anyHeld_) {
    shown = held_;
    shown.lineIndex = -1;
    shown.moment = {};
    return shown;
  }
  shown.desktopText.assign(displayName);
  return shown;
}

}  // namespace youran
