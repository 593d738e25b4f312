#include "app/pages.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>

namespace youran {

MusicPage::MusicPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("我的音乐页"));
  auto* title = new QLabel(QStringLiteral("我的音乐"), this);
  title->setProperty("class", "pageTitle");
  title->setGeometry(28, 14, 200, 34);

  searchBox_ = new QLineEdit(this);
  searchBox_->setObjectName(QStringLiteral("搜索框"));
  searchBox_->setPlaceholderText(QStringLiteral("搜索歌曲、歌手"));
  searchBox_->setGeometry(430, 16, 214, 30);

  playlist_ = new QTableView(this);
  playlist_->setObjectName(QStringLiteral("播放列表框"));
  playlist_->setGeometry(16, 60, 640, 364);
  playlist_->setSelectionBehavior(QAbstractItemView::SelectRows);
  playlist_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  playlist_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  playlist_->setAlternatingRowColors(true);
  playlist_->setShowGrid(false);
  playlist_->setWordWrap(false);
  playlist_->verticalHeader()->hide();
  playlist_->verticalHeader()->setDefaultSectionSize(30);
  playlist_->horizontalHeader()->setHighlightSections(false);
  playlist_->horizontalHeader()->setStretchLastSection(false);

  emptyHint_ = new QLabel(QStringLiteral("列表还是空的，添加一些音乐吧"), this);
  emptyHint_->setProperty("class", "hint");
  emptyHint_->setAlignment(Qt::AlignCenter);
  emptyHint_->setGeometry(16, 200, 640, 30);
  emptyHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

NowPlayingPage::NowPlayingPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("正在播放页"));
  blurredCover_ = new QLabel(this);
  blurredCover_->setObjectName(QStringLiteral("图片框4"));
  blurredCover_->setGeometry(0, 0, 672, 428);
  blurredCover_->setScaledContents(true);
  blurredCover_->hide();

  cover_ = new QLabel(this);
  cover_->setObjectName(QStringLiteral("图片框2"));
  cover_->setGeometry(226, 40, 220, 220);
  cover_->setScaledContents(true);
  cover_->setPixmap(QPixmap(QStringLiteral(":/skin/cover_placeholder.svg")));

  lyricLine_ = new QLabel(QStringLiteral("欢迎使用悠然音乐~~~"), this);
  lyricLine_->setObjectName(QStringLiteral("歌词大"));
  lyricLine_->setProperty("class", "lyricBig");
  lyricLine_->setAlignment(Qt::AlignCenter);
  lyricLine_->setGeometry(20, 300, 632, 50);
}

}  // namespace youran
