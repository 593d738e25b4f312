#pragma once

// The menus of the playlist page: "右键菜单" on the rows of `播放列表框`,
// and "添加菜单" behind the page's add button, with "添加文件" and
// "添加目录". Files and folders dropped on the rows are added the same way.

#include <QObject>

class QMenu;
class QPushButton;
class QTableView;

namespace youran {

class PlaylistCommands;
class PlaylistController;

class PlaylistMenus : public QObject {
  Q_OBJECT
 public:
  // The add button goes on the page that holds `rows` (`播放列表框`).
  PlaylistMenus(QTableView& rows, PlaylistController& playlist, PlaylistCommands& commands,
                QObject* parent = nullptr);
  ~PlaylistMenus() override;

  QMenu* contextMenu() const { return contextMenu_; }
  QMenu* addMenu() const { return addMenu_; }
  QPushButton* addButton() const { return addButton_; }

 private:
  QMenu* contextMenu_;
  QMenu* addMenu_;
  QPushButton* addButton_;
};

}  // namespace youran
