#include "app/pages.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

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

namespace {

QTableWidget* makeResultList(const QString& name, const QStringList& headers) {
  auto* list = new QTableWidget(0, headers.size());
  list->setObjectName(name);
  list->setHorizontalHeaderLabels(headers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setAlternatingRowColors(true);
  list->setShowGrid(false);
  list->setWordWrap(false);
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(28);
  list->horizontalHeader()->setHighlightSections(false);
  return list;
}

}  // namespace

SearchPage::SearchPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("搜索页"));
  auto* title = new QLabel(QStringLiteral("搜索"), this);
  title->setProperty("class", "pageTitle");
  title->setGeometry(28, 14, 120, 34);

  serviceLabel_ = new QLabel(QStringLiteral("网易云"), this);
  serviceLabel_->setObjectName(QStringLiteral("标签2"));
  serviceLabel_->setGeometry(470, 60, 80, 32);

  searchBox_ = new QLineEdit(this);
  searchBox_->setObjectName(QStringLiteral("搜索框1"));
  searchBox_->setPlaceholderText(QStringLiteral("输入歌名或歌手"));
  searchBox_->setGeometry(28, 60, 420, 32);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("状态"));
  status_->setGeometry(150, 14, 260, 34);
  progress_ = new QLabel(this);
  progress_->setObjectName(QStringLiteral("下载进度"));
  progress_->setGeometry(410, 14, 240, 34);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("选择夹2"));
  tabs_->setGeometry(24, 108, 624, 304);
  primaryList_ = makeResultList(QStringLiteral("超级列表框1"),
                                {QStringLiteral("序号"), QStringLiteral("歌名"), QStringLiteral("歌手"),
                                 QStringLiteral("id")});
  primaryList_->setColumnWidth(kNumber, 50);
  primaryList_->setColumnWidth(kPrimaryTitle, 260);
  primaryList_->setColumnWidth(kPrimaryArtist, 190);
  primaryList_->setColumnWidth(kPrimaryId, 90);
  secondaryList_ = makeResultList(QStringLiteral("超级列表框2"),
                                  {QStringLiteral("歌名"), QStringLiteral("歌手"), QStringLiteral("专辑"),
                                   QStringLiteral("URL")});
  secondaryList_->setColumnWidth(kSecondaryTitle, 240);
  secondaryList_->setColumnWidth(kSecondarySinger, 170);
  secondaryList_->setColumnWidth(kSecondaryAlbum, 180);
  secondaryList_->setColumnHidden(kSecondaryUrl, true);
  tabs_->addTab(primaryList_, QStringLiteral("网易云搜索"));
  tabs_->addTab(secondaryList_, QStringLiteral("QQ音乐搜索"));

  // The blue frame around the results, drawn over the lists' edge.
  resultFrame_ = new QFrame(this);
  resultFrame_->setObjectName(QStringLiteral("蓝框"));
  resultFrame_->setStyleSheet(QStringLiteral("QFrame { border: 2px solid #4F7CFF; border-radius: 8px; }"));
  resultFrame_->setGeometry(20, 104, 632, 312);
  resultFrame_->setAttribute(Qt::WA_TransparentForMouseEvents);
  resultFrame_->hide();

  hint_ = new QLabel(QStringLiteral("在线搜索网易云与QQ音乐的歌曲"), this);
  hint_->setProperty("class", "hint");
  hint_->setAlignment(Qt::AlignCenter);
  hint_->setGeometry(20, 240, 632, 30);
  hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto updateHint = [this] { hint_->setVisible(resultRows() == 0); };
  for (QTableWidget* list : {primaryList_, secondaryList_}) {
    connect(list->model(), &QAbstractItemModel::rowsInserted, this, updateHint);
    connect(list->model(), &QAbstractItemModel::rowsRemoved, this, updateHint);
    connect(list->model(), &QAbstractItemModel::modelReset, this, updateHint);
  }
}

// The lists announce their rows' removal while the page takes them down.
SearchPage::~SearchPage() {
  for (QTableWidget* list : {primaryList_, secondaryList_}) list->model()->disconnect(this);
}

int SearchPage::resultRows() const { return primaryList_->rowCount() + secondaryList_->rowCount(); }

}  // namespace youran
