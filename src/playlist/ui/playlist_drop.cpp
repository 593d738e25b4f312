#include "playlist/ui/playlist_drop.h"

#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "base/qt_path.h"
#include "playlist/list_path.h"

namespace youran {

PlaylistDropTarget::PlaylistDropTarget(QAbstractItemView* view,
                                       std::function<void(const QStringList&)> dropped)
    : QObject(view), dropped_(std::move(dropped)) {
  view->setAcceptDrops(true);
  view->viewport()->setAcceptDrops(true);
  view->viewport()->installEventFilter(this);
}

QStringList PlaylistDropTarget::localPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  // The file manager percent-encodes the name's bytes; QUrl would decode
  // them as UTF-8 and turn a GBK name into U+FFFD. Read the list itself.
  const QByteArray list = data->data(QStringLiteral("text/uri-list"));
  if (list.isEmpty()) {
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
  }
  for (QByteArray line : list.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (auto bytes = localPathOfUri(line.toStdString())) paths << pathToQ(*bytes);
  }
  return paths;
}

bool PlaylistDropTarget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (localPaths(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = localPaths(drop->mimeData());
      if (paths.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      if (dropped_) dropped_(paths);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace youran
