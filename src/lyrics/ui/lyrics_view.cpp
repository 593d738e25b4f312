#include "lyrics/ui/lyrics_view.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "ui/skin.h"
#include "lyrics/ui/desktop_lyrics_window.h"
#include "lyrics/ui/lyric_loader.h"
#include "lyrics/lyric_file.h"
#include "tags/embedded_lyrics.h"
#include "base/log.h"
#include "playback/controller/now_playing.h"
#include "base/qt_text.h"

namespace youran {

namespace {
constexpr int kLyricTickMs = 1000;
constexpr int kSweepFrameMs = 33;
}  // namespace

LyricsView::LyricsView(NowPlaying& nowPlaying, DesktopLyricsWindow& window, LyricLoader& loader, Sources sources,
                       QObject* parent)
    : QObject(parent), nowPlaying_(nowPlaying), window_(window), loader_(loader), sources_(std::move(sources)) {
  lyricTimer_.setObjectName(QStringLiteral("歌词控制"));
  lyricTimer_.setInterval(kLyricTickMs);
  connect(&lyricTimer_, &QTimer::timeout, this, &LyricsView::onLyricTick);
  sweepTimer_.setInterval(kSweepFrameMs);
  sweepTimer_.setTimerType(Qt::PreciseTimer);
  connect(&sweepTimer_, &QTimer::timeout, this, &LyricsView::onSweepFrame);
  switchTimer_.setSingleShot(true);
  switchTimer_.setTimerType(Qt::PreciseTimer);
  connect(&switchTimer_, &QTimer::timeout, this, [this] { showAt(positionMs()); });
  connect(&nowPlaying_, &NowPlaying::playStateChanged, this, [this](PlayState state) {
    if (state == PlayState::playing && lyricTimer_.isActive()) showAt(positionMs());
    else switchTimer_.stop();
    updateSweepTimer();
  });
  connect(&nowPlaying_, &NowPlaying::seeked, this, [this](double seconds) {
    if (lyricTimer_.isActive()) showAt(std::llround(seconds * 1000.0));
  });
  connect(&loader_, &LyricLoader::fetched, this, [this](const QString& name, const QString& lyric) {
    // Only the current track's answer; a late one for an earlier track has
    // been stored in its file and waits for that track's next start.
    if (name != nowPlaying_.displayName()) return;
    setLyric(lyric.toStdString());
    scheduleSwitch(positionMs());
  });
  connect(&window_, &DesktopLyricsWindow::offsetRequested, this, &LyricsView::shiftLyric);
  connect(&window_, &DesktopLyricsWindow::chooseLyricRequested, this, &LyricsView::chooseLyric);
  connect(&window_, &DesktopLyricsWindow::lockRequested, this, [this] { setLocked(true); });
  connect(&window_, &DesktopLyricsWindow::closeRequested, this, [this] { setDesktopLyricsOn(false); });
}

LyricsView::~LyricsView() {
  delete choice_.data();
  pool_.waitForDone();
}

void LyricsView::attachControls(QPushButton* lyricButton, QCheckBox* desktopBox, QLabel* bigLabel) {
  button_ = lyricButton;
  box_ = desktopBox;
  bigLabel_ = bigLabel;
  if (button_) connect(button_, &QPushButton::clicked, this, &LyricsView::toggleDesktopLyrics);
  if (box_) {
    connect(box_, &QCheckBox::toggled, this, [this](bool on) {
      if (on != desktopOn_) setDesktopLyricsOn(on);
    });
  }
  showSwitchState();
}

void LyricsView::loadTrackLyrics(const QString& displayName) {
  setLyric(loader_.load(displayName, nowPlaying_.track().path));
  scheduleSwitch(positionMs());
}

void LyricsView::setLyric(std::string text) {
  sync_.setLyricText(std::move(text));
  // The shown line's index and words belong to the previous lyric.
  shown_.lineIndex = -1;
  wordStarts_.clear();
}

void LyricsView::startLyricTimer() {
  if (!lyricTimer_.isActive()) lyricTimer_.start();
}

int64_t LyricsView::positionMs() const {
  const double seconds = sources_.livePositionSeconds ? sources_.livePositionSeconds() : nowPlaying_.positionSeconds();
  return std::llround(seconds * 1000.0);
}

void LyricsView::onLyricTick() { showAt(positionMs()); }

void LyricsView::showAt(int64_t positionMs) {
  const int previousLine = shown_.lineIndex;
  shown_ = sync_.tick(positionMs, nowPlaying_.displayName().toStdString());
  const QString text = toQ(shown_.desktopText);
  if (shown_.lineIndex != previousLine || text != shownText_) {
    wordStarts_.clear();
    if (shown_.lineIndex >= 0) {
      const LrcLine& line = sync_.document().lines()[static_cast<size_t>(shown_.lineIndex)];
      int at = 0;
      for (const LrcWord& word : line.words) {
        wordStarts_.append(at);
        at += static_cast<int>(toQ(word.text).size());
      }
      if (!wordStarts_.isEmpty()) wordStarts_.append(at);
    }
  }
  shownText_ = text;
  // A new line first: the sweep measures its words in the new text.
  const QString below = beneath();
  if (karaoke_ && (shownText_ != window_.text() || below != window_.renderer().secondLine()))
    window_.setText(shownText_, below, 0);
  window_.setText(shownText_, below, karaoke_ ? sweepProgress() : 0);
  if (shown_.showInBigLabel) {
    nowPlaying_.setLyricLine(shownText_);
    if (bigLabel_ && sources_.nowPlayingPageOpen && sources_.nowPlayingPageOpen()) bigLabel_->setText(bigLabelText());
  }
  updateSweepTimer();
  scheduleSwitch(positionMs);
}

void LyricsView::scheduleSwitch(int64_t positionMs) {
  const int64_t next = sync_.nextChangeMs(positionMs);
  if (next < 0 || nowPlaying_.playState() != PlayState::playing || !lyricTimer_.isActive()) {
    switchTimer_.stop();
    return;
  }
  // At least a millisecond: a position a hair short of the tag schedules
  // again rather than spinning.
  switchTimer_.start(static_cast<int>(std::clamp<int64_t>(next - positionMs, 1, 24 * 3600 * 1000)));
}

QString LyricsView::beneath() const {
  QStringList lines;
  if (translation_ && !shown_.translation.empty()) lines << toQ(shown_.translation);
  if (romanization_ && !shown_.romanization.empty()) lines << toQ(shown_.romanization);
  return lines.join(QLatin1Char('\n'));
}

// The page's label: the line, then smaller what is beneath it; an unsynced
// lyric whole.
QString LyricsView::bigLabelText() const {
  if (!shown_.staticBlock.empty()) return toQ(shown_.staticBlock);
  const QString below = beneath();
  if (below.isEmpty()) return shownText_;
  return QStringLiteral("%1<br><span style=\"font-size:small\">%2</span>")
      .arg(shownText_.toHtmlEscaped(), below.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
}

void LyricsView::setShowTranslation(bool on) {
  translation_ = on;
  showBeneathChange();
}

void LyricsView::setShowRomanization(bool on) {
  romanization_ = on;
  showBeneathChange();
}

void LyricsView::showBeneathChange() {
  window_.setText(shownText_.isEmpty() ? window_.text() : shownText_, beneath(), window_.progress());
  if (shown_.showInBigLabel && bigLabel_ && sources_.nowPlayingPageOpen && sources_.nowPlayingPageOpen())
    bigLabel_->setText(bigLabelText());
}

void LyricsView::shiftLyric(int deltaMs) {
  const QString name = nowPlaying_.displayName();
  if (name.isEmpty() || sync_.lyricText().empty()) return;
  const std::filesystem::path path = loader_.lyricFile(name);
  DecodedLyric file = readLyricFile(path);
  if (file.text.empty()) {
    // An embedded lyric gets a file of its own to carry the offset.
    file.text = sync_.lyricText();
    file.encoding = LyricEncoding::gb18030;
  }
  std::string text = withLrcOffset(file.text, LrcDocument::parse(file.text).offsetMs() + deltaMs);
  if (auto failure = writeLyricFile(path, text, file.encoding)) {
    logWarning("lyrics", "cannot write " + path.string() + ": " + *failure);
    return;
  }
  setLyric(std::move(text));
  showAt(positionMs());
}

void LyricsView::useLyric(const std::string& text) {
  const std::filesystem::path path = loader_.lyricFile(nowPlaying_.displayName());
  if (auto failure = writeLyricFile(path, text)) logWarning("lyrics", "cannot write " + path.string() + ": " + *failure);
  setLyric(text);
  showAt(positionMs());
}

LyricChoiceDialog* LyricsView::chooseLyric() {
  delete choice_.data();
  const QString name = nowPlaying_.displayName();
  choice_ = new LyricChoiceDialog(name);
  choice_->setAttribute(Qt::WA_DeleteOnClose);
  const std::string embedded =
      nowPlaying_.track().path.isEmpty() ? std::string()
                                         : ReadEmbeddedLyrics(QFile::encodeName(nowPlaying_.track().path).toStdString()).value_or(std::string());
  if (!embedded.empty()) {
    const LrcDocument doc = LrcDocument::parse(embedded);
    const std::string first = doc.synced() ? doc.lines().front().text : doc.plainText().substr(0, doc.plainText().find('\n'));
    choice_->addEmbedded(toQ(first));
  }
  QPointer<LyricChoiceDialog> dialog = choice_;
  if (sources_.searchLyrics) {
    pool_.start([this, dialog, search = sources_.searchLyrics, key = name.toStdString()] {
      std::vector<LyricCandidate> found = search(key);
      QMetaObject::invokeMethod(
          this, [dialog, found = std::move(found)] { if (dialog) dialog->setCandidates(found); }, Qt::QueuedConnection);
    });
  } else {
    choice_->setCandidates({});
  }
  connect(choice_, &QDialog::accepted, this, [this, dialog, embedded, track = name] {
    const LyricCandidate* chosen = dialog ? dialog->chosen() : nullptr;
    if (!chosen || track != nowPlaying_.displayName()) return;
    if (chosen->id.isEmpty()) {
      useLyric(embedded);
      return;
    }
    if (!sources_.lyricById) return;
    pool_.start([this, fetch = sources_.lyricById, id = chosen->id.toStdString(), track] {
      std::string text = fetch(id);
      QMetaObject::invokeMethod(
          this,
          [this, text = std::move(text), track] {
            if (!text.empty() && track == nowPlaying_.displayName()) useLyric(text);
          },
          Qt::QueuedConnection);
    });
  });
  choice_->show();
  return choice_;
}

int LyricsView::sweepProgress() const {
  if (shown_.lineIndex < 0 || static_cast<size_t>(shown_.lineIndex) >= sync_.document().lines().size()) return 0;
  const int64_t positionMs = this->positionMs();
  const LrcLine& line = sync_.document().lines()[static_cast<size_t>(shown_.lineIndex)];
  const LrcMoment m = sync_.document().at(positionMs);
  if (m.index != shown_.lineIndex) return m.index > shown_.lineIndex ? 100 : 0;
  if (m.word >= 0 && m.word + 1 < wordStarts_.size()) {
    // Linear within a word by its drawn width.
    LyricRenderer& renderer = window_.renderer();
    const qreal from = renderer.advanceFraction(wordStarts_[m.word]);
    const qreal to = renderer.advanceFraction(wordStarts_[m.word + 1]);
    return static_cast<int>(std::lround((from + (to - from) * m.wordFraction) * 100.0));
  }
  const int64_t lengthMs = static_cast<int64_t>(nowPlaying_.lengthSeconds()) * 1000;
  const int64_t fallback = lengthMs > m.startMs ? lengthMs - m.startMs : 4000;
  return LrcDocument::progress(line, m, positionMs, std::min<int64_t>(fallback, 8000));
}

void LyricsView::onSweepFrame() {
  window_.setText(shownText_, sweepProgress());
  if (window_.progress() >= 100) {
    sweepTimer_.stop();
    ridingClock_ = false;
  } else if (sweepTimer_.isActive() && frameClock_ && frameClock_->isActive()) {
    updateSweepTimer();
  }
}

void LyricsView::setFrameClock(QTimer* clock) {
  frameClock_ = clock;
  if (clock) connect(clock, &QTimer::timeout, this, [this] {
    if (ridingClock_) onSweepFrame();
  });
  updateSweepTimer();
}

void LyricsView::updateSweepTimer() {
  const bool wanted = karaoke_ && window_.isAlive() && shown_.lineIndex >= 0 && window_.progress() < 100 &&
                      nowPlaying_.playState() == PlayState::playing;
  // On the frame clock's ticks while it runs: one wake-up for both.
  ridingClock_ = wanted && frameClock_ && frameClock_->isActive();
  if (wanted && !ridingClock_ && !sweepTimer_.isActive()) sweepTimer_.start();
  else if (!wanted || ridingClock_) sweepTimer_.stop();
}

void LyricsView::setDesktopLyricsOn(bool on) {
  desktopOn_ = on;
  if (on) {
    window_.recreate(font_);
  } else {
    window_.destroy();
  }
  showSwitchState();
  updateSweepTimer();
}

void LyricsView::toggleDesktopLyrics() { setDesktopLyricsOn(!desktopOn_); }

void LyricsView::setLyricFont(const QString& family) {
  font_ = family;
  if (desktopOn_) window_.recreate(font_);
}

void LyricsView::setKaraoke(bool on) {
  karaoke_ = on;
  if (!on) window_.setText(shownText_.isEmpty() ? window_.text() : shownText_, beneath(), 0);
  updateSweepTimer();
}

void LyricsView::setLocked(bool on) {
  if (window_.locked() == on) return;
  window_.setLocked(on);
  emit lockChanged(on);
}

void LyricsView::showSwitchState() {
  if (button_) setButtonPicture(button_, desktopOn_ ? QStringLiteral("lyric") : QStringLiteral("lyric_off"));
  if (box_ && box_->isChecked() != desktopOn_) {
    const QSignalBlocker quiet(box_);
    box_->setChecked(desktopOn_);
  }
}

}  // namespace youran
