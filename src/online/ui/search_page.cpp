#include "online/ui/search_page.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>

#include "online/ui/search_results.h"
#include "ui/elided_label.h"

namespace youran {

namespace {

QTableView* makeResultList(const QString& name, SearchResultsModel* model) {
  auto* list = new QTableView;
  list->setObjectName(name);
  list->setModel(model);
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

  status_ = new ElidedLabel(this);
  status_->setObjectName(QStringLiteral("状态"));
  status_->setGeometry(150, 14, 260, 34);
  progress_ = new QLabel(this);
  progress_->setObjectName(QStringLiteral("下载进度"));
  progress_->setGeometry(410, 14, 240, 34);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("选择夹2"));
  tabs_->setGeometry(24, 108, 624, 304);
  primaryResults_ = new SearchResultsModel(true, this);
  secondaryResults_ = new SearchResultsModel(false, this);
  primaryList_ = makeResultList(QStringLiteral("超级列表框1"), primaryResults_);
  primaryList_->setColumnWidth(SearchResultsModel::kNumber, 50);
  primaryList_->setColumnWidth(SearchResultsModel::kPrimaryTitle, 260);
  primaryList_->setColumnWidth(SearchResultsModel::kPrimaryArtist, 190);
  primaryList_->setColumnWidth(SearchResultsModel::kPrimaryId, 90);
  secondaryList_ = makeResultList(QStringLiteral("超级列表框2"), secondaryResults_);
  secondaryList_->setColumnWidth(SearchResultsModel::kSecondaryTitle, 240);
  secondaryList_->setColumnWidth(SearchResultsModel::kSecondarySinger, 170);
  secondaryList_->setColumnWidth(SearchResultsModel::kSecondaryAlbum, 180);
  secondaryList_->setColumnHidden(SearchResultsModel::kSecondaryUrl, true);
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
  for (SearchResultsModel* model : {primaryResults_, secondaryResults_})
    connect(model, &QAbstractItemModel::modelReset, this, updateHint);
}

// The models announce their rows' removal while the page takes them down.
SearchPage::~SearchPage() {
  for (SearchResultsModel* model : {primaryResults_, secondaryResults_}) model->disconnect(this);
}

int SearchPage::resultRows() const { return primaryResults_->rowCount() + secondaryResults_->rowCount(); }

}  // namespace youran
