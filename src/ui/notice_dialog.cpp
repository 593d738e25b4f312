#include "ui/notice_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

#include "visuals/ui/window_effects.h"
#include "visuals/ui/window_shadow.h"

namespace youran {

namespace {

QPointer<QWidget>& mainWindowForNotices() {
  static QPointer<QWidget> window;
  return window;
}

std::function<void()>& processEnd() {
  static std::function<void()> end = [] { QCoreApplication::exit(0); };
  return end;
}

void hideMainWindow() {
  if (auto* window = mainWindowForNotices().data()) window->hide();
}

}  // namespace

void setNoticeMainWindow(QWidget* mainWindow) { mainWindowForNotices() = mainWindow; }

void setNoticeProcessEnd(std::function<void()> endProcess) { processEnd() = std::move(endProcess); }

NoticeDialog::NoticeDialog(const Notice& notice, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Tool), notice_(notice) {
  setObjectName(QStringLiteral("提醒窗口"));
  setProperty("class", "notice");
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(kWidth, kHeight);
  setWindowTitle(notice.title);

  title_ = new QLabel(notice.title, this);
  title_->setObjectName(QStringLiteral("万能标题"));
  title_->setProperty("class", "noticeTitle");
  title_->setGeometry(18, 8, kWidth - 36, 24);

  text_ = new QLabel(notice.text, this);
  text_->setObjectName(QStringLiteral("万能内容"));
  text_->setProperty("class", "noticeText");
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  text_->setGeometry(22, 48, kWidth - 44, 76);

  ok_ = new QPushButton(QStringLiteral("确定"), this);
  ok_->setObjectName(QStringLiteral("确定"));
  ok_->setProperty("class", "primary");
  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  cancel_->setObjectName(QStringLiteral("取消"));
  cancel_->setProperty("class", "text");
  const int okX = notice.okAtRight ? kOkRightX : kOkLeftX;
  const int cancelX = notice.okAtRight ? kOkLeftX : kOkRightX;
  ok_->setGeometry(okX, 134, 72, 28);
  cancel_->setGeometry(cancelX, 134, 72, 28);
  ok_->setDefault(true);

  attachShadow(this);

  connect(ok_, &QPushButton::clicked, this, &NoticeDialog::onOk);
  connect(cancel_, &QPushButton::clicked, this, &NoticeDialog::onCancel);
}

void NoticeDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QSvgRenderer background(notice_.alternativeBackground ? QStringLiteral(":/skin/notice_bg_alt.svg")
                                                        : QStringLiteral(":/skin/notice_bg.svg"));
  background.render(&painter, QRectF(0, 0, kWidth, kHeight));
}

void NoticeDialog::showEvent(QShowEvent* event) {
  if (notice_.exitAfter) hideMainWindow();
  QDialog::showEvent(event);
  if (!revealed_) {
    revealed_ = true;
    revealWindow(this, randomWipeMode(), 5);
  }
}

void NoticeDialog::onOk() {
  if (notice_.exitAfter) {
    hideMainWindow();
    hide();
    processEnd()();
    return;
  }
  concealWindow(this);
  close();
}

void NoticeDialog::onCancel() {
  // A second copy of the player has nothing to go back to: its window is
  // hidden and it holds no lock, so Cancel ends it just like OK.
  if (notice_.exitAfter) {
    onOk();
    return;
  }
  concealWindow(this);
  close();
}

// Enter is OK and Escape is Cancel, with the buttons' own consequences
// (a notice that ends the process ends it either way).
void NoticeDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      onOk();
      return;
    case Qt::Key_Escape:
      onCancel();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void NoticeDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  QDialog::mousePressEvent(event);
}

void NoticeDialog::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - dragOffset_);
  QDialog::mouseMoveEvent(event);
}

NoticeDialog* ShowNotice(const Notice& notice) {
  auto* dialog = new NoticeDialog(notice);
  dialog->show();
  dialog->raise();
  // The keys answer it at once, as they would a system message box.
  dialog->activateWindow();
  dialog->setFocus(Qt::ActiveWindowFocusReason);
  return dialog;
}

NoticeDialog* ShowNotice(const QString& title, const QString& text, bool okAtRight,
                         bool alternativeBackground, bool exitAfter) {
  return ShowNotice(Notice{title, text, okAtRight, alternativeBackground, exitAfter});
}

}  // namespace youran
