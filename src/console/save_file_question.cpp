#include "console/save_file_question.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include "base/program_folder.h"
#include "console/file_name_icon_provider.h"

namespace orlentis {
namespace {

bool IsWithin(const QString& folder, const QString& outer) {
  if (outer.isEmpty()) return false;
  return folder == outer || folder.startsWith(outer.endsWith(u'/') ? outer : outer + u'/');
}

// The administrator's documents, else the home folder; where that is the program folder or
// lies inside it (a service account's home), the temporary folder or the program folder's
// parent, from which the database's files are a folder away.
QString StartFolder() {
  const QString programFolder =
      QFileInfo(QString::fromStdString(ProgramFolder().string())).canonicalFilePath();
  const QStringList candidates = {
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath(),
      QDir::tempPath(), programFolder + QStringLiteral("/..")};
  for (const QString& candidate : candidates) {
    const QString folder = QFileInfo(candidate).canonicalFilePath();
    if (!folder.isEmpty() && QFileInfo(folder).isDir() && !IsWithin(folder, programFolder)) {
      return folder;
    }
  }
  return QDir::homePath();
}

}  // namespace

QString AskFileToWrite(QWidget* parent, const QString& caption, const QString& fileName,
                       const QString& filter, const QString& suffix) {
  // Declared first, so that it outlives the dialog and the model that asks it.
  FileNameIconProvider icons;
  QFileDialog dialog(parent, caption, StartFolder(), filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setIconProvider(&icons);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(suffix);
  dialog.selectFile(fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

}  // namespace orlentis
