#include "console/property_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/language.h"
#include "base/text_ids.h"
#include "console/console_page.h"

namespace orlentis {
namespace {

QString Text(int id) {
  return QString::fromStdString(GetLanguageText(id));
}

// A tab shows the title up to its first blank, as the console always has.
QString TabTitle(const QString& title) {
  return title.section(u' ', 0, 0);
}

}  // namespace

PropertySheet::PropertySheet(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      tabs_(new QTabWidget(this)) {
  setWindowTitle(Text(kTextProgramName));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(kTextOk));
  connect(buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
  connect(tabs_, &QTabWidget::currentChanged, this, &PropertySheet::OnCurrentChanged);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
}

void PropertySheet::AddPage(ConsolePage* page) {
  const QSignalBlocker blocker(tabs_);
  tabs_->addTab(page, TabTitle(page->Title()));
}

int PropertySheet::PageCount() const {
  return tabs_->count();
}

ConsolePage* PropertySheet::Page(int index) const {
  return static_cast<ConsolePage*>(tabs_->widget(index));
}

ConsolePage* PropertySheet::CurrentPage() const {
  return current_ < 0 ? nullptr : Page(current_);
}

void PropertySheet::SetCurrentPage(int index) {
  tabs_->setCurrentIndex(index);
}

// Every page passes once through its activation when the console opens, the first page last,
// so each has filled itself before the administrator looks at it.
void PropertySheet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (PageCount() == 0) return;
  OnCurrentChanged(0);
  for (int index = 1; index < PageCount(); ++index) SetCurrentPage(index);
  SetCurrentPage(0);
}

void PropertySheet::OnCurrentChanged(int index) {
  if (index == current_) return;
  ConsolePage* leaving = CurrentPage();
  if (leaving != nullptr && !leaving->CanLeave()) {
    const QSignalBlocker blocker(tabs_);
    tabs_->setCurrentIndex(current_);
    return;
  }
  if (leaving != nullptr) leaving->Deactivate();
  current_ = index;
  if (ConsolePage* entering = CurrentPage()) entering->Activate();
}

void PropertySheet::accept() {
  ConsolePage* page = CurrentPage();
  if (page != nullptr && !page->CanLeave()) return;
  if (!Commit()) return;
  QDialog::accept();
}

void PropertySheet::done(int result) {
  if (ConsolePage* page = CurrentPage()) page->Deactivate();
  current_ = -1;
  QDialog::done(result);
}

}  // namespace orlentis
