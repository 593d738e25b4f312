#pragma once

// The page "搜索": 搜索框1, the two result lists in 选择夹2 ("网易云搜索",
// "QQ音乐搜索"), the service label, 状态 and 下载进度. The lists show the
// typed results of their models.

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTableView;

namespace youran {

class SearchResultsModel;

class SearchPage : public QWidget {
  Q_OBJECT
 public:
  explicit SearchPage(QWidget* parent = nullptr);
  ~SearchPage() override;
  QLineEdit* searchBox() const { return searchBox_; }
  QFrame* resultFrame() const { return resultFrame_; }
  QTabWidget* serviceTabs() const { return tabs_; }
  QTableView* primaryList() const { return primaryList_; }
  QTableView* secondaryList() const { return secondaryList_; }
  SearchResultsModel* primaryResults() const { return primaryResults_; }
  SearchResultsModel* secondaryResults() const { return secondaryResults_; }
  SearchResultsModel* results(bool primary) const { return primary ? primaryResults_ : secondaryResults_; }
  QLabel* serviceLabel() const { return serviceLabel_; }
  QLabel* statusLabel() const { return status_; }
  QLabel* progressLabel() const { return progress_; }
  // Rows in either result list.
  int resultRows() const;

 private:
  QLineEdit* searchBox_;
  QFrame* resultFrame_;
  QTabWidget* tabs_;
  SearchResultsModel* primaryResults_;
  SearchResultsModel* secondaryResults_;
  QTableView* primaryList_;
  QTableView* secondaryList_;
  QLabel* serviceLabel_;
  QLabel* status_;
  QLabel* progress_;
  QLabel* hint_;
};

}  // namespace youran
