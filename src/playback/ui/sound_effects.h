#pragma once

// What the effects window sets, without the window: the equaliser's ten
// band records and the shared bandwidth, the reverb and echo records, the
// balance, the three check boxes and every slider's position. The records
// live as long as the player, are sent to the playing stream as the user
// moves a control, and are attached again to every new stream while their
// section is ticked. Every change is remembered in State.ini ("效果设置")
// and read back when the player starts. UI thread.

#include <QObject>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "playback/dsp/effect_parameters.h"
#include "playback/dsp/effect_sliders.h"

class QTimer;

namespace youran {

class AudioEngine;

class SoundEffects : public QObject {
  Q_OBJECT
 public:
  enum class ReverbSlider { mix, time, ratio };
  enum class EchoSlider { mix, feedback, leftDelay, rightDelay };

  // Changes reach State.ini this long after the last of a burst (a slider
  // dragged), and at once on flush() and when this object goes.
  static constexpr int kSaveDelayMs = 300;

  // `currentStream` answers the playing stream, 0 for none. The saved
  // section of `stateFile` is read here: positions, records and balance
  // are as the user left them.
  SoundEffects(AudioEngine& engine, std::function<uint32_t()> currentStream, std::filesystem::path stateFile,
               QObject* parent = nullptr);
  ~SoundEffects() override;

  const sliders::Positions& positions() const { return positions_; }
  const EqParameters& bandRecord(int band) const { return bands_[static_cast<size_t>(band - 1)]; }
  int sharedBandwidth() const { return bandwidth_; }
  const ReverbParameters& reverbRecord() const { return reverb_; }
  const EchoParameters& echoRecord() const { return echo_; }
  const std::string& balanceText() const { return balanceText_; }

  // Equaliser: a band slider (band 1..10) moved to `position`; the
  // bandwidth slider (reaches a band when that band is next applied); the
  // check box; the reset.
  void moveBand(int band, int position);
  void moveBandwidth(int position);
  void setEqualizer(bool on);
  void resetEqualizer();

  void moveReverb(ReverbSlider slider, int position);
  void setReverb(bool on);
  void resetReverb();

  void moveEcho(EchoSlider slider, int position);
  void setEcho(bool on);
  void resetEcho();

  void moveBalance(int position);
  void resetBalance();

  // The two meters (left, right), 0 with nothing playing.
  std::pair<int, int> meters() const;

  // A track started on `stream`: every ticked section is attached with its
  // stored records.
  void attachTo(uint32_t stream);

  // Writes what has changed and not yet been saved.
  void flush();

 signals:
  // Positions or texts changed other than through the window's own control
  // (a reset); the window shows them again.
  void changed();

 private:
  // Band b with the shared bandwidth and `gainDb` (0 for a reset), sent.
  void applyBand(int band, int gainDb);
  void sendBand(int band) const;
  void attachEqualizer(uint32_t stream);
  void attachReverb(uint32_t stream);
  void attachEcho(uint32_t stream);
  void tick(bool& box, bool on, const char* key, void (SoundEffects::*attach)(uint32_t),
            void (AudioEngine::*remove)(uint32_t));
  void sendReverb() const;
  void sendEcho() const;
  void applyBalance();
  void save(const std::vector<std::string>& keys);

  AudioEngine& engine_;
  std::function<uint32_t()> currentStream_;
  std::filesystem::path stateFile_;
  sliders::Positions positions_;
  std::array<EqParameters, 10> bands_;
  int bandwidth_ = 0;
  ReverbParameters reverb_;
  EchoParameters echo_;
  std::string balanceText_;

  std::vector<std::string> unsaved_;
  QTimer* saveTimer_;
};

}  // namespace youran
