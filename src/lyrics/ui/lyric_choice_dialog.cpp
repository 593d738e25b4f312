#include "lyrics/ui/lyric_choice_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace youran {

LyricChoiceDialog::LyricChoiceDialog(const QString& displayName, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("选择歌词"));
  setWindowTitle(QStringLiteral("选择歌词 - ") + displayName);
  resize(620, 360);
  table_ = new QTableWidget(0, 4, this);
  table_->setHorizontalHeaderLabels(
      {QStringLiteral("歌名"), QStringLiteral("歌手"), QStringLiteral("专辑"), QStringLiteral("时长")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->verticalHeader()->hide();
  status_ = new QLabel(QStringLiteral("正在搜索..."), this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("使用此歌词"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (chosen()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(table_, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(status_);
  layout->addWidget(buttons);
}

void LyricChoiceDialog::addRow(const LyricCandidate& c) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  const QString duration = c.durationMs > 0 ? QStringLiteral("%1:%2")
                                                  .arg(c.durationMs / 60000, 2, 10, QLatin1Char('0'))
                                                  .arg(c.durationMs / 1000 % 60, 2, 10, QLatin1Char('0'))
                                            : QString();
  const QStringList cells{c.title, c.artist, c.album, duration};
  for (int column = 0; column < cells.size(); ++column) table_->setItem(row, column, new QTableWidgetItem(cells[column]));
  rows_.push_back(c);
  if (row == 0) table_->selectRow(0);
}

void LyricChoiceDialog::addEmbedded(const QString& firstLine) {
  addRow({QStringLiteral("内嵌歌词"), firstLine, QString(), 0, QString()});
}

void LyricChoiceDialog::setCandidates(const std::vector<LyricCandidate>& candidates) {
  for (const LyricCandidate& c : candidates) addRow(c);
  status_->setText(candidates.empty() ? QStringLiteral("没有找到歌词") : QStringLiteral("搜索完成！"));
}

const LyricCandidate* LyricChoiceDialog::chosen() const {
  const int row = table_->currentRow();
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return nullptr;
  return &rows_[static_cast<size_t>(row)];
}

}  // namespace youran
