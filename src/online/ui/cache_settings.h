#pragma once

// The song cache's group on the settings page: how much it holds
// ("缓存占用"), its limit (Online/CacheLimitMB, empty or 0: none) and a
// button that empties it after saying how many playlist rows lose their
// file. A limit the listed songs alone exceed is said on the page, since
// those are never deleted by the limit.

#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace youran {

class CacheSettings : public QWidget {
  Q_OBJECT
 public:
  struct Hooks {
    std::filesystem::path dataFolder;
    std::filesystem::path settingsFile;
    // The paths of the playlist rows, in row order.
    std::function<std::vector<std::string>()> listedPaths;
    // Asks the user; replaceable so tests can answer.
    std::function<bool(const QString& question)> confirm;
  };

  explicit CacheSettings(Hooks hooks, QWidget* parent = nullptr);

  // Deletes what the limit allows and shows the usage again; call after a
  // download and at start-up.
  void enforceLimit();
  void refresh();
  void emptyCache();

  QLabel* usageLabel() const { return usage_; }
  QLineEdit* limitField() const { return limit_; }
  QLabel* warningLabel() const { return warning_; }
  QPushButton* emptyButton() const { return empty_; }

 signals:
  // Files were deleted by emptying the cache.
  void cacheEmptied(int files);

 private:
  void applyLimitText();

  Hooks hooks_;
  QLabel* caption_;
  QLabel* usage_;
  QLineEdit* limit_;
  QLabel* warning_;
  QPushButton* empty_;
};

}  // namespace youran
