#include "console/show_message.h"

#include <QMessageBox>

namespace orlentis {

ShowMessage WarningBoxOver(QWidget* parent) {
  return [parent](const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text);
  };
}

AskYesNo QuestionBoxOver(QWidget* parent) {
  return [parent](const QString& caption, const QString& text) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
}

}  // namespace orlentis
