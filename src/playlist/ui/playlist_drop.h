#pragma once

// Files and folders dropped on `播放列表框` from a file manager: the local
// paths go to one handler (the playlist commands add files and scan
// folders). Drags that carry no local file are refused, so the cursor says so.

#include <QObject>
#include <QStringList>
#include <functional>

class QAbstractItemView;
class QMimeData;

namespace youran {

class PlaylistDropTarget : public QObject {
  Q_OBJECT
 public:
  PlaylistDropTarget(QAbstractItemView* view, std::function<void(const QStringList&)> dropped);

  // The local files and folders a drag carries, in its order.
  static QStringList localPaths(const QMimeData* data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QStringList&)> dropped_;
};

}  // namespace youran
