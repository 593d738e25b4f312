#pragma once

// The pages of `选择夹1` other than the settings page: "我的音乐" (the
// playlist) and "正在播放" (cover, backdrop and the large lyric line); the
// search page is online/ui/search_page.h.

#include <QWidget>

class QLabel;
class QLineEdit;
class QTableView;

namespace youran {

class MusicPage : public QWidget {
  Q_OBJECT
 public:
  explicit MusicPage(QWidget* parent = nullptr);
  QLineEdit* searchBox() const { return searchBox_; }
  QTableView* playlistView() const { return playlist_; }
  QLabel* emptyHint() const { return emptyHint_; }

 private:
  QLineEdit* searchBox_;
  QTableView* playlist_;
  QLabel* emptyHint_;
};

class NowPlayingPage : public QWidget {
  Q_OBJECT
 public:
  explicit NowPlayingPage(QWidget* parent = nullptr);
  QLabel* cover() const { return cover_; }
  QLabel* blurredCover() const { return blurredCover_; }
  QLabel* lyricLine() const { return lyricLine_; }

 private:
  QLabel* blurredCover_;
  QLabel* cover_;
  QLabel* lyricLine_;
};

}  // namespace youran
