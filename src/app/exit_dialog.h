#pragma once

// "退出悠然音乐": keep running in the tray, or quit.

#include <QDialog>

class QRadioButton;
class QPushButton;

namespace youran {

class ExitDialog : public QDialog {
  Q_OBJECT
 public:
  enum class Choice { KeepRunning, Quit };

  explicit ExitDialog(QWidget* parent = nullptr);

  QRadioButton* keepRunningOption() const { return keepRunning_; }
  QRadioButton* quitOption() const { return quit_; }
  QPushButton* confirmButton() const { return confirm_; }

 signals:
  void chosen(youran::ExitDialog::Choice choice);

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void concealIfShown();

  QRadioButton* keepRunning_;
  QRadioButton* quit_;
  QPushButton* confirm_;
  QPoint dragOffset_;
  bool revealed_ = false;
};

}  // namespace youran
