#include "playback/ui/effects_window.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include "playback/ui/sound_effects.h"
#include "base/qt_text.h"

namespace youran {

namespace {

using namespace sliders;

constexpr std::array<const char*, 10> kGainLabels = {"透明标签19", "透明标签13", "透明标签12", "透明标签23",
                                                     "透明标签25", "透明标签24", "透明标签29", "透明标签28",
                                                     "透明标签27", "透明标签26"};
constexpr std::array<const char*, 10> kBandNames = {"80", "125", "250", "500", "800", "1K", "2K", "4K", "8K", "16K"};

constexpr int kWidth = 640;
constexpr int kHeight = 410;
// The equaliser's columns.
constexpr int kBandLeft = 26;
constexpr int kBandStep = 46;
constexpr int kSliderTop = 66;
constexpr int kSliderHeight = 120;
// The lower sections' sliders.
constexpr int kLowerTop = 268;
constexpr int kLowerHeight = 96;

QString gainText(const EqParameters& record) { return QString::number(static_cast<int>(record.gain)); }

}  // namespace

EffectsWindow::EffectsWindow(SoundEffects& effects, QWidget* parent)
    : QWidget(parent, Qt::Tool), effects_(effects), meterTimer_(new QTimer(this)) {
  setObjectName(QStringLiteral("均衡器窗口"));
  setWindowTitle(QStringLiteral("均衡器"));
  setProperty("class", "effectsWindow");
  setAttribute(Qt::WA_StyledBackground);
  setFixedSize(kWidth, kHeight);

  // The equaliser.
  equalizerBox_ = new QCheckBox(QStringLiteral("均衡器"), this);
  equalizerBox_->setObjectName(QStringLiteral("EQ选择框"));
  equalizerBox_->setGeometry(18, 12, 120, 24);
  auto* eqReset = resetButton("均衡器重置按钮", {548, 10});
  for (int i = 0; i < 10; ++i) {
    const int x = kBandLeft + i * kBandStep;
    gains_[i] = label(QString::fromUtf8(kGainLabels[i]), QStringLiteral("0"), "effectValue", {x - 10, 44, 44, 18});
    bands_[i] = slider(kBandSliders[i], Qt::Vertical, kBandMinimum, kBandMaximum,
                       {x, kSliderTop, 24, kSliderHeight});
    label({}, QString::fromUtf8(kBandNames[i]), "effectCaption", {x - 10, kSliderTop + kSliderHeight + 6, 44, 16});
    connect(bands_[i], &QSlider::valueChanged, this, [this, i](int position) {
      effects_.moveBand(i + 1, position);
      gains_[i]->setText(gainText(effects_.bandRecord(i + 1)));
    });
  }
  label({}, QStringLiteral("+15 dB"), "effectCaption", {kBandLeft + 10 * kBandStep - 4, kSliderTop - 2, 50, 16});
  label({}, QStringLiteral("−15 dB"), "effectCaption",
        {kBandLeft + 10 * kBandStep - 4, kSliderTop + kSliderHeight - 14, 50, 16});
  const int widthX = 574;
  bandwidthLabel_ = label(QStringLiteral("透明标签18"), {}, "effectValue", {widthX - 12, 44, 48, 18});
  bandwidth_ = slider(kBandwidthSlider.key, Qt::Vertical, kBandwidthSlider.minimum, kBandwidthSlider.maximum,
                      {widthX, kSliderTop, 24, kSliderHeight});
  label({}, QStringLiteral("带宽"), "effectCaption", {widthX - 12, kSliderTop + kSliderHeight + 6, 48, 16});
  connect(bandwidth_, &QSlider::valueChanged, this, [this](int position) {
    effects_.moveBandwidth(position);
    bandwidthLabel_->setText(QString::number(effects_.sharedBandwidth()));
  });
  connect(equalizerBox_, &QCheckBox::toggled, this, [this](bool on) { effects_.setEqualizer(on); });
  connect(eqReset, &QPushButton::clicked, this, [this] { effects_.resetEqualizer(); });

  auto* rule = new QFrame(this);
  rule->setProperty("class", "effectRule");
  rule->setGeometry(18, 222, kWidth - 36, 1);

  // The reverb.
  reverbBox_ = new QCheckBox(QStringLiteral("混响"), this);
  reverbBox_->setObjectName(QStringLiteral("混响选择框"));
  reverbBox_->setGeometry(18, 234, 90, 24);
  auto* reverbReset = resetButton("混响重置按钮", {118, 232});
  const struct {
    const Control& control;
    QSlider*& slider;
    const char* caption;
    SoundEffects::ReverbSlider which;
  } reverbSliders[] = {{kReverbMixSlider, reverbMix_, "混响", SoundEffects::ReverbSlider::mix},
                       {kReverbTimeSlider, reverbTime_, "时间", SoundEffects::ReverbSlider::time},
                       {kReverbRatioSlider, reverbRatio_, "高频", SoundEffects::ReverbSlider::ratio}};
  int x = 30;
  for (const auto& r : reverbSliders) {
    r.slider = slider(r.control.key, Qt::Vertical, r.control.minimum, r.control.maximum, {x, kLowerTop, 24, kLowerHeight});
    label({}, QString::fromUtf8(r.caption), "effectCaption", {x - 14, kLowerTop + kLowerHeight + 6, 52, 16});
    const auto which = r.which;
    connect(r.slider, &QSlider::valueChanged, this, [this, which](int p) { effects_.moveReverb(which, p); });
    x += 60;
  }
  connect(reverbBox_, &QCheckBox::toggled, this, [this](bool on) { effects_.setReverb(on); });
  connect(reverbReset, &QPushButton::clicked, this, [this] { effects_.resetReverb(); });

  // The echo.
  echoBox_ = new QCheckBox(QStringLiteral("回声"), this);
  echoBox_->setObjectName(QStringLiteral("回声选择框"));
  echoBox_->setGeometry(222, 234, 90, 24);
  auto* echoReset = resetButton("回声重置按钮", {322, 232});
  const struct {
    const Control& control;
    QSlider*& slider;
    const char* caption;
    SoundEffects::EchoSlider which;
  } echoSliders[] = {{kEchoMixSlider, echoMix_, "混合", SoundEffects::EchoSlider::mix},
                     {kEchoFeedbackSlider, echoFeedback_, "反馈", SoundEffects::EchoSlider::feedback},
                     {kEchoLeftSlider, echoLeft_, "左延迟", SoundEffects::EchoSlider::leftDelay},
                     {kEchoRightSlider, echoRight_, "右延迟", SoundEffects::EchoSlider::rightDelay}};
  x = 234;
  for (const auto& e : echoSliders) {
    e.slider = slider(e.control.key, Qt::Vertical, e.control.minimum, e.control.maximum, {x, kLowerTop, 24, kLowerHeight});
    label({}, QString::fromUtf8(e.caption), "effectCaption", {x - 14, kLowerTop + kLowerHeight + 6, 52, 16});
    const auto which = e.which;
    connect(e.slider, &QSlider::valueChanged, this, [this, which](int p) { effects_.moveEcho(which, p); });
    x += 56;
  }
  connect(echoBox_, &QCheckBox::toggled, this, [this](bool on) { effects_.setEcho(on); });
  connect(echoReset, &QPushButton::clicked, this, [this] { effects_.resetEcho(); });

  // The balance and the meters.
  const int right = 470;
  label({}, QStringLiteral("声道"), "effectHeading", {right, 236, 60, 20});
  auto* balanceReset = resetButton("声道重置按钮", {548, 232});
  label({}, QStringLiteral("左"), "effectCaption", {right, 272, 16, 16});
  balance_ = slider(kBalanceSlider.key, Qt::Horizontal, kBalanceSlider.minimum, kBalanceSlider.maximum,
                    {right + 18, 270, 114, 20});
  balance_->setPageStep(10);
  label({}, QStringLiteral("右"), "effectCaption", {right + 136, 272, 16, 16});
  balanceLabel_ = label(QStringLiteral("平衡"), {}, "effectValue", {right, 296, 152, 18});
  balanceLabel_->setAlignment(Qt::AlignCenter);
  connect(balance_, &QSlider::valueChanged, this, [this](int position) {
    effects_.moveBalance(position);
    balanceLabel_->setText(toQ(effects_.balanceText()));
  });
  connect(balanceReset, &QPushButton::clicked, this, [this] { effects_.resetBalance(); });

  const auto meter = [this](const char* name, int y) {
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QString::fromUtf8(name));
    bar->setRange(0, meterValue(32768));
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setGeometry(488, y, 132, 8);
    return bar;
  };
  label({}, QStringLiteral("L"), "effectCaption", {right, 336, 16, 14});
  leftMeter_ = meter("进度条2", 339);
  label({}, QStringLiteral("R"), "effectCaption", {right, 354, 16, 14});
  rightMeter_ = meter("进度条3", 357);

  meterTimer_->setObjectName(QStringLiteral("均衡器时钟"));
  meterTimer_->setInterval(kMeterIntervalMs);
  connect(meterTimer_, &QTimer::timeout, this, &EffectsWindow::updateMeters);
  connect(&effects_, &SoundEffects::changed, this, &EffectsWindow::showPositions);
  showPositions();
}

QSlider* EffectsWindow::slider(const char* name, Qt::Orientation orientation, int minimum, int maximum,
                               QRect geometry) {
  auto* s = new QSlider(orientation, this);
  s->setObjectName(QString::fromUtf8(name));
  s->setRange(minimum, maximum);
  if (orientation == Qt::Vertical) {
    // Position 0 is at the top, as on the window's scroll bars: up is more.
    s->setInvertedAppearance(true);
    s->setInvertedControls(true);
  }
  s->setGeometry(geometry);
  s->setCursor(Qt::PointingHandCursor);
  return s;
}

QLabel* EffectsWindow::label(const QString& name, const QString& text, const char* cls, QRect geometry) {
  auto* l = new QLabel(text, this);
  if (!name.isEmpty()) l->setObjectName(name);
  l->setProperty("class", cls);
  l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  l->setGeometry(geometry);
  return l;
}

QPushButton* EffectsWindow::resetButton(const char* name, QPoint at) {
  auto* button = new QPushButton(QStringLiteral("重置"), this);
  button->setObjectName(QString::fromUtf8(name));
  button->setProperty("class", "text");
  button->setCursor(Qt::PointingHandCursor);
  button->setGeometry(at.x(), at.y(), 72, 28);
  return button;
}

void EffectsWindow::showPositions() {
  const Positions& p = effects_.positions();
  const auto put = [](QSlider* s, int value) {
    const QSignalBlocker quiet(s);
    s->setValue(value);
  };
  for (int i = 0; i < 10; ++i) {
    put(bands_[i], p.bands[i]);
    gains_[i]->setText(gainText(effects_.bandRecord(i + 1)));
  }
  put(bandwidth_, p.bandwidth);
  bandwidthLabel_->setText(QString::number(effects_.sharedBandwidth()));
  put(reverbMix_, p.reverbMix);
  put(reverbTime_, p.reverbTime);
  put(reverbRatio_, p.reverbRatio);
  put(echoMix_, p.echoMix);
  put(echoFeedback_, p.echoFeedback);
  put(echoLeft_, p.echoLeft);
  put(echoRight_, p.echoRight);
  put(balance_, p.balance);
  balanceLabel_->setText(toQ(effects_.balanceText()));
  const std::pair<QCheckBox*, bool> boxes[] = {{equalizerBox_, p.equalizer}, {reverbBox_, p.reverb}, {echoBox_, p.echo}};
  for (const auto& [box, on] : boxes) {
    const QSignalBlocker quiet(box);
    box->setChecked(on);
  }
}

void EffectsWindow::updateMeters() {
  const auto [left, right] = effects_.meters();
  leftMeter_->setValue(left);
  rightMeter_->setValue(right);
}

void EffectsWindow::showEvent(QShowEvent* event) {
  showPositions();
  updateMeters();
  meterTimer_->start();
  QWidget::showEvent(event);
}

void EffectsWindow::hideEvent(QHideEvent* event) {
  meterTimer_->stop();
  QWidget::hideEvent(event);
}

}  // namespace youran
