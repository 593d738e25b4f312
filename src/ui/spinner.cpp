#include "ui/spinner.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QTimer>

#include "base/log.h"

namespace youran {

Spinner::Spinner(QLabel* label, QObject* owner) : QObject(owner), label_(label) {
  frameTimer_ = new QTimer(owner);
  frameTimer_->setObjectName(QStringLiteral("时钟1"));
  frameTimer_->setInterval(kFrameMs);
  pauseTimer_ = new QTimer(owner);
  pauseTimer_->setObjectName(QStringLiteral("时钟2"));
  pauseTimer_->setInterval(kPauseMs);
  connect(frameTimer_, &QTimer::timeout, this, &Spinner::onFrame);
  connect(pauseTimer_, &QTimer::timeout, this, &Spinner::onPause);

  QFont font(QStringLiteral("Setup"));
  font.setPixelSize(label_->height() > 0 ? label_->height() : 24);
  label_->setFont(font);
  label_->setAlignment(Qt::AlignCenter);
  label_->setText(QStringLiteral(" "));
}

bool Spinner::registerFont() {
  static const bool registered = [] {
    QFile file(QStringLiteral(":/fonts/setup.ttf"));
    if (!file.open(QIODevice::ReadOnly)) {
      logWarning("app", "spinner font missing from the resources");
      return false;
    }
    int id = QFontDatabase::addApplicationFontFromData(file.readAll());
    if (id < 0) {
      logWarning("app", "spinner font could not be registered");
      return false;
    }
    return QFontDatabase::applicationFontFamilies(id).contains(QStringLiteral("Setup"));
  }();
  return registered;
}

void Spinner::start() {
  label_->show();
  label_->raise();
  pauseTimer_->stop();
  frameTimer_->start(kFrameMs);
}

void Spinner::stop() {
  frameTimer_->stop();
  pauseTimer_->stop();
  label_->hide();
}

void Spinner::onFrame() {
  if (glyph_ > kLastGlyph) {
    glyph_ = kFirstGlyph;
    label_->setText(QStringLiteral(" "));
    frameTimer_->stop();
    pauseTimer_->start(kPauseMs);
    return;
  }
  label_->setText(QString::fromUcs4(&glyph_, 1));
  ++glyph_;
}

void Spinner::onPause() {
  frameTimer_->start(kFrameMs);
  pauseTimer_->stop();
}

}  // namespace youran
