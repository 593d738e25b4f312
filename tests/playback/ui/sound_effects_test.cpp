// The effects window and what it keeps: the records sent to the playing
// stream, carried to the next one, the balance on the output, the meters,
// and State.ini.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "playback/ui/effects_window.h"
#include "app/main_window.h"
#include "app/player_app.h"
#include "app/player_assembly.h"
#include "settings/settings_file.h"
#include "playback/ui/sound_effects.h"
#include "playback/controller/track_start_steps.h"
#include "support/audio_fixtures.h"
#include "support/qt/tone_tracks.h"

namespace youran {
namespace {

using testing::waitMs;

// The player's track start, as far as the effects go.
class AttachSteps final : public TrackStartSteps {
 public:
  explicit AttachSteps(SoundEffects*& effects) : effects_(effects) {}
  void attachEffects(uint32_t stream) override { effects_->attachTo(stream); }

 private:
  SoundEffects*& effects_;
};

class SoundEffectsTest : public testing::PlayingFixture {
 protected:
  void SetUp() override {
    startPlaying(&view);
    controller->setTrackStartSteps(&steps);
    makeEffects();
  }
  void TearDown() override {
    controller->setTrackStartSteps(nullptr);
    PlayingFixture::TearDown();
    window.reset();
    effects.reset();
  }
  // As the player makes it at start-up; again for a restart.
  void makeEffects() {
    window.reset();
    effects.reset();  // writes what it had not yet written
    effects = std::make_unique<SoundEffects>(engine, [this] { return controller->currentStream(); }, stateFile());
    raw = effects.get();
  }
  std::filesystem::path stateFile() const { return folder / "State.ini"; }
  std::string saved(const char* key) const { return readSetting(stateFile(), "效果设置", key); }
  uint32_t stream() const { return controller->currentStream(); }

  QTableView view;
  std::unique_ptr<SoundEffects> effects;
  SoundEffects* raw = nullptr;
  AttachSteps steps{raw};
  std::unique_ptr<EffectsWindow> window;
};

TEST_F(SoundEffectsTest, BandSlidersAndTheBandwidthThatReachesABandWhenItIsNextApplied) {
  // Nothing plays: the records change, nothing is sent.
  effects->moveBand(1, 0);
  EXPECT_EQ(effects->bandRecord(1).centre, 80);
  EXPECT_EQ(effects->bandRecord(1).gain, 15);
  effects->moveBand(1, 30);
  EXPECT_EQ(effects->bandRecord(1).gain, -15);
  EXPECT_EQ(effects->bandRecord(2).bandwidth, 21) << "the slider's start, 36 - 15";

  effects->moveBandwidth(1);
  EXPECT_EQ(effects->sharedBandwidth(), 35);
  EXPECT_EQ(effects->bandRecord(2).bandwidth, 21) << "not re-sent";
  effects->moveBand(2, 10);
  EXPECT_EQ(effects->bandRecord(2).bandwidth, 35);
  EXPECT_EQ(effects->bandRecord(2).gain, 5);
  EXPECT_EQ(effects->bandRecord(3).bandwidth, 21);

  addTracks(1, 44100 * 4);
  controller->playRow(1);
  EXPECT_FALSE(engine.getEqBand(stream(), 1)) << "unticked: nothing attached";
  effects->setEqualizer(true);
  ASSERT_TRUE(engine.getEqBand(stream(), 1));
  EXPECT_EQ(engine.getEqBand(stream(), 1)->gain, -15) << "ticking sends the stored records";
  EXPECT_EQ(engine.getEqBand(stream(), 2)->bandwidth, 35);
  EXPECT_EQ(engine.getEqBand(stream(), 3)->bandwidth, 21);
  effects->moveBand(10, 0);
  EXPECT_EQ(engine.getEqBand(stream(), 10)->centre, 16000);
  EXPECT_EQ(engine.getEqBand(stream(), 10)->gain, 15);
  effects->setEqualizer(false);
  EXPECT_FALSE(engine.getEqBand(stream(), 1));
}

TEST_F(SoundEffectsTest, TickedSectionsFollowTheUserFromTrackToTrack) {
  addTracks(3, 44100 * 4);
  controller->playRow(1);
  effects->setEqualizer(true);
  effects->moveBand(6, 3);
  effects->setReverb(true);
  effects->moveReverb(SoundEffects::ReverbSlider::mix, 0);
  effects->setEcho(true);
  effects->moveEcho(SoundEffects::EchoSlider::leftDelay, 1750);

  controller->next();
  ASSERT_EQ(controller->currentIndex(), 2);
  ASSERT_TRUE(engine.getEqBand(stream(), 6));
  EXPECT_EQ(engine.getEqBand(stream(), 6)->gain, 12);
  ASSERT_TRUE(engine.getReverb(stream()));
  EXPECT_EQ(engine.getReverb(stream())->reverbMix, 0);
  ASSERT_TRUE(engine.getEcho(stream()));
  EXPECT_EQ(engine.getEcho(stream())->leftDelay, 250);

  // Unticked sections stay off on the next track; ticking there re-sends.
  effects->setEqualizer(false);
  effects->setEcho(false);
  controller->next();
  EXPECT_FALSE(engine.getEqBand(stream(), 6));
  EXPECT_FALSE(engine.getEcho(stream()));
  EXPECT_TRUE(engine.getReverb(stream()));
  effects->setEqualizer(true);
  ASSERT_TRUE(engine.getEqBand(stream(), 6));
  EXPECT_EQ(engine.getEqBand(stream(), 6)->gain, 12);
}

TEST_F(SoundEffectsTest, EveryResetPutsItsSlidersBack) {
  addTracks(1, 44100 * 4);
  controller->playRow(1);
  effects->setEqualizer(true);
  effects->setReverb(true);
  effects->setEcho(true);
  for (int band = 1; band <= 10; ++band) effects->moveBand(band, band);
  effects->moveBandwidth(30);
  effects->moveReverb(SoundEffects::ReverbSlider::mix, 10);
  effects->moveReverb(SoundEffects::ReverbSlider::time, 20);
  effects->moveReverb(SoundEffects::ReverbSlider::ratio, 3);
  effects->moveEcho(SoundEffects::EchoSlider::mix, 1);
  effects->moveEcho(SoundEffects::EchoSlider::feedback, 2);
  effects->moveEcho(SoundEffects::EchoSlider::leftDelay, 3);
  effects->moveEcho(SoundEffects::EchoSlider::rightDelay, 4);
  effects->moveBalance(90);
  const sliders::Positions moved = effects->positions();

  int shown = 0;
  QObject::connect(effects.get(), &SoundEffects::changed, [&] { ++shown; });
  effects->resetEqualizer();
  for (int band = 1; band <= 10; ++band) {
    EXPECT_EQ(effects->positions().bands[band - 1], 15);
    EXPECT_EQ(engine.getEqBand(stream(), band)->gain, 0) << band;
    EXPECT_EQ(engine.getEqBand(stream(), band)->bandwidth, 21) << band;
  }
  EXPECT_EQ(effects->positions().bandwidth, 15);
  EXPECT_EQ(effects->positions().reverbMix, moved.reverbMix) << "other sections untouched";

  effects->resetReverb();
  EXPECT_EQ(effects->positions().reverbMix, 96);
  EXPECT_EQ(effects->positions().reverbTime, 3000);
  EXPECT_EQ(effects->positions().reverbRatio, 10);
  EXPECT_EQ(engine.getReverb(stream())->reverbMix, -96);
  EXPECT_FLOAT_EQ(engine.getReverb(stream())->reverbTime, 0.001f);

  effects->resetEcho();
  EXPECT_EQ(effects->positions().echoMix, 100);
  EXPECT_EQ(effects->positions().echoFeedback, 100);
  EXPECT_EQ(effects->positions().echoLeft, 2000);
  EXPECT_EQ(effects->positions().echoRight, 2000);
  EXPECT_EQ(engine.getEcho(stream())->wetDryMix, 0);
  EXPECT_EQ(engine.getEcho(stream())->rightDelay, 1);

  effects->resetBalance();
  EXPECT_EQ(effects->positions().balance, 50);
  EXPECT_EQ(effects->balanceText(), "平衡");
  EXPECT_EQ(engine.channelGain(0), 1.0f);
  EXPECT_EQ(engine.channelGain(1), 1.0f);
  EXPECT_EQ(shown, 4) << "the window is told to show the new positions";
  EXPECT_TRUE(effects->positions().equalizer && effects->positions().reverb && effects->positions().echo)
      << "a reset leaves the check boxes";
}

TEST_F(SoundEffectsTest, BalanceIsAGainOnThePlayersOwnOutput) {
  const struct {
    int position;
    float left, right;
    const char* text;
  } cases[] = {{1, 1.0f, 0.02f, "偏左1"}, {49, 1.0f, 0.98f, "偏左49"}, {50, 1.0f, 1.0f, "平衡"},
               {51, 0.98f, 1.0f, "偏右49"}, {100, 0.0f, 1.0f, "偏右0"}};
  for (const auto& c : cases) {
    effects->moveBalance(c.position);
    EXPECT_FLOAT_EQ(engine.channelGain(0), c.left) << c.position;
    EXPECT_FLOAT_EQ(engine.channelGain(1), c.right) << c.position;
    EXPECT_EQ(effects->balanceText(), c.text);
  }
  // It outlives the track start's free and init.
  addTracks(1, 44100 * 4);
  controller->playRow(1);
  EXPECT_FLOAT_EQ(engine.channelGain(0), 0.0f);
}

TEST_F(SoundEffectsTest, MetersAreZeroWithoutMusicAndFollowIt) {
  window = std::make_unique<EffectsWindow>(*effects);
  window->show();
  auto* left = window->findChild<QProgressBar*>(QStringLiteral("进度条2"));
  auto* right = window->findChild<QProgressBar*>(QStringLiteral("进度条3"));
  ASSERT_TRUE(left && right);
  EXPECT_EQ(effects->meters(), std::pair(0, 0));
  EXPECT_EQ(left->value(), 0);
  EXPECT_EQ(left->maximum(), 109);

  // Loud on the left, quieter on the right: 0.6 and 0.2 of full scale.
  const auto file = folder / "uneven.wav";
  ASSERT_TRUE(testing::encodeAudio(file, "aevalsrc=0.6*sin(2*PI*440*t)|0.2*sin(2*PI*440*t):d=4:s=44100", 44100, 2));
  playlist->list().addTrack(file.string(), "00:04", "左-右", "真");
  controller->playRow(1);
  QTRY_VERIFY_WITH_TIMEOUT(left->value() > 60, 2000);
  EXPECT_NEAR(left->value(), 0.6 * 32768 / 300, 2);
  EXPECT_NEAR(right->value(), 0.2 * 32768 / 300, 2);
  controller->stop();
  QTRY_COMPARE_WITH_TIMEOUT(right->value(), 0, 2000);
}

TEST_F(SoundEffectsTest, TheWindowShowsAndForwardsEveryControl) {
  window = std::make_unique<EffectsWindow>(*effects);
  window->show();
  auto* band1 = window->findChild<QSlider*>(QStringLiteral("纵向滚动条17"));
  auto* band10 = window->findChild<QSlider*>(QStringLiteral("纵向滚动条18"));
  auto* width = window->findChild<QSlider*>(QStringLiteral("纵向滚动条3"));
  auto* balance = window->findChild<QSlider*>(QStringLiteral("横向滚动条1"));
  ASSERT_TRUE(band1 && band10 && width && balance);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("均衡器"));
  EXPECT_EQ(band1->minimum(), 0);
  EXPECT_EQ(band1->maximum(), 30);
  EXPECT_EQ(band1->value(), 15);
  EXPECT_EQ(balance->pageStep(), 10);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("透明标签18"))->text(), QStringLiteral("21"));
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("平衡"))->text(), QStringLiteral("平衡"));

  band1->setValue(0);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("透明标签19"))->text(), QStringLiteral("15"));
  band10->setValue(27);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("透明标签26"))->text(), QStringLiteral("-12"));
  EXPECT_EQ(effects->bandRecord(10).gain, -12);
  width->setValue(30);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("透明标签18"))->text(), QStringLiteral("6"));
  balance->setValue(30);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("平衡"))->text(), QStringLiteral("偏左30"));
  window->findChild<QCheckBox*>(QStringLiteral("混响选择框"))->setChecked(true);
  EXPECT_TRUE(effects->positions().reverb);
  window->findChild<QSlider*>(QStringLiteral("纵向滚动条5"))->setValue(1000);
  EXPECT_EQ(effects->reverbRecord().reverbTime, 2000);
  window->findChild<QSlider*>(QStringLiteral("纵向滚动条20"))->setValue(1500);
  EXPECT_EQ(effects->echoRecord().rightDelay, 500);

  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("均衡器重置按钮")), Qt::LeftButton);
  EXPECT_EQ(band1->value(), 15);
  EXPECT_EQ(width->value(), 15);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("透明标签19"))->text(), QStringLiteral("0"));
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("透明标签18"))->text(), QStringLiteral("21"));
  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("声道重置按钮")), Qt::LeftButton);
  EXPECT_EQ(balance->value(), 50);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("平衡"))->text(), QStringLiteral("平衡"));
  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("回声重置按钮")), Qt::LeftButton);
  EXPECT_EQ(window->findChild<QSlider*>(QStringLiteral("纵向滚动条20"))->value(), 2000);
  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("混响重置按钮")), Qt::LeftButton);
  EXPECT_EQ(window->findChild<QSlider*>(QStringLiteral("纵向滚动条5"))->value(), 3000);
}

TEST_F(SoundEffectsTest, ValuesAreWrittenAndBackAfterReopeningAndRestarting) {
  effects->moveBand(6, 3);
  effects->moveBandwidth(24);
  effects->setReverb(true);
  effects->moveReverb(SoundEffects::ReverbSlider::time, 1500);
  effects->moveEcho(SoundEffects::EchoSlider::feedback, 70);
  effects->moveBalance(80);
  EXPECT_EQ(saved("纵向滚动条12"), "") << "a burst is written once, a moment after its last change";
  waitMs(SoundEffects::kSaveDelayMs + 200);
  EXPECT_EQ(saved("纵向滚动条12"), "3");
  EXPECT_EQ(saved("纵向滚动条3"), "24");
  EXPECT_EQ(saved("混响"), "T");
  EXPECT_EQ(saved("纵向滚动条5"), "1500");
  EXPECT_EQ(saved("纵向滚动条7"), "70");
  EXPECT_EQ(saved("横向滚动条1"), "80");
  EXPECT_EQ(saved("均衡器"), "") << "only what changed is written";
  effects->setEqualizer(true);
  effects->flush();
  EXPECT_EQ(saved("均衡器"), "T");

  // The window closed and opened again shows the same.
  window = std::make_unique<EffectsWindow>(*effects);
  window->show();
  window->close();
  window->findChild<QSlider*>(QStringLiteral("纵向滚动条9"))->setValue(0);
  window->show();
  EXPECT_EQ(window->findChild<QSlider*>(QStringLiteral("纵向滚动条9"))->value(), 0);
  EXPECT_EQ(window->findChild<QSlider*>(QStringLiteral("纵向滚动条12"))->value(), 3);

  // A restart: the positions, the records and the balance as they were.
  effects->moveEcho(SoundEffects::EchoSlider::mix, 40);
  engine.setChannelGain(0, 1.0f);
  makeEffects();
  EXPECT_EQ(effects->positions().echoMix, 40);
  EXPECT_EQ(effects->positions().bands[8], 0);
  EXPECT_TRUE(effects->positions().equalizer);
  EXPECT_TRUE(effects->positions().reverb);
  EXPECT_FALSE(effects->positions().echo);
  EXPECT_EQ(effects->bandRecord(6).gain, 12);
  EXPECT_EQ(effects->bandRecord(6).bandwidth, 12);
  EXPECT_EQ(effects->reverbRecord().reverbTime, 1500);
  EXPECT_FLOAT_EQ(engine.channelGain(0), 0.4f);
  EXPECT_EQ(effects->balanceText(), "偏右20");
  window = std::make_unique<EffectsWindow>(*effects);
  EXPECT_EQ(window->findChild<QSlider*>(QStringLiteral("纵向滚动条12"))->value(), 3);
  EXPECT_TRUE(window->findChild<QCheckBox*>(QStringLiteral("EQ选择框"))->isChecked());
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("透明标签24"))->text(), QStringLiteral("12"));

  // The first track after the restart is heard with them.
  addTracks(1, 44100 * 4);
  controller->playRow(1);
  ASSERT_TRUE(engine.getEqBand(stream(), 6));
  EXPECT_EQ(engine.getEqBand(stream(), 6)->gain, 12);
  EXPECT_EQ(engine.getReverb(stream())->reverbTime, 1500);
}

TEST_F(SoundEffectsTest, UnreadableSavedValuesAreTheStartPositions) {
  std::filesystem::remove(stateFile());
  ASSERT_TRUE(writeSetting(stateFile(), "效果设置", "纵向滚动条17", "31"));
  ASSERT_TRUE(writeSetting(stateFile(), "效果设置", "纵向滚动条5", "-3"));
  ASSERT_TRUE(writeSetting(stateFile(), "效果设置", "横向滚动条1", "0"));
  ASSERT_TRUE(writeSetting(stateFile(), "效果设置", "回声", "真"));
  ASSERT_TRUE(writeSetting(stateFile(), "效果设置", "纵向滚动条16", "0"));
  makeEffects();
  EXPECT_EQ(effects->positions().bands[0], 15);
  EXPECT_EQ(effects->positions().bands[1], 0);
  EXPECT_EQ(effects->positions().reverbTime, 3000);
  EXPECT_EQ(effects->positions().balance, 50);
  EXPECT_FALSE(effects->positions().echo);
}

// In the assembled player: 透明标签8 opens the window over the same values
// the player started with.
TEST(EffectsInThePlayer, TheLabelOpensTheWindowWithTheSavedValues) {
  testing::TempFolder folder;
  setDataFolder(folder.path());
  ASSERT_TRUE(writeSetting(folder / "State.ini", "效果设置", "横向滚动条1", "100"));
  ASSERT_TRUE(writeSetting(folder / "State.ini", "效果设置", "纵向滚动条4", "20"));
  AudioEngine engine;
  PlayerApp app;
  PlayerAssembly assembly(app, engine);
  ASSERT_TRUE(app.start(folder / "player.lock"));
  EXPECT_FLOAT_EQ(engine.channelGain(0), 0.0f) << "the balance is restored at start-up";
  QLabel* label = app.mainWindow()->findChild<QLabel*>(QStringLiteral("透明标签8"));
  ASSERT_NE(label, nullptr);
  QTest::mouseClick(label, Qt::LeftButton);
  auto* window = app.mainWindow()->findChild<EffectsWindow*>();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->findChild<QSlider*>(QStringLiteral("纵向滚动条4"))->value(), 20);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("平衡"))->text(), QStringLiteral("偏右0"));
  window->findChild<QCheckBox*>(QStringLiteral("回声选择框"))->setChecked(true);
  app.shutdown();
  EXPECT_EQ(readSetting(folder / "State.ini", "效果设置", "回声"), "T") << "written at exit";
}

}  // namespace
}  // namespace youran
