#include "console/file_name_icon_provider.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>

namespace orlentis {

// Folder or file, a link or not: what stat() tells, which the dialog has asked already.
QIcon FileNameIconProvider::icon(const QFileInfo& info) const {
  const bool link = info.isSymLink();
  if (info.isDir())
    return QApplication::style()->standardIcon(link ? QStyle::SP_DirLinkIcon : QStyle::SP_DirIcon);
  return QApplication::style()->standardIcon(link ? QStyle::SP_FileLinkIcon : QStyle::SP_FileIcon);
}

// The MIME database's description of the name's pattern; its look-up by name never opens the
// file.
QString FileNameIconProvider::type(const QFileInfo& info) const {
  if (info.isDir()) return QStringLiteral("Folder");
  const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(info.fileName());
  if (!types.isEmpty()) return types.first().comment();
  return info.suffix().isEmpty() ? QStringLiteral("File")
                                 : info.suffix().toUpper() + QStringLiteral(" File");
}

}  // namespace orlentis
