#include "playlist/ui/playlist_menus.h"

#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include "playlist/ui/playlist_commands.h"
#include "playlist/ui/playlist_controller.h"
#include "playlist/ui/playlist_drop.h"

namespace youran {

namespace {

QAction* addItem(QMenu* menu, const QString& caption, std::function<void()> run) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(caption);
  QObject::connect(action, &QAction::triggered, menu, [run = std::move(run)] { run(); });
  return action;
}

}  // namespace

PlaylistMenus::PlaylistMenus(QTableView& rows, PlaylistController& playlist, PlaylistCommands& commands,
                             QObject* parent)
    : QObject(parent) {
  QTableView* view = &rows;
  QWidget& page = *rows.parentWidget();
  auto* c = &commands;

  addMenu_ = new QMenu(&page);
  addMenu_->setObjectName(QStringLiteral("添加菜单"));
  addItem(addMenu_, QStringLiteral("添加文件"), [c] { c->addFilesFromDialog(); });
  addItem(addMenu_, QStringLiteral("添加目录"), [c] { c->scanFolderCommand(); });

  addButton_ = new QPushButton(QStringLiteral("添加音乐"), &page);
  addButton_->setObjectName(QStringLiteral("添加按钮"));
  addButton_->setProperty("class", "primary");
  addButton_->setGeometry(316, 16, 100, 30);
  addButton_->setMenu(addMenu_);

  contextMenu_ = new QMenu(view);
  contextMenu_->setObjectName(QStringLiteral("右键菜单"));
  addItem(contextMenu_, QStringLiteral("播放此音乐"), [c] { c->playSelected(); });
  contextMenu_->addSeparator();
  addItem(contextMenu_, QStringLiteral("移除选中"), [c] { c->removeSelected(); });
  addItem(contextMenu_, QStringLiteral("去除重复"), [c] { c->removeDuplicates(); });
  addItem(contextMenu_, QStringLiteral("移除所有"), [c] { c->removeAll(); });
  addItem(contextMenu_, QStringLiteral("物理删除"), [c] { c->deleteSelectedToRecycleBin(); });
  contextMenu_->addSeparator();
  addItem(contextMenu_, QStringLiteral("复制歌名"), [c] { c->copySongName(); });
  addItem(contextMenu_, QStringLiteral("下载此音乐"), [c, &playlist] {
    if (int row = playlist.selectedRow(); row > 0) emit c->downloadRequested(row);
  });
  addItem(contextMenu_, QStringLiteral("文件定位"), [c] { c->openSelectedLocation(); });
  contextMenu_->addSeparator();
  addItem(contextMenu_, QStringLiteral("添加文件"), [c] { c->addFilesFromDialog(); });
  addItem(contextMenu_, QStringLiteral("添加目录"), [c] { c->scanFolderCommand(); });

  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, contextMenu_, [this, view](const QPoint& at) {
    contextMenu_->popup(view->viewport()->mapToGlobal(at));
  });

  new PlaylistDropTarget(view, [c](const QStringList& paths) { c->addPaths(paths, false); });
}

PlaylistMenus::~PlaylistMenus() = default;

}  // namespace youran
