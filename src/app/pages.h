#pragma once

// The pages of `选择夹1` other than the settings page: "我的音乐" (the
// playlist), "正在播放" (cover, backdrop and the large lyric line) and "搜索".

#include <QWidget>

class QLabel;
class QLineEdit;
class QTableView;
class QTableWidget;
class QTabWidget;
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
  // Columns of the two result lists; 超级列表框2 keeps its stream URL in a
  // hidden fourth column.
  enum PrimaryColumn { kNumber = 0, kPrimaryTitle = 1, kPrimaryArtist = 2, kPrimaryId = 3 };
  enum SecondaryColumn { kSecondaryTitle = 0, kSecondarySinger = 1, kSecondaryAlbum = 2, kSecondaryUrl = 3 };

  explicit SearchPage(QWidget* parent = nullptr);
  ~SearchPage() override;
  QLineEdit* searchBox() const { return searchBox_; }
  QFrame* resultFrame() const { return resultFrame_; }
  QTabWidget* serviceTabs() const { return tabs_; }
  QTableWidget* primaryList() const { return primaryList_; }
  QTableWidget* secondaryList() const { return secondaryList_; }
  QLabel* serviceLabel() const { return serviceLabel_; }
  QLabel* statusLabel() const { return status_; }
  QLabel* progressLabel() const { return progress_; }
  // Rows in either result list.
  int resultRows() const;

 private:
  QLineEdit* searchBox_;
  QFrame* resultFrame_;
  QTabWidget* tabs_;
  QTableWidget* primaryList_;
  QTableWidget* secondaryList_;
  QLabel* serviceLabel_;
  QLabel* status_;
  QLabel* progress_;
  QLabel* hint_;
};

}  // namespace youran
