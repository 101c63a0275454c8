#pragma once

#include <QString>
#include <QWidget>

namespace orlentis {

// One tab of the console's property sheet.
class ConsolePage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

  // The tab title (a language text).
  virtual QString Title() const = 0;
  // The page became the active tab: start what refreshes it.
  virtual void Activate() {}
  // Another tab became active: stop it again.
  virtual void Deactivate() {}
  // Whether the page may be left (another tab, or OK); a page that refuses has said why.
  virtual bool CanLeave() { return true; }
};

}  // namespace orlentis
