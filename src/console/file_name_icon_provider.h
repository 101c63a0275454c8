#pragma once

#include <QAbstractFileIconProvider>

namespace orlentis {

// Icons and types of the files a file dialog lists, told from their names alone. Qt's own
// provider reads a file to guess its type where the name does not settle it; in the server's
// process that read would open the database's files, and closing them drops the locks SQLite
// holds on them.
class FileNameIconProvider : public QAbstractFileIconProvider {
 public:
  using QAbstractFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;
};

}  // namespace orlentis
