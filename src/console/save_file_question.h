#pragma once

#include <QString>

class QWidget;

namespace orlentis {

// Asks in Qt's own file dialog (never the desktop's, which may read the files it lists) for a
// file to write, offering fileName. The dialog starts outside the program folder and tells the
// files it lists by their names alone (FileNameIconProvider). An empty name means the question
// was cancelled.
QString AskFileToWrite(QWidget* parent, const QString& caption, const QString& fileName,
                       const QString& filter, const QString& suffix);

}  // namespace orlentis
