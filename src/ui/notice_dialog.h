#pragma once

// The notice dialog every part of the player uses for short messages. It is
// not modal: ShowNotice opens it and returns at once.

#include <QDialog>
#include <QPointer>
#include <functional>

class QLabel;
class QPushButton;

namespace youran {

struct Notice {
  QString title;
  QString text;
  bool okAtRight = true;               // OK at x = 284, else at x = 197
  bool alternativeBackground = false;  // the second background picture
  bool exitAfter = false;              // hide the main window; OK ends the process
};

class NoticeDialog : public QDialog {
  Q_OBJECT
 public:
  explicit NoticeDialog(const Notice& notice, QWidget* parent = nullptr);

  const Notice& notice() const { return notice_; }

  static constexpr int kWidth = 366;
  static constexpr int kHeight = 175;
  static constexpr int kOkRightX = 284;
  static constexpr int kOkLeftX = 197;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onOk();
  void onCancel();

  Notice notice_;
  QLabel* title_;
  QLabel* text_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPoint dragOffset_;
  bool revealed_ = false;
};

// Where notices hide and end the process: the main window, and what "end the
// process" means (quit the event loop by default; tests observe it instead).
void setNoticeMainWindow(QWidget* mainWindow);
void setNoticeProcessEnd(std::function<void()> endProcess);

NoticeDialog* ShowNotice(const QString& title, const QString& text, bool okAtRight,
                         bool alternativeBackground, bool exitAfter);
NoticeDialog* ShowNotice(const Notice& notice);

}  // namespace youran
