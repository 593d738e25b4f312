#pragma once

// What "物理删除" and "文件定位" ask of the desktop: the freedesktop trash
// (Trash/files plus a .trashinfo naming the original path, also on other
// mounts) and the file manager's ShowItems call.

#include <QString>
#include <optional>

namespace youran {

// Moves a file to the desktop's trash; the reason when it could not (a
// read-only mount, no trash folder that can be made there).
std::optional<QString> moveFileToTrash(const QString& path);

// Asks the session's file manager to show the file selected
// (org.freedesktop.FileManager1.ShowItems with the file's URI). The call does
// not wait; when no file manager answers, the file's folder is opened
// instead.
void showFileInFolder(const QString& path);

}  // namespace youran
