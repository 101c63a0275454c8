#include "console/notice_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/language.h"
#include "base/text_ids.h"

namespace orlentis {
namespace {}  // namespace

NoticeWindow::NoticeWindow()
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint), text_(new QLabel(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QString::fromStdString(GetLanguageText(kTextOk)));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(buttons);
}

void NoticeWindow::Show(const QString& title, const QString& text) {
  setWindowTitle(title);
  text_->setText(text);
  adjustSize();
  move(kCentreX - width() / 2, kCentreY - height() / 2);
  show();
  raise();
  activateWindow();
  repaint();
}

QString NoticeWindow::Text() const {
  return text_->text();
}

}  // namespace orlentis
