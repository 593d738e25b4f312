#pragma once

// "选择歌词…": the primary service's songs for the playing track (title,
// artist, album, duration) and the lyric stored in the track's file; the
// row chosen becomes the track's lyric file. The search runs elsewhere and
// fills the rows when it returns.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <vector>

class QLabel;
class QTableWidget;

namespace youran {

struct LyricCandidate {
  QString title;
  QString artist;
  QString album;
  int64_t durationMs = 0;
  QString id;  // the service's song id; empty for the embedded lyric
};

class LyricChoiceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit LyricChoiceDialog(const QString& displayName, QWidget* parent = nullptr);

  // The embedded lyric's row, first, when the track carries one.
  void addEmbedded(const QString& firstLine);
  void setCandidates(const std::vector<LyricCandidate>& candidates);
  // The chosen row, or nullptr.
  const LyricCandidate* chosen() const;
  QTableWidget* table() const { return table_; }

 private:
  void addRow(const LyricCandidate& candidate);

  QTableWidget* table_;
  QLabel* status_;
  std::vector<LyricCandidate> rows_;
};

}  // namespace youran
