#pragma once

// The pages of `选择夹1` other than the settings page: "我的音乐" (the
// playlist), "正在播放" (cover, backdrop and the large lyric line) and "搜索".

#include <QWidget>

class QLabel;
class QLineEdit;
class QTableView;
class QFrame;

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

class SearchPage : public QWidget {
  Q_OBJECT
 public:
  explicit SearchPage(QWidget* parent = nullptr);
  QLineEdit* searchBox() const { return searchBox_; }
  QFrame* resultFrame() const { return resultFrame_; }
  // Rows in either result list; the lists themselves come with the online
  // services.
  int resultRows() const { return 0; }

 private:
  QLineEdit* searchBox_;
  QFrame* resultFrame_;
};

}  // namespace youran
