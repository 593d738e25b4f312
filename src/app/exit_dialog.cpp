#include "app/exit_dialog.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include "ui/skin.h"
#include "visuals/ui/window_effects.h"
#include "visuals/ui/window_shadow.h"

namespace youran {

ExitDialog::ExitDialog(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
  setObjectName(QStringLiteral("退出窗口"));
  setProperty("class", "exitDialog");
  setWindowTitle(QStringLiteral("退出悠然音乐"));
  setModal(true);
  setFixedSize(340, 200);

  auto* title = new QLabel(QStringLiteral("退出悠然音乐"), this);
  title->setProperty("class", "pageTitle");
  title->setGeometry(24, 16, 240, 30);
  auto* close = makePictureButton(this, QStringLiteral("退出关闭"), QStringLiteral("close"), {24, 24});
  close->move(304, 14);
  connect(close, &QPushButton::clicked, this, [this] {
    concealIfShown();
    reject();
  });

  attachShadow(this);

  keepRunning_ = new QRadioButton(QStringLiteral("最小化到托盘，继续播放"), this);
  keepRunning_->setObjectName(QStringLiteral("单选框1"));
  keepRunning_->setGeometry(36, 64, 280, 26);
  keepRunning_->setChecked(true);
  quit_ = new QRadioButton(QStringLiteral("退出悠然音乐"), this);
  quit_->setObjectName(QStringLiteral("单选框2"));
  quit_->setGeometry(36, 100, 280, 26);

  confirm_ = new QPushButton(QStringLiteral("确定"), this);
  confirm_->setObjectName(QStringLiteral("确定"));
  confirm_->setProperty("class", "primary");
  confirm_->setGeometry(240, 152, 76, 30);
  confirm_->setDefault(true);
  connect(confirm_, &QPushButton::clicked, this, [this] {
    Choice choice = quit_->isChecked() ? Choice::Quit : Choice::KeepRunning;
    concealIfShown();
    if (choice == Choice::KeepRunning) {
      emit chosen(choice);
      accept();
    } else {
      hide();
      emit chosen(choice);
      accept();
    }
  });
}

// The dialog closes only once its conceal has run.
void ExitDialog::concealIfShown() {
  if (isVisible()) concealWindow(this);
}

void ExitDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!revealed_) {
    revealed_ = true;
    revealWindow(this, 12, 3);
  }
}

void ExitDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  QDialog::mousePressEvent(event);
}

void ExitDialog::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - dragOffset_);
  QDialog::mouseMoveEvent(event);
}

}  // namespace youran
